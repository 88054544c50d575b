#include "tests/support/test_files.h"

#include <atomic>
#include <sstream>

#include "base/handles.h"

std::string ReadWholeFile(const std::string& path) {
  unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (!file) return content;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
  return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  unique_hfile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  return ok && written == content.size();
}

bool FileExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  unique_hfind find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find.get(), &data));
  return names;
}

bool IsTempNameOf(const std::string& path, const std::string& target) {
  const std::string prefix = target + "_";
  const std::string suffix = ".tmp";
  if (path.size() != prefix.size() + 8 + suffix.size()) return false;
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  if (path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (size_t i = prefix.size(); i < prefix.size() + 8; ++i) {
    if (path[i] < '1' || path[i] > '9') return false;
  }
  return true;
}

void RemoveTree(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    return;
  }
  for (const std::string& name : FolderEntries(path)) RemoveTree(path + "\\" + name);
  ::RemoveDirectoryA(path.c_str());
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH + 1] = {};
  DWORD length = ::GetTempPathA(sizeof temp, temp);
  std::string base = (length > 0 && length < sizeof temp) ? std::string(temp, length) : std::string("C:\\");
  if (base.back() == '\\') base.pop_back();
  for (;;) {
    std::ostringstream name;
    name << base << "\\velmora-test-" << ::GetCurrentProcessId() << "-" << ++counter << "-" << ::GetTickCount();
    if (::CreateDirectoryA(name.str().c_str(), nullptr)) {
      m_path = name.str();
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      m_path = name.str();  // the test using it fails visibly on its first file
      return;
    }
  }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

HeldFile::HeldFile(const std::string& path, DWORD share)
    : m_file(
          ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
