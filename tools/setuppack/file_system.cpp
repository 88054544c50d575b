#include "tools/setuppack/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
constexpr char kSeparator = '\\';

std::string LastErrorText() {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text,
                 sizeof text, nullptr);
  size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) text[--n] = '\0';
  return text;
}

// Size of a regular file; false for folders and missing files.
bool RegularFileSize(const std::string& path, uint64_t* size, std::string* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    *error = path + ": " + LastErrorText();
    return false;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = path + ": is a folder";
    return false;
  }
  *size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  return true;
}

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateOneDirectory(const std::string& path, std::string* error) {
  if (CreateDirectoryA(path.c_str(), nullptr) || IsDirectory(path)) return true;
  *error = path + ": " + LastErrorText();
  return false;
}

// Writes a file that did not exist before; false leaves nothing.
bool WriteNewFile(const std::string& path, const uint8_t* data, size_t size, bool, bool* nameTaken,
                  std::string* error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *nameTaken = GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS;
    *error = path + ": " + LastErrorText();
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < size) {
    DWORD chunk = DWORD(std::min<size_t>(size - done, 1u << 24));
    DWORD written = 0;
    ok = WriteFile(file, data + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  if (!ok) *error = path + ": " + LastErrorText();
  CloseHandle(file);
  if (!ok) DeleteFileA(path.c_str());
  return ok;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  *error = to + ": " + LastErrorText();
  return false;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

unsigned long ProcessId() { return GetCurrentProcessId(); }

#else
constexpr const char* kSeparators = "/";
constexpr char kSeparator = '/';

std::string ErrnoText(const std::string& path) { return path + ": " + std::strerror(errno); }

bool RegularFileSize(const std::string& path, uint64_t* size, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = ErrnoText(path);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = path + (S_ISDIR(info.st_mode) ? ": is a folder" : ": is not a regular file");
    return false;
  }
  *size = uint64_t(info.st_size);
  return true;
}

bool CreateOneDirectory(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 0777) == 0) return true;
  struct stat info;
  if (errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  *error = ErrnoText(path);
  return false;
}

bool WriteNewFile(const std::string& path, const uint8_t* data, size_t size, bool executable, bool* nameTaken,
                  std::string* error) {
  // O_EXCL: a file or link of that name is never opened, let alone followed.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, executable ? 0777 : 0666);
  if (fd < 0) {
    *nameTaken = errno == EEXIST;
    *error = ErrnoText(path);
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < size) {
    ssize_t written = write(fd, data + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) done += size_t(written);
  }
  if (!ok) *error = ErrnoText(path);
  if (close(fd) != 0 && ok) {
    ok = false;
    *error = ErrnoText(path);
  }
  if (!ok) unlink(path.c_str());
  return ok;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = ErrnoText(to);
  return false;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
#endif

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of(kSeparators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* data, std::string* error) {
  uint64_t size = 0;
  if (!RegularFileSize(path, &size, error)) return ReadResult::kFailed;
  if (size > limit) return ReadResult::kTooLarge;

  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return ReadResult::kFailed;
  }
  data->clear();
  data->reserve(size_t(size));
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    // The file may have grown since it was measured.
    if (data->size() + got > limit) {
      std::fclose(file);
      return ReadResult::kTooLarge;
    }
    data->insert(data->end(), chunk, chunk + got);
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = path + ": read error";
    return ReadResult::kFailed;
  }
  return ReadResult::kOk;
}

bool WriteFileReplacing(const std::string& path, const uint8_t* data, size_t size, bool executable, std::string* error) {
  std::string folder = FolderOf(path);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string temporary =
        folder + ".setuppack-" + std::to_string(ProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    bool nameTaken = false;
    if (!WriteNewFile(temporary, data, size, executable, &nameTaken, error)) {
      if (nameTaken) continue;
      *error = path + error->substr(temporary.size());  // the reason, told of the file asked for
      return false;
    }
    if (!RenameOver(temporary, path, error)) {
      RemoveFile(temporary);
      return false;
    }
    return true;
  }
  *error = path + ": no free temporary name in its folder";
  return false;
}

bool MakeDirectories(const std::string& path, std::string* error) {
  // Each prefix that ends before a separator, then the whole path.
  for (size_t at = path.find_first_of(kSeparators, 1); at != std::string::npos;
       at = path.find_first_of(kSeparators, at + 1)) {
    std::string prefix = path.substr(0, at);
    if (prefix.empty() || prefix.back() == ':' || prefix.find_first_not_of(kSeparators) == std::string::npos) {
      continue;  // a root or a drive
    }
    if (!CreateOneDirectory(prefix, error)) return false;
  }
  return CreateOneDirectory(path, error);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of(kSeparators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (std::strchr(kSeparators, folder.back()) != nullptr) return folder + name;
  return folder + kSeparator + name;
}
