// The product's own steps: its program files, Start Menu items and
// uninstall registration.

#include <shlobj.h>

#include <cstring>

#include "base/handles.h"
#include "base/product.h"
#include "engine/product_install_engine.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

constexpr const char* kQuickLaunchSubfolder = "Microsoft\\Internet Explorer\\Quick Launch";
constexpr const char* kWebShortcutFile = "Velmora on Web.url";
constexpr const char* kHelpShortcutName = "Velmora Help";
constexpr const char* kLicenseShortcutName = "Velmora License";
constexpr const char* kUninstallShortcutName = "Velmora Uninstall Wizard";

// A shell folder by CSIDL; throws `code` when the shell cannot give it. A
// result that fills the whole 260-character buffer without its terminating
// zero counts as a failure, never as a path.
std::string SpecialFolder(int csidl, BOOL create, uint16_t code) {
  char path[MAX_PATH + 1] = {};
  if (!SystemCalls().SHGetSpecialFolderPathA(nullptr, path, csidl, create)) {
    CInstallEngine::Throw(code, CProductInstallEngine::kModuleProduct, ::GetLastError());
  }
  if (std::memchr(path, '\0', MAX_PATH) == nullptr) {
    CInstallEngine::Throw(code, CProductInstallEngine::kModuleProduct, ERROR_INSUFFICIENT_BUFFER);
  }
  return path;
}

bool FolderExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  return seam_hfind(SystemCalls().FindFirstFileA(path.c_str(), &found)).valid();
}

}  // namespace

CProductInstallEngine::CProductInstallEngine(HANDLE hLogFile, IInstallOwner* owner)
    : CInstallEngine(hLogFile), m_app(owner) {}

void CProductInstallEngine::InstallProgramFiles() {
  struct ProgramFile {
    std::string name;
    uint16_t missingCode;
  };
  const ProgramFile files[] = {
      {product::kProgramFile, 132},
      {std::string(product::kStubFilePrefix) + product::kStubFileSuffix, 144},
      {product::kLicenseTextFile, 149},
      {product::kReadmeFile, 154},
      {product::kUninstallerFile, 159},
      {product::kHelpFile, 164},
  };
  const std::string destFolder = m_app->DestFolder();
  for (const ProgramFile& file : files) {
    const CPackageFileStore::Entry* entry = Store().Find(file.name);
    if (entry == nullptr) Throw(file.missingCode, kModuleProduct, ::GetLastError());
    InstallFile(file.name, destFolder, *entry);
  }
}

void CProductInstallEngine::CreateStartMenuItems() {
  const std::string destFolder = m_app->DestFolder();
  const std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS, TRUE, 235);
  const std::string startMenu = programs + "\\" + m_app->StartMenuFolder();
  CreateDir(startMenu);
  CreateShortcut(product::kProgramFile, destFolder, startMenu, product::kName, nullptr);
  CreateShortcut(product::kHelpFile, destFolder, startMenu, kHelpShortcutName, nullptr);
  CreateShortcut(product::kLicenseTextFile, destFolder, startMenu, kLicenseShortcutName, nullptr);
  CreateShortcut(product::kUninstallerFile, destFolder, startMenu, kUninstallShortcutName, nullptr);
  CreateUrlShortcut(kWebShortcutFile, startMenu, product::kWebPageUrl);

  if (m_app->DesktopIcon() != 0) {
    const std::string desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY, TRUE, 272);
    CreateShortcut(product::kProgramFile, destFolder, desktop, product::kName, nullptr);
  }
  if (m_app->QuickLaunchIcon() != 0) {
    const std::string quickLaunch = SpecialFolder(CSIDL_APPDATA, FALSE, 284) + "\\" + kQuickLaunchSubfolder;
    // Systems without a Quick Launch bar have no such folder; nothing to do there.
    if (FolderExists(quickLaunch)) {
      CreateShortcut(product::kProgramFile, destFolder, quickLaunch, product::kName, nullptr);
    }
  }
}

void CProductInstallEngine::RegisterUninstall() {
  WriteUninstallValues(product::kUninstallKeyName, m_app->DestFolder(), m_app->StartMenuFolder(),
                       product::kUninstallerFile, product::kName);
}
