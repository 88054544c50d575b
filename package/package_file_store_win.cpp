// The Win32 half of the store: reading the setup executable's own file.
#include "package/package_file_store.h"

#include <new>

#include "base/handles.h"

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
  unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Finish(kReadFailed);

  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(file.get(), &sizeHigh);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return Finish(kReadFailed);
  // 4 GiB or more: the low 32 bits would name only a prefix of the file.
  if (sizeHigh != 0) return Finish(kReadFailed);
  SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);

  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
  if (!image) return Finish(kNoMemory);
  DWORD total = 0;
  while (total < size) {
    DWORD read = 0;
    if (!ReadFile(file.get(), image.get() + total, size - total, &read, nullptr) || read == 0) break;
    total += read;
  }
  if (total != size) return Finish(kReadFailed);
  return ParseImage(image.get(), size);
}
