#include "package/package_file_store.h"

#include <new>
#include <utility>

#include "package/package_reader.h"

// Puts each verified entry into the index; a later entry of the same name
// replaces the earlier one.
class CPackageFileStore::CIndexSink : public CPackageEntrySink {
 public:
  explicit CIndexSink(std::map<std::string, Content>& index) : m_index(index) {}
  int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) override {
    Content& slot = m_index[std::string(reinterpret_cast<const char*>(entry.name), entry.nameLength)];
    slot.data = std::move(content);
    slot.size = size;
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
  if (m_inflateBufferSize == 0) return Finish(kNoMemory);
  CIndexSink sink(m_index);
  return Finish(UnpackPackage(image, size, m_inflateBuffer.get(), m_inflateBufferSize, sink));
}

bool CPackageFileStore::Lookup(const std::string& name, const uint8_t** content, uint32_t* size) const noexcept {
  auto found = m_index.find(name);
  if (found == m_index.end()) return false;
  *content = found->second.data.get();
  *size = found->second.size;
  return true;
}

bool CPackageFileStore::EntrySize(const std::string& name, uint32_t* size) const noexcept {
  auto found = m_index.find(name);
  if (found == m_index.end()) return false;
  *size = found->second.size;
  return true;
}

void CPackageFileStore::Release() noexcept { m_index.clear(); }

int32_t CPackageFileStore::Finish(int32_t status) noexcept {
  m_status = status;
  if (m_status != kOk) Release();
  return m_status;
}
