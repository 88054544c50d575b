// The product's own steps: its program files, Start Menu items and
// uninstall registration.

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

// The shortcuts of the Start Menu folder: the file each opens, and its name.
struct StartMenuShortcut {
  const char* targetFile;
  const char* name;
};
constexpr StartMenuShortcut kStartMenuShortcuts[] = {
    {product::kProgramFile, product::kName},
    {product::kHelpFile, kHelpShortcutName},
    {product::kLicenseTextFile, kLicenseShortcutName},
    {product::kUninstallerFile, kUninstallShortcutName},
};

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

}  // namespace

CProductInstallEngine::CProductInstallEngine(HANDLE hLogFile, IInstallOwner* owner)
    : CInstallEngine(hLogFile), m_app(owner) {}

namespace {

struct ProgramFile {
  std::string name;
  uint16_t missingCode;
};

// The program files in the order they are installed, each with the code of
// its absence from the package.
std::vector<ProgramFile> ProgramFiles() {
  return {
      {product::kProgramFile, 132},
      {std::string(product::kStubFilePrefix) + product::kStubFileSuffix, 144},
      {product::kLicenseTextFile, 149},
      {product::kReadmeFile, 154},
      {product::kUninstallerFile, 159},
      {product::kHelpFile, 164},
  };
}

std::string Padded(unsigned value, size_t width) {
  const std::string digits = std::to_string(value);
  return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

// Today's local date as yyyymmdd.
std::string LocalDate() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return Padded(now.wYear, 4) + Padded(now.wMonth, 2) + Padded(now.wDay, 2);
}

}  // namespace

size_t CProductInstallEngine::LongestPathInDestination() {
  size_t longest = 0;
  for (const ProgramFile& file : ProgramFiles()) longest = std::max(longest, file.name.size());
  return 1 + longest + kTempNameExtra;
}

size_t CProductInstallEngine::LongestPathInStartMenu() {
  size_t longest = std::strlen(kWebShortcutFile);
  for (const StartMenuShortcut& shortcut : kStartMenuShortcuts) {
    longest = std::max(longest, std::strlen(shortcut.name) + std::strlen(".lnk"));
  }
  return 1 + longest + kTempNameExtra;
}

uint32_t CProductInstallEngine::InstalledSizeKb() {
  // Sizes from the package's index: an entry's content need not be held.
  std::vector<std::string> names;
  for (const ProgramFile& file : ProgramFiles()) names.push_back(file.name);
  for (const char* driver : DriverEntries()) names.push_back(driver);
  uint64_t bytes = 0;
  for (const std::string& name : names) {
    uint32_t size = 0;
    if (Store().Lookup(name, nullptr, &size)) bytes += size;
  }
  return static_cast<uint32_t>((bytes + 1023) / 1024);
}

void CProductInstallEngine::InstallProgramFiles() {
  const std::string destFolder = m_app->DestFolder();
  for (const ProgramFile& file : ProgramFiles()) {
    const CPackageFileStore::Entry* entry = Store().Find(file.name);
    if (entry == nullptr) Throw(file.missingCode, kModuleProduct, ::GetLastError());
    InstallFile(file.name, destFolder, *entry);
  }
}

CRunningPrograms CProductInstallEngine::RunningPrograms() {
  const std::string destFolder = m_app->DestFolder();
  std::vector<std::string> files;
  for (const ProgramFile& file : ProgramFiles()) files.push_back(destFolder + "\\" + file.name);
  return CRunningPrograms(files, destFolder, m_log.get());
}

std::vector<OpenProgram> CProductInstallEngine::FindRunningPrograms() { return RunningPrograms().Find(); }

void CProductInstallEngine::CloseRunningPrograms(const std::vector<OpenProgram>& programs) {
  if (!programs.empty()) RunningPrograms().Close(programs);
}

void CProductInstallEngine::KeepRunningPrograms(const std::vector<OpenProgram>& programs) {
  RunningPrograms().Keep(programs);
}

void CProductInstallEngine::CreateStartMenuItems() {
  const std::string destFolder = m_app->DestFolder();
  const std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS, TRUE, 235);
  const std::string startMenu = programs + "\\" + m_app->StartMenuFolder();
  CreateDirWithParents(startMenu);
  for (const StartMenuShortcut& shortcut : kStartMenuShortcuts) {
    CreateShortcut(shortcut.targetFile, destFolder, startMenu, shortcut.name, nullptr);
  }
  CreateUrlShortcut(kWebShortcutFile, startMenu, product::kWebPageUrl);

  if (m_app->DesktopIcon() != 0) {
    const std::string desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY, TRUE, 272);
    CreateShortcut(product::kProgramFile, destFolder, desktop, product::kName, nullptr);
  }
  if (m_app->QuickLaunchIcon() != 0) {
    const std::string quickLaunch = SpecialFolder(CSIDL_APPDATA, FALSE, 284) + "\\" + kQuickLaunchSubfolder;
    // Systems without a Quick Launch bar have no such folder; nothing to do there.
    if (PathExists(quickLaunch)) {
      CreateShortcut(product::kProgramFile, destFolder, quickLaunch, product::kName, nullptr);
    }
  }
}

void CProductInstallEngine::RegisterUninstall() {
  UninstallDetails details;
  details.version = product::kVersion;
  details.publisher = product::kPublisher;
  details.programFileName = product::kProgramFile;
  details.estimatedSizeKb = InstalledSizeKb();
  details.installDate = LocalDate();
  details.aboutUrl = product::kWebPageUrl;
  details.desktopIcon = m_app->DesktopIcon();
  details.quickLaunchIcon = m_app->QuickLaunchIcon();
  details.language = m_app->Language();
  WriteUninstallValues(product::kUninstallKeyName, m_app->DestFolder(), m_app->StartMenuFolder(),
                       product::kUninstallerFile, product::kName, &details);
}
