#pragma once
// Read-only looks at the machine the setup changed: files, registry values,
// services, shortcuts and processes. Each returns what it finds; the driver's
// commands compare.

#include <windows.h>

#include <string>
#include <vector>

enum class PathKind { Missing, File, Directory };

PathKind KindOfPath(const std::string& path);
// The whole content of a file; throws ScriptFailure when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Names (without folder) of the entries matching a wildcard pattern.
std::vector<std::string> MatchingNames(const std::string& pattern);

// Splits "HKLM\Software\..." into its root key and the path below it; throws
// ScriptFailure for an unknown root.
HKEY RegistryRoot(const std::string& key, std::string* path);
bool RegistryKeyExists(const std::string& key);
// A REG_SZ value's text; false when the key or value is missing or not text.
bool ReadRegistryString(const std::string& key, const std::string& name, std::string* value);
// A value's raw data, whatever its type; false when it is missing.
bool ReadRegistryData(const std::string& key, const std::string& name, std::string* data);
bool RegistryValueExists(const std::string& key, const std::string& name);
// Writes a REG_SZ value, creating the key; throws ScriptFailure on failure.
void WriteRegistryString(const std::string& key, const std::string& name, const std::string& value);

struct ServiceState {
  bool exists = false;
  DWORD current_state = 0;  // SERVICE_RUNNING, SERVICE_STOPPED, ...
  DWORD service_type = 0;
  DWORD start_type = 0;
  std::string image_path;
  std::string display_name;
};
ServiceState QueryService(const std::string& name);
// Asks a service to stop; throws ScriptFailure when it cannot be asked.
void StopService(const std::string& name);

struct ShortcutInfo {
  std::string target;
  std::string working_directory;
  std::string description;
};
// Loads a shell link file; throws ScriptFailure when it cannot be read.
ShortcutInfo ReadShortcut(const std::string& path);

// Ids of the running processes whose executable has this name.
std::vector<DWORD> ProcessesNamed(const std::string& exe_name);
