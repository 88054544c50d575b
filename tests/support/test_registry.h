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
// Writes a REG_SZ (or REG_EXPAND_SZ) value, creating the key; false on failure.
bool WriteRegistryString(HKEY root, const std::string& key, const char* name, const std::string& text,
                         DWORD type = REG_SZ);
// Writes a REG_DWORD value, creating the key; false on failure.
bool WriteRegistryNumber(HKEY root, const std::string& key, const char* name, DWORD number);
// Creates root\key (and its missing parents) without writing a value.
bool CreateRegistryKey(HKEY root, const std::string& key);
// Deletes one value; quiet when missing.
void DeleteRegistryValue(HKEY root, const std::string& key, const char* name);
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

// Puts a value back as it was when the object was made (deleting it when it
// was absent), so tests that make Windows record work for the next start
// leave the shared machine as they found it.
class ScopedRegistryValueRestore {
 public:
  ScopedRegistryValueRestore(HKEY root, std::string key, std::string name);
  ~ScopedRegistryValueRestore();
  ScopedRegistryValueRestore(const ScopedRegistryValueRestore&) = delete;
  ScopedRegistryValueRestore& operator=(const ScopedRegistryValueRestore&) = delete;

 private:
  HKEY m_root;
  std::string m_key;
  std::string m_name;
  RegistryValue m_saved;
};

// One operation that Windows carries out at the next start (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT), with the "\??\" prefixes taken off.
struct PendingRename {
  std::string from;
  std::string to;        // empty: delete `from`
  bool replace = false;  // the target may be replaced ("!" prefix)
};

constexpr const char* kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

std::vector<PendingRename> PendingFileRenames();
// Whether a rename from `from` to `to` (empty: a deletion) is pending.
bool HasPendingRename(const std::string& from, const std::string& to);

// Restores the pending file operations as they were.
class ScopedPendingRenames : public ScopedRegistryValueRestore {
 public:
  ScopedPendingRenames() : ScopedRegistryValueRestore(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue) {}
};
