// The uninstall registration and the document-type registration. Neither is
// journaled: the installation writes them only once nothing can fail any more.

#include "base/product.h"
#include "engine/install_engine.h"
#include "engine/installed_product.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

// The formatted document-type texts keep to the size of the buffer they
// were always built in; a longer one is refused, never cut short.
constexpr size_t kFormattedTextBufferSize = 528;

// Windows runs both texts as command lines, so a path with blanks must be quoted.
std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

LONG SetString(HKEY key, const char* name, const std::string& text) {
  return SystemCalls().RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                      static_cast<DWORD>(text.size() + 1));
}

LONG CreateKey(HKEY parent, const std::string& name, seam_hkey* key) {
  return SystemCalls().RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key->put(),
                                       nullptr);
}

LONG SetNumber(HKEY key, const char* name, DWORD number) {
  return SystemCalls().RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                      sizeof(number));
}

// Sets the key's default value; false when the text does not fit the
// formatting buffer (nothing is written then) or the write fails.
bool SetDefaultText(HKEY key, const std::string& text) {
  if (text.size() + 1 > kFormattedTextBufferSize) return false;
  return SetString(key, nullptr, text) == ERROR_SUCCESS;
}

}  // namespace

void CInstallEngine::WriteUninstallValues(const std::string& keyName, const std::string& installLocation,
                                          const std::string& startMenuLocation,
                                          const std::string& uninstallerFileName, const std::string& displayName,
                                          const UninstallDetails* details) {
  seam_hkey key;
  if (CreateKey(HKEY_LOCAL_MACHINE, product::kUninstallRoot + keyName, &key) != ERROR_SUCCESS) return;
  const std::string uninstaller = Quoted(installLocation + "\\" + uninstallerFileName);
  SetString(key.get(), "InstallLocation", installLocation);
  SetString(key.get(), "UninstallString", uninstaller);
  SetString(key.get(), "StartMenuLocation", startMenuLocation);
  SetString(key.get(), "DisplayName", displayName);
  if (!details) return;
  SetString(key.get(), "DisplayVersion", details->version);
  SetString(key.get(), "Publisher", details->publisher);
  SetString(key.get(), "DisplayIcon", installLocation + "\\" + details->programFileName + ",0");
  SetNumber(key.get(), "EstimatedSize", details->estimatedSizeKb);
  SetString(key.get(), "InstallDate", details->installDate);
  SetString(key.get(), "QuietUninstallString", uninstaller + " /quiet");
  // The uninstaller only removes: the list of programs offers neither.
  SetNumber(key.get(), "NoModify", 1);
  SetNumber(key.get(), "NoRepair", 1);
  SetString(key.get(), "URLInfoAbout", details->aboutUrl);
  SetNumber(key.get(), "VersionMajor", static_cast<DWORD>(VersionPart(details->version, 0)));
  SetNumber(key.get(), "VersionMinor", static_cast<DWORD>(VersionPart(details->version, 1)));
  SetNumber(key.get(), kLanguageValue, details->language);
  SetNumber(key.get(), kDesktopIconValue, details->desktopIcon != 0 ? 1 : 0);
  SetNumber(key.get(), kQuickLaunchIconValue, details->quickLaunchIcon != 0 ? 1 : 0);
}

int CInstallEngine::RegisterDocumentType(const std::string& extension, const std::string& progId,
                                         const std::string& programPath, const std::string& commandArgument,
                                         int iconIndex) {
  seam_hkey progIdKey;
  if (CreateKey(HKEY_CLASSES_ROOT, progId, &progIdKey) != ERROR_SUCCESS) return 0;
  {
    seam_hkey defaultIcon;
    if (CreateKey(progIdKey.get(), "DefaultIcon", &defaultIcon) != ERROR_SUCCESS) return 0;
    if (!SetDefaultText(defaultIcon.get(), programPath + "," + std::to_string(iconIndex))) return 0;
  }
  seam_hkey shell;
  if (CreateKey(progIdKey.get(), "shell", &shell) != ERROR_SUCCESS) return 0;
  if (SetString(shell.get(), nullptr, "open") != ERROR_SUCCESS) return 0;
  seam_hkey open;
  if (CreateKey(shell.get(), "open", &open) != ERROR_SUCCESS) return 0;
  seam_hkey command;
  if (CreateKey(open.get(), "command", &command) != ERROR_SUCCESS) return 0;
  if (!SetDefaultText(command.get(), Quoted(programPath) + " " + commandArgument)) return 0;
  progIdKey.reset();

  // Associated only now that the ProgID's icon and command are in place.
  seam_hkey extensionKey;
  if (CreateKey(HKEY_CLASSES_ROOT, extension, &extensionKey) != ERROR_SUCCESS) return 0;
  if (SetString(extensionKey.get(), nullptr, progId) != ERROR_SUCCESS) return 0;
  return 1;
}
