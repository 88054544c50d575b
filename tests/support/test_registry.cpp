#include "tests/support/test_registry.h"

#include "framework/handles.h"

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

bool WriteRegistryString(HKEY root, const std::string& key, const char* name, const std::string& text) {
  unique_hkey created;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExA(created.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::string& key) { ::RegDeleteTreeA(root, key.c_str()); }

ScopedRegistryCleanup::ScopedRegistryCleanup(HKEY root, std::string key) : m_root(root), m_key(std::move(key)) {
  DeleteRegistryTree(m_root, m_key);
}

ScopedRegistryCleanup::~ScopedRegistryCleanup() { DeleteRegistryTree(m_root, m_key); }
