#include "demo/uninstall/installed_product.h"

#include <windows.h>

#include "base/handles.h"
#include "base/product.h"
#include "base/registry_text.h"
#include "demo/uninstall/paths.h"

namespace {
std::string RegistrationKeyPath() { return product::UninstallKeyPath(); }

// A text value; empty when it is missing or no text.
std::string ReadString(HKEY key, const char* name) {
  std::string value;
  ReadRegistryText(&RegQueryValueExA, key, name, &value);
  return value;
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
  DWORD language = 0;
  if (ReadRegistryNumber(&RegQueryValueExA, key.get(), "Language", &language)) product->language = language;
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
