#include "tests/e2e/driver/machine_snapshot.h"

#include <windows.h>

#include <cstdio>

#include "base/handles.h"
#include "tests/e2e/driver/system_state.h"

namespace {

// Size and last write time: enough to notice a file written again.
std::string FileStamp(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  char text[64];
  std::snprintf(text, sizeof text, "%lu:%lu:%lu:%lu", data.nFileSizeHigh, data.nFileSizeLow,
                data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  return text;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), static_cast<int>(prefix.size()),
                        prefix.c_str(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

bool Ignored(const std::string& entry, const std::vector<std::string>& ignored) {
  for (const std::string& prefix : ignored)
    if (StartsWithIgnoringCase(entry, prefix)) return true;
  return false;
}

}  // namespace

void MachineSnapshot::Take(const std::vector<std::string>& folders, const std::vector<std::string>& registry_roots) {
  m_entries.clear();
  for (const std::string& folder : folders) {
    // A trailing "\." lists the folder's own entries without descending.
    if (folder.size() > 2 && folder.compare(folder.size() - 2, 2, "\\.") == 0)
      AddFolder(folder.substr(0, folder.size() - 2), false);
    else
      AddFolder(folder, true);
  }
  for (const std::string& key : registry_roots) AddRegistryKey(key);
}

void MachineSnapshot::AddFolder(const std::string& folder, bool recursive) {
  m_entries[folder] = "folder";
  for (const std::string& name : MatchingNames(folder + "\\*")) {
    std::string path = folder + "\\" + name;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) continue;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      m_entries[path] = FileStamp(data);
    } else if (recursive && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      AddFolder(path, true);
    } else {
      m_entries[path] = "folder";
    }
  }
}

void MachineSnapshot::AddRegistryKey(const std::string& key) {
  std::string path;
  HKEY root = RegistryRoot(key, &path);
  unique_hkey opened;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return;
  m_entries[key] = "key";
  std::vector<BYTE> data(1 << 16);
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD name_size = sizeof name, type = 0, data_size = static_cast<DWORD>(data.size());
    LONG result = RegEnumValueA(opened.get(), index, name, &name_size, nullptr, &type, data.data(), &data_size);
    if (result == ERROR_MORE_DATA) {
      data.resize(data_size);
      --index;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    m_entries[key + "\\@" + name] = std::to_string(type) + ":" + std::string(data.begin(), data.begin() + data_size);
  }
  std::vector<std::string> subkeys;
  for (DWORD index = 0;; ++index) {
    char name[1024];
    DWORD name_size = sizeof name;
    if (RegEnumKeyExA(opened.get(), index, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subkeys.push_back(name);
  }
  opened.reset();
  for (const std::string& subkey : subkeys) AddRegistryKey(key + "\\" + subkey);
}

std::vector<std::string> MachineSnapshot::Differences(const MachineSnapshot& later,
                                                      const std::vector<std::string>& ignored) const {
  std::vector<std::string> lines;
  for (const auto& entry : m_entries) {
    if (Ignored(entry.first, ignored)) continue;
    auto found = later.m_entries.find(entry.first);
    if (found == later.m_entries.end()) lines.push_back("removed " + entry.first);
    else if (found->second != entry.second) lines.push_back("changed " + entry.first);
  }
  for (const auto& entry : later.m_entries)
    if (!Ignored(entry.first, ignored) && m_entries.find(entry.first) == m_entries.end())
      lines.push_back("added " + entry.first);
  return lines;
}
