#include "demo/uninstall/uninstaller.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "base/handles.h"
#include "base/product.h"
#include "demo/uninstall/document_type.h"
#include "demo/uninstall/native_view.h"
#include "demo/uninstall/paths.h"
#include "demo/uninstall/services.h"
#include "demo/uninstall/shortcuts.h"
#include "demo/uninstall/text_ids.h"
#include "demo/uninstall/texts.h"

namespace {
// The setup's Start Menu folder items, its optional icons' name and folder.
constexpr const char* kStartMenuShortcuts[] = {"Velmora.lnk", "Velmora Help.lnk", "Velmora License.lnk",
                                               "Velmora Uninstall Wizard.lnk", "Velmora on Web.url"};
constexpr const char* kIconShortcut = "Velmora.lnk";
constexpr const char* kQuickLaunchFolder = "Microsoft\\Internet Explorer\\Quick Launch";

std::string ServiceNameOf(const char* driverFile) {
  std::string name = driverFile;
  return name.substr(0, name.find('.'));
}

std::string DriverFolder() {
  char system[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return JoinPath(system, "Drivers");
}

void RemoveServices(Removal& removal) {
  unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) {
    removal.NoteFailure(LoadText(IDS_FAILED_SERVICE_MANAGER));
    return;
  }
  // The monitor driver goes first, the reverse of the installation.
  StopAndDeleteService(manager.get(), ServiceNameOf(product::kMonitorDriverFile).c_str(), removal);
  StopAndDeleteService(manager.get(), ServiceNameOf(product::kControlDriverFile).c_str(), removal);
}

void RemoveStartMenuFolder(const InstalledProduct& installed, Removal& removal) {
  std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  if (programs.empty()) {
    removal.NoteFailure(LoadText(IDS_FAILED_START_MENU_FOLDER));
    return;
  }
  std::string folder = installed.startMenuLocation.empty() ? programs
                                                           : JoinPath(programs, installed.startMenuLocation);
  for (const char* name : kStartMenuShortcuts) removal.RemoveFile(JoinPath(folder, name));
  // Never the Programs folder itself or anything outside it.
  if (IsBelowFolder(folder, programs)) removal.RemoveFolderIfEmptied(folder);
}

// The desktop and Quick Launch folders are shared: a "Velmora.lnk" there is
// the setup's only while it still leads to the installed program.
void RemoveProgramIcon(const std::string& folder, const std::string& program, Removal& removal) {
  if (folder.empty()) return;
  std::string link = JoinPath(folder, kIconShortcut);
  if (GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (IsShortcutTo(link, program)) removal.RemoveFile(link);
}

void RemoveProgramFiles(const std::string& programFolder, Removal& removal) {
  for (const std::string& file : ProgramFilePaths(programFolder)) removal.RemoveFile(file);
  removal.RemoveFolderIfEmptied(programFolder);
}

void RemoveDriverFiles(Removal& removal) {
  std::string folder = DriverFolder();
  if (folder.empty()) {
    removal.NoteFailure(LoadText(IDS_FAILED_DRIVERS_FOLDER));
    return;
  }
  // On 64-bit Windows the drivers lie in the 64-bit system's own Drivers
  // folder; each removal (deletion, waiting copies, the deletion left for
  // the restart) looks there, and only there.
  for (const char* driver : {product::kControlDriverFile, product::kMonitorDriverFile}) {
    NativeFileView nativeView;
    removal.RemoveFile(JoinPath(folder, driver));
  }
}
}  // namespace

std::vector<std::string> ProgramFilePaths(const std::string& programFolder) {
  const std::string stubFile = std::string(product::kStubFilePrefix) + product::kStubFileSuffix;
  const std::string files[] = {product::kProgramFile, stubFile,          product::kLicenseTextFile,
                               product::kReadmeFile,  product::kHelpFile, product::kUninstallerFile};
  std::vector<std::string> paths;
  for (const std::string& name : files) paths.push_back(JoinPath(programFolder, name));
  return paths;
}

void UninstallProduct(const InstalledProduct& installed, Removal& removal) {
  const std::string programFolder = ProgramFolder(installed);
  RemoveServices(removal);
  RemoveStartMenuFolder(installed, removal);
  if (!programFolder.empty()) {
    const std::string program = JoinPath(programFolder, product::kProgramFile);
    RemoveProgramIcon(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY), program, removal);
    std::string appData = SpecialFolder(CSIDL_APPDATA);
    if (!appData.empty()) RemoveProgramIcon(JoinPath(appData, kQuickLaunchFolder), program, removal);
    RemoveProgramFiles(programFolder, removal);
  }
  RemoveDriverFiles(removal);
  RemoveDocumentType(removal);
  DeleteRegistration(removal);
}
