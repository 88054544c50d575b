#include "demo/uninstall/installed_product.h"

#include <windows.h>

#include <vector>

#include "base/handles.h"
#include "base/product.h"
#include "demo/uninstall/paths.h"

namespace {
std::string RegistrationKeyPath() { return product::UninstallKeyPath(); }

// A string value; empty when it is missing or not a string.
std::string ReadString(HKEY key, const char* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::string();
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return std::string();
  std::vector<char> data(size + 1, '\0');
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
    return std::string();
  }
  // The stored value need not end in a zero; data has one extra.
  std::string value(data.data());
  if (type == REG_SZ) return value;
  char expanded[MAX_PATH] = {};
  DWORD length = ExpandEnvironmentStringsA(value.c_str(), expanded, MAX_PATH);
  return (length == 0 || length > MAX_PATH) ? value : std::string(expanded);
}
}  // namespace

bool ReadInstalledProduct(InstalledProduct* product) {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RegistrationKeyPath().c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  product->installLocation = ReadString(key.get(), "InstallLocation");
  product->uninstallString = ReadString(key.get(), "UninstallString");
  product->startMenuLocation = ReadString(key.get(), "StartMenuLocation");
  product->displayName = ReadString(key.get(), "DisplayName");
  DWORD type = 0, language = 0, size = sizeof(language);
  if (RegQueryValueExA(key.get(), "Language", nullptr, &type, reinterpret_cast<BYTE*>(&language), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD) {
    product->language = language;
  }
  return true;
}

std::string ProgramFolder(const InstalledProduct& product) {
  if (!product.installLocation.empty()) return product.installLocation;
  return ParentFolder(CommandProgram(product.uninstallString));
}

std::string CommandProgram(const std::string& command) {
  if (command.empty() || command[0] != '"') return command;
  std::string::size_type closing = command.find('"', 1);
  return command.substr(1, closing == std::string::npos ? std::string::npos : closing - 1);
}

void DeleteRegistration(Removal& removal) {
  LSTATUS status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, RegistrationKeyPath().c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    removal.NoteFailure("HKEY_LOCAL_MACHINE\\" + RegistrationKeyPath());
  }
}
