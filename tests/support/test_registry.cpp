#include "tests/support/test_registry.h"

#include "base/handles.h"

RegistryValue ReadRegistryValue(HKEY root, const std::string& key, const char* name) {
  RegistryValue value;
  unique_hkey opened;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (::RegQueryValueExA(opened.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
  value.data.resize(size);
  if (::RegQueryValueExA(opened.get(), name, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(size > 0 ? &value.data[0] : nullptr), &size) != ERROR_SUCCESS) {
    return RegistryValue();
  }
  value.data.resize(size);
  value.present = true;
  return value;
}

std::string ReadRegistryString(HKEY root, const std::string& key, const char* name) {
  RegistryValue value = ReadRegistryValue(root, key, name);
  std::string text = value.data;
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

bool RegistryKeyExists(HKEY root, const std::string& key) {
  unique_hkey opened;
  return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.put()) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryValueNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  unique_hkey opened;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD length = sizeof name;
    if (::RegEnumValueA(opened.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

bool WriteRegistryString(HKEY root, const std::string& key, const char* name, const std::string& text, DWORD type) {
  unique_hkey created;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExA(created.get(), name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool WriteRegistryNumber(HKEY root, const std::string& key, const char* name, DWORD number) {
  unique_hkey created;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExA(created.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof(number)) == ERROR_SUCCESS;
}

bool CreateRegistryKey(HKEY root, const std::string& key) {
  unique_hkey created;
  return ::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(), nullptr) ==
         ERROR_SUCCESS;
}

void DeleteRegistryValue(HKEY root, const std::string& key, const char* name) {
  unique_hkey opened;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, opened.put()) == ERROR_SUCCESS) {
    ::RegDeleteValueA(opened.get(), name);
  }
}

void DeleteRegistryTree(HKEY root, const std::string& key) { ::RegDeleteTreeA(root, key.c_str()); }

ScopedRegistryCleanup::ScopedRegistryCleanup(HKEY root, std::string key) : m_root(root), m_key(std::move(key)) {
  DeleteRegistryTree(m_root, m_key);
}

ScopedRegistryCleanup::~ScopedRegistryCleanup() { DeleteRegistryTree(m_root, m_key); }

ScopedRegistryValueRestore::ScopedRegistryValueRestore(HKEY root, std::string key, std::string name)
    : m_root(root),
      m_key(std::move(key)),
      m_name(std::move(name)),
      m_saved(ReadRegistryValue(m_root, m_key, m_name.c_str())) {}

ScopedRegistryValueRestore::~ScopedRegistryValueRestore() {
  unique_hkey opened;
  if (::RegOpenKeyExA(m_root, m_key.c_str(), 0, KEY_SET_VALUE, opened.put()) != ERROR_SUCCESS) return;
  if (!m_saved.present) {
    ::RegDeleteValueA(opened.get(), m_name.c_str());
    return;
  }
  ::RegSetValueExA(opened.get(), m_name.c_str(), 0, m_saved.type, reinterpret_cast<const BYTE*>(m_saved.data.data()),
                   static_cast<DWORD>(m_saved.data.size()));
}

namespace {

std::string WithoutNtPrefix(std::string path) {
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  return path;
}

}  // namespace

std::vector<PendingRename> PendingFileRenames() {
  std::vector<PendingRename> renames;
  const RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
  std::vector<std::string> strings;
  size_t start = 0;
  while (start < value.data.size()) {
    size_t end = value.data.find('\0', start);
    if (end == std::string::npos) end = value.data.size();
    strings.push_back(value.data.substr(start, end - start));
    start = end + 1;
  }
  // Pairs of source and target; the list ends with an empty string.
  for (size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i].empty()) break;
    PendingRename rename;
    rename.from = WithoutNtPrefix(strings[i]);
    std::string to = strings[i + 1];
    if (!to.empty() && to[0] == '!') {
      rename.replace = true;
      to.erase(0, 1);
    }
    rename.to = WithoutNtPrefix(to);
    renames.push_back(rename);
  }
  return renames;
}

bool HasPendingRename(const std::string& from, const std::string& to) {
  for (const PendingRename& rename : PendingFileRenames()) {
    if (lstrcmpiA(rename.from.c_str(), from.c_str()) == 0 && lstrcmpiA(rename.to.c_str(), to.c_str()) == 0) {
      return true;
    }
  }
  return false;
}
