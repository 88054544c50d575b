#include "demo/uninstall/paths.h"

#include <windows.h>
#include <shlobj.h>

namespace {
std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  std::string full(buffer, length);
  // "C:\dir\" and "C:\dir" are the same folder; a drive root keeps its slash.
  while (full.size() > 3 && full.back() == '\\') full.pop_back();
  return full;
}
}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string ParentFolder(const std::string& path) {
  std::string::size_type slash = path.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash);
}

bool SamePath(const std::string& first, const std::string& second) {
  return lstrcmpiA(FullPath(first).c_str(), FullPath(second).c_str()) == 0;
}

bool IsBelowFolder(const std::string& path, const std::string& folder) {
  std::string fullPath = FullPath(path);
  std::string prefix = FullPath(folder);
  if (prefix.empty()) return false;
  if (prefix.back() != '\\') prefix += '\\';
  if (fullPath.size() <= prefix.size()) return false;
  return lstrcmpiA(fullPath.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

std::string SpecialFolder(int csidl) {
  char buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return std::string();
  return buffer;
}
