// A run over an installed product: what the uninstall registration says,
// what this run does about it (installation, upgrade, repair, or the
// refusal of a downgrade), and the folders and icons it keeps.

#include <string>

#include "app/folder_checks.h"
#include "app/setup_app.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

// Folder texts as Windows compares them: without regard to case, a final
// backslash left out.
bool SameFolder(const CString& given, const std::string& installed) {
  std::string a = given.str();
  std::string b = installed;
  for (std::string* text : {&a, &b}) {
    if (text->size() > 1 && text->back() == '\\') text->pop_back();
  }
  return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

const char* SecondRunText(SecondRun run) {
  switch (run) {
    case SecondRun::Installation:
      return "This run: installation";
    case SecondRun::Upgrade:
      return "This run: upgrade in place";
    case SecondRun::Repair:
      return "This run: repair in place";
    case SecondRun::Downgrade:
      break;
  }
  return "This run: none, the installed version is newer";
}

}  // namespace

void CSetupApp::LearnInstalledProduct() {
  m_installed = ReadInstalledProduct();
  // Another program, a script or a repair tool may have written the entry: a
  // folder the wizard would refuse is never followed.
  const auto dropRefused = [this](const char* valueName, std::string* folder,
                                  UINT (*problem)(const CString&, UINT)) {
    if (folder->empty() || problem(folder->c_str(), CP_ACP) == 0) return;
    LogLine("Warning: Installed folder refused, not used: ", (std::string(valueName) + " = " + *folder).c_str());
    folder->clear();
  };
  dropRefused("InstallLocation", &m_installed.installLocation, &DestinationFolderProblem);
  dropRefused("StartMenuLocation", &m_installed.startMenuLocation, &StartMenuFolderProblem);
  // Without its folder the product counts as not installed, as when none
  // was recorded.
  m_installed.present = !m_installed.installLocation.empty();
  m_secondRun = PlanSecondRun(m_installed);
  if (!m_installed.present) {
    LogLine("Installed version: none, the product is not installed");
  } else {
    LogLine("Installed version: ",
            m_installed.displayVersion.empty() ? "not recorded (an earlier setup)" : m_installed.displayVersion.c_str());
    LogLine("Installed in: ", m_installed.installLocation.c_str());
  }
  LogLine(SecondRunText(m_secondRun));
}

bool CSetupApp::CommandLineKeepsInstalledFolders() {
  if (!m_installed.present) return true;
  const char* argument = nullptr;
  std::string installedFolder;
  if (m_options.hasDestination && !SameFolder(m_options.destination, m_installed.installLocation)) {
    argument = "/dir";
    installedFolder = m_installed.installLocation;
  } else if (m_options.hasStartMenu && !m_installed.startMenuLocation.empty() &&
             !SameFolder(m_options.startMenu, m_installed.startMenuLocation)) {
    argument = "/group";
    installedFolder = m_installed.startMenuLocation;
  }
  if (!argument) return true;
  m_outcome.commandLineInvalid = true;
  const std::string line = std::string(argument) + ": the product is installed in " + installedFolder;
  LogLine("Error: Invalid command line argument: ", line.c_str());
  CString reason;
  reason.Format(IDS_NOT_INSTALLED_FOLDER, product::kName, installedFolder.c_str());
  CString text;
  text.Format(IDS_BAD_ARGUMENT, argument, reason.c_str());
  ShowMessage(text, MB_OK | MB_ICONERROR);
  return false;
}

void CSetupApp::ApplyInstalledProduct() {
  if (!m_installed.present) return;
  // The product is upgraded or repaired where it is.
  m_destFolder = m_installed.installLocation.c_str();
  if (!m_installed.startMenuLocation.empty()) m_startMenuFolder = m_installed.startMenuLocation.c_str();
  if (m_installed.hasTasks && !m_options.hasTasks) {
    m_desktopIcon = m_installed.desktopIcon;
    m_quickLaunchIcon = m_installed.quickLaunchIcon;
  }
}

bool CSetupApp::RefuseDowngrade(CString* message) {
  if (m_secondRun != SecondRun::Downgrade) return false;
  LogLine("Error: A newer version is installed: ", m_installed.displayVersion.c_str());
  m_outcome.newerInstalled = true;
  ::InterlockedExchange(&m_installFailed, 1);
  if (message) {
    message->Format(IDS_NEWER_INSTALLED, product::kName, m_installed.displayVersion.c_str(), product::kVersion);
  }
  return true;
}
