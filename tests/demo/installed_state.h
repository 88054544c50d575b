#pragma once
// A hand-made installed state of the product for the uninstaller's tests,
// laid down the way the setup installs it, and the places to look at after.

#include <windows.h>

#include <string>
#include <vector>

#include "base/product.h"

// Where the scenario script puts the built demo files.
constexpr const char* kDemoFolder = "C:\\velmora-demo";
const std::string kUninstallKey = product::UninstallKeyPath();
constexpr const char* kControlService = "velctl";
constexpr const char* kMonitorService = "velmon";

struct InstallChoice {
  std::string destFolder;
  std::string startMenuFolder = "Velmora";
  bool desktopIcon = true;
  bool quickLaunchIcon = true;
};

// Installs what the setup installs for choice, from the demo files: the
// driver files and their services (the control driver started), the program
// files, the Start Menu folder with its items, the chosen icons, the
// uninstall registration and the document type. Reports a test failure and
// returns false at the first step it cannot do.
bool MakeInstalledState(const InstallChoice& choice);

// The six program files the setup writes into the destination folder.
std::vector<std::string> ProgramFileNames();
// The five items the setup puts into the Start Menu folder.
std::vector<std::string> StartMenuItemNames();
std::string StartMenuFolderOf(const InstallChoice& choice);
std::string DesktopIconPath();
std::string QuickLaunchIconPath();
std::string DriverFilePath(const std::string& name);

// Saves a shell link to target at link; false on failure.
bool MakeShortcut(const std::string& target, const std::string& link);
bool ServiceExists(const char* name);
// The service's current state (SERVICE_RUNNING, ...); 0 when it is missing.
DWORD ServiceState(const char* name);
// The uninstaller's command line for the copy in folder, with arguments.
std::string UninstallerCommand(const std::string& folder, const std::string& arguments);
