#pragma once
// Reading a text value of the registry the way Windows' own programs do:
// REG_SZ as stored, REG_EXPAND_SZ with its environment variables expanded.
// Shared by the setup (through the engine's system-call seam) and the
// uninstaller (straight from Win32).

#include <windows.h>

#include <string>
#include <vector>

// Reads value `name` of `key` through `query`, a callable taking
// RegQueryValueExA's arguments, into `text`. False (text untouched) when the
// value is missing, of another type, or does not expand. Never throws but
// std::bad_alloc.
template <typename Query>
bool ReadRegistryText(Query&& query, HKEY key, const char* name, std::string* text) {
  DWORD type = 0;
  DWORD size = 0;
  if (query(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // One byte more: the stored text need not end with its zero.
  std::vector<char> data(size + 1, '\0');
  if (query(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) return false;
  if (type != REG_EXPAND_SZ) {
    if (type != REG_SZ) return false;
    *text = data.data();
    return true;
  }
  const DWORD needed = ::ExpandEnvironmentStringsA(data.data(), nullptr, 0);
  if (needed == 0) return false;
  std::vector<char> expanded(needed + 1, '\0');
  const DWORD length = ::ExpandEnvironmentStringsA(data.data(), expanded.data(), needed + 1);
  if (length == 0 || length > needed + 1) return false;
  *text = expanded.data();
  return true;
}

// Reads REG_DWORD value `name` of `key` through `query` (as above) into
// `number`; false (number untouched) when it is missing or of another type.
template <typename Query>
bool ReadRegistryNumber(Query&& query, HKEY key, const char* name, DWORD* number) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (query(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return false;
  }
  *number = value;
  return true;
}
