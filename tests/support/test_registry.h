#pragma once
// Registry helpers for tests; they use Win32 directly, never the engine's seam.

#include <windows.h>

#include <string>
#include <vector>

// One value as the registry holds it.
struct RegistryValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string data;  // the raw bytes, a string's terminating zero included
};

// Reads a value (null or "" name: the key's default value) of root\key.
RegistryValue ReadRegistryValue(HKEY root, const std::string& key, const char* name);
// A REG_SZ value without its terminating zero; empty when missing.
std::string ReadRegistryString(HKEY root, const std::string& key, const char* name);
bool RegistryKeyExists(HKEY root, const std::string& key);
// Names of the values of root\key in the registry's enumeration order.
std::vector<std::string> RegistryValueNames(HKEY root, const std::string& key);
// Writes a REG_SZ value, creating the key; false on failure.
bool WriteRegistryString(HKEY root, const std::string& key, const char* name, const std::string& text);
// Deletes root\key with its subkeys; quiet when missing.
void DeleteRegistryTree(HKEY root, const std::string& key);

// Deletes a registry tree when the object goes (and when it comes, so a
// test never starts from a leftover).
class ScopedRegistryCleanup {
 public:
  ScopedRegistryCleanup(HKEY root, std::string key);
  ~ScopedRegistryCleanup();
  ScopedRegistryCleanup(const ScopedRegistryCleanup&) = delete;
  ScopedRegistryCleanup& operator=(const ScopedRegistryCleanup&) = delete;

 private:
  HKEY m_root;
  std::string m_key;
};
