#include "package/package_file_store.h"

#include <cstring>
#include <new>
#include <utility>

// Puts each verified entry into the index; a later entry of the same name
// replaces the earlier one.
class CPackageFileStore::CIndexSink : public CPackageEntrySink {
 public:
  explicit CIndexSink(std::map<std::string, Content>& index) : m_index(index) {}
  int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) override {
    Content& slot = m_index[std::string(reinterpret_cast<const char*>(entry.name), entry.nameLength)];
    slot.data = std::move(content);
    slot.entry.data = slot.data.get();
    slot.entry.size = size;
    std::memcpy(slot.entry.digest, entry.contentDigest, sizeof slot.entry.digest);
    slot.entry.compressedOffset = entry.compressedOffset;
    slot.entry.compressedSize = entry.compressedSize;
    return kPackageOk;
  }

 private:
  std::map<std::string, Content>& m_index;
};

CPackageFileStore::CPackageFileStore() noexcept : m_inflateBuffer(new (std::nothrow) uint8_t[kInflateBufferSize]) {
  if (m_inflateBuffer) {
    m_inflateBufferSize = kInflateBufferSize;
  } else {
    m_status = kNoMemory;
  }
}

CPackageFileStore::~CPackageFileStore() = default;

int32_t CPackageFileStore::ParseImage(const uint8_t* image, uint32_t size) noexcept {
  m_status = kOk;
  m_path.clear();
  if (m_inflateBufferSize == 0) return Finish(kNoMemory);
  CMemorySource source(image, image == nullptr ? 0 : size);
  return Parse(source, source, PackageUnpackOptions());
}

int32_t CPackageFileStore::Parse(IPackageSource& areaSource, IPackageSource& entrySource,
                                 const PackageUnpackOptions& options) noexcept {
  CIndexSink sink(m_index);
  return Finish(
      UnpackPackageFrom(areaSource, entrySource, m_inflateBuffer.get(), m_inflateBufferSize, sink, options));
}

bool CPackageFileStore::Lookup(const std::string& name, const uint8_t** content, uint32_t* size) const noexcept {
  const Entry* entry = Find(name);
  if (entry == nullptr || (content != nullptr && entry->data == nullptr)) return false;
  if (content != nullptr) *content = entry->data;
  *size = entry->size;
  return true;
}

const CPackageFileStore::Entry* CPackageFileStore::Find(const std::string& name) const noexcept {
  auto found = m_index.find(name);
  return found == m_index.end() ? nullptr : &found->second.entry;
}

uint32_t CPackageFileStore::Progress(uint32_t* totalBytes) const noexcept {
  const uint64_t area = m_progress.areaLength.load();
  *totalBytes = uint32_t(area);
  if (area == 0) return 0;
  const uint64_t done = uint64_t(m_progress.areaDone.load()) + m_progress.entriesDone.load();
  const uint64_t percent = done * 100 / (2 * area);
  return uint32_t(percent > 100 ? 100 : percent);
}

void CPackageFileStore::Release() noexcept { m_index.clear(); }

int32_t CPackageFileStore::Finish(int32_t status) noexcept {
  m_status = status;
  if (m_status != kOk) Release();
  return m_status;
}
