// The Win32 half of the store: reading the setup executable's own file, in
// blocks, with the content digests on a thread of their own.
#include "package/package_file_store.h"

#include "base/file_reads.h"
#include "base/handles.h"
#include "base/product.h"

namespace {

// The package file through a handle of its own, read at explicit offsets.
class CFileSource : public IPackageSource {
 public:
  CFileSource(HANDLE file, uint32_t size) : m_reads(file), m_size(size) {}
  bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) override {
    if (offset > m_size || n > m_size - offset) return false;
    return m_reads.Read(&::ReadFile, offset, buffer, n);
  }
  uint32_t Size() const override { return m_size; }

 private:
  CFileReads m_reads;
  uint32_t m_size;
};

// Beside the calling thread, which inflates, the content digests get a
// thread of their own when there is more than one processor to run it, and
// the two share the area digest; with one, threads would only take turns.
uint32_t HelperThreads() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return 0;
  uint32_t processors = 0;
  for (; process != 0; process &= process - 1) ++processors;
  return processors > 1 ? 2 : 0;
}

HANDLE OpenForReading(const char* path) {
  return ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int32_t CPackageFileStore::Open() noexcept {
  m_status = kReadFailed;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A path that filled the buffer was cut short and names another file.
  if (length == 0 || length >= MAX_PATH) return Finish(kReadFailed);
  return OpenPath(path);
}

int32_t CPackageFileStore::OpenPath(const char* path) noexcept {
  m_status = kReadFailed;
  m_progress.areaLength = 0;
  m_progress.areaDone = 0;
  m_progress.entriesDone = 0;
  unique_hfile file(OpenForReading(path));
  if (!file) return Finish(kReadFailed);

  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(file.get(), &sizeHigh);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return Finish(kReadFailed);
  // 4 GiB or more: the low 32 bits would name only a prefix of the file.
  if (sizeHigh != 0) return Finish(kReadFailed);
  // The area digest reads through a handle of its own.
  unique_hfile second(OpenForReading(path));
  if (!second) return Finish(kReadFailed);
  if (m_inflateBufferSize == 0) return Finish(kNoMemory);
  try {
    m_path = path;
  } catch (...) {
    return Finish(kNoMemory);
  }

  m_status = kOk;
  CFileSource entrySource(file.get(), size);
  CFileSource areaSource(second.get(), size);
  PackageUnpackOptions options;
  options.keepLimit = kKeepLimit;
  options.keepBudget = kKeepBudget;
  // The license page shows it from memory, however large it is.
  options.keepWhole = product::kLicenseRtfFile;
  options.helperThreads = HelperThreads();
  options.progress = &m_progress;
  return Parse(areaSource, entrySource, options);
}
