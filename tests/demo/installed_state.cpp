#include "tests/demo/installed_state.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/handles.h"
#include "base/product.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace {
constexpr const char* kQuickLaunchFolder = "Microsoft\\Internet Explorer\\Quick Launch";

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return std::string();
  return path;
}

std::string DriverFolder() {
  char path[MAX_PATH] = {};
  GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path) + "\\Drivers";
}

bool CopyDemoFile(const std::string& name, const std::string& folder) {
  std::string target = folder + "\\" + name;
  if (CopyFileA((std::string(kDemoFolder) + "\\" + name).c_str(), target.c_str(), FALSE)) return true;
  ADD_FAILURE() << "cannot copy " << name << " to " << target << ", error " << GetLastError();
  return false;
}

bool CreateFolder(const std::string& folder) {
  if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  ADD_FAILURE() << "cannot create " << folder << ", error " << GetLastError();
  return false;
}

bool InstallDriver(SC_HANDLE manager, const char* file, const char* service, const char* displayName,
                   DWORD startType) {
  if (!CopyDemoFile(file, DriverFolder())) return false;
  unique_schandle created(CreateServiceA(manager, service, displayName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                         startType, SERVICE_ERROR_NORMAL, DriverFilePath(file).c_str(), nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
  if (created) return true;
  ADD_FAILURE() << "cannot create the service " << service << ", error " << GetLastError();
  return false;
}

bool InstallDrivers() {
  unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) {
    ADD_FAILURE() << "no service control manager, error " << GetLastError();
    return false;
  }
  if (!InstallDriver(manager.get(), product::kControlDriverFile, kControlService, "Velmora Control Driver",
                     SERVICE_AUTO_START) ||
      !InstallDriver(manager.get(), product::kMonitorDriverFile, kMonitorService, "Velmora Monitor Driver",
                     SERVICE_DEMAND_START)) {
    return false;
  }
  unique_schandle control(OpenServiceA(manager.get(), kControlService, SERVICE_START));
  if (!control || !StartServiceA(control.get(), 0, nullptr)) {
    ADD_FAILURE() << "cannot start " << kControlService << ", error " << GetLastError();
    return false;
  }
  return true;
}

bool InstallStartMenuItems(const InstallChoice& choice) {
  std::string folder = StartMenuFolderOf(choice);
  if (!CreateFolder(folder)) return false;
  const std::string dest = choice.destFolder + "\\";
  bool made = MakeShortcut(dest + product::kProgramFile, folder + "\\Velmora.lnk") &&
              MakeShortcut(dest + product::kHelpFile, folder + "\\Velmora Help.lnk") &&
              MakeShortcut(dest + product::kLicenseTextFile, folder + "\\Velmora License.lnk") &&
              MakeShortcut(dest + product::kUninstallerFile, folder + "\\Velmora Uninstall Wizard.lnk") &&
              WriteWholeFile(folder + "\\Velmora on Web.url",
                             std::string("[InternetShortcut]\r\nURL=") + product::kWebPageUrl);
  if (!made) {
    ADD_FAILURE() << "cannot make the Start Menu items in " << folder;
    return false;
  }
  std::string program = dest + product::kProgramFile;
  if (choice.desktopIcon && !MakeShortcut(program, DesktopIconPath())) {
    ADD_FAILURE() << "cannot make the desktop icon";
    return false;
  }
  if (choice.quickLaunchIcon) {
    std::string quickLaunch = ShellFolder(CSIDL_APPDATA) + "\\" + kQuickLaunchFolder;
    if (SHCreateDirectoryExA(nullptr, quickLaunch.c_str(), nullptr) != ERROR_SUCCESS &&
        !DirectoryExists(quickLaunch)) {
      ADD_FAILURE() << "cannot create " << quickLaunch;
      return false;
    }
    if (!MakeShortcut(program, QuickLaunchIconPath())) {
      ADD_FAILURE() << "cannot make the Quick Launch icon";
      return false;
    }
  }
  return true;
}

// The setup quotes the program paths of both command lines.
bool RegisterProduct(const InstallChoice& choice) {
  const std::string program = choice.destFolder + "\\" + product::kProgramFile;
  const std::string progId = product::kProgId;
  bool written =
      WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", choice.destFolder) &&
      WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
                          "\"" + choice.destFolder + "\\" + product::kUninstallerFile + "\"") &&
      WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "StartMenuLocation", choice.startMenuFolder) &&
      WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", product::kName) &&
      WriteRegistryString(HKEY_CLASSES_ROOT, progId + "\\DefaultIcon", nullptr, program + ",44") &&
      WriteRegistryString(HKEY_CLASSES_ROOT, progId + "\\shell", nullptr, "open") &&
      WriteRegistryString(HKEY_CLASSES_ROOT, progId + "\\shell\\open\\command", nullptr,
                          "\"" + program + "\" " + product::kOpenArgument) &&
      WriteRegistryString(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr, progId);
  if (!written) ADD_FAILURE() << "cannot write the product's registry entries";
  return written;
}
}  // namespace

std::vector<std::string> ProgramFileNames() {
  return {product::kProgramFile,
          std::string(product::kStubFilePrefix) + product::kStubFileSuffix,
          product::kLicenseTextFile,
          product::kReadmeFile,
          product::kUninstallerFile,
          product::kHelpFile};
}

std::vector<std::string> StartMenuItemNames() {
  return {"Velmora.lnk", "Velmora Help.lnk", "Velmora License.lnk", "Velmora Uninstall Wizard.lnk",
          "Velmora on Web.url"};
}

std::string StartMenuFolderOf(const InstallChoice& choice) {
  return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\" + choice.startMenuFolder;
}

std::string DesktopIconPath() {
  return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk";
}

std::string QuickLaunchIconPath() {
  return ShellFolder(CSIDL_APPDATA) + "\\" + kQuickLaunchFolder + "\\Velmora.lnk";
}

std::string DriverFilePath(const std::string& name) {
  return DriverFolder() + "\\" + name;
}

bool MakeInstalledState(const InstallChoice& choice) {
  if (!InstallDrivers() || !CreateFolder(choice.destFolder)) return false;
  for (const std::string& name : ProgramFileNames()) {
    if (!CopyDemoFile(name, choice.destFolder)) return false;
  }
  return InstallStartMenuItems(choice) && RegisterProduct(choice);
}

bool MakeShortcut(const std::string& target, const std::string& link) {
  HRESULT initialized = CoInitialize(nullptr);
  bool saved = false;
  {
    com_ptr<IShellLinkA> shellLink;
    com_ptr<IPersistFile> file;
    WCHAR widePath[MAX_PATH] = {};
    saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       shellLink.put_void())) &&
            SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.put_void())) &&
            SUCCEEDED(shellLink->SetPath(target.c_str())) &&
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH) > 0 &&
            SUCCEEDED(file->Save(widePath, FALSE));
  }
  if (SUCCEEDED(initialized)) CoUninitialize();
  return saved;
}

bool ServiceExists(const char* name) {
  return ServiceState(name) != 0;
}

DWORD ServiceState(const char* name) {
  unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return 0;
  unique_schandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
  SERVICE_STATUS status = {};
  if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

std::string UninstallerCommand(const std::string& folder, const std::string& arguments) {
  std::string command = "\"" + folder + "\\" + product::kUninstallerFile + "\"";
  if (!arguments.empty()) command += " " + arguments;
  return command;
}
