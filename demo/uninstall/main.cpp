// uninstall.exe: removes Velmora from the computer after the user confirms.
// "/quiet" answers the confirmation with yes and shows no messages, for
// unattended runs. Exit codes: 0 removed; 3010 removed, a restart completes
// the removal of something of the product (its own file, which cannot go
// while it runs, is left to the restart without asking for one); 1602 the user declined; 1605 the product is not installed;
// 1603 some items could not be removed.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/product.h"
#include "engine/running_programs.h"
#include "demo/uninstall/installed_product.h"
#include "demo/uninstall/removal.h"
#include "demo/uninstall/text_ids.h"
#include "demo/uninstall/texts.h"
#include "demo/uninstall/uninstaller.h"
#include "framework/resource_language.h"

namespace {
constexpr size_t kListedFailures = 10;

// COM for the thread's lifetime of this object (shell links are read).
class ComApartment {
 public:
  ComApartment() : m_initialized(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (m_initialized) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool m_initialized;
};

bool HasSwitch(const char* name) {
  for (int i = 1; i < __argc; ++i) {
    if (lstrcmpiA(__argv[i], name) == 0) return true;
  }
  return false;
}

// The folder the uninstaller started in must not be held open, or it could
// not be removed.
void LeaveCurrentFolder() {
  char system[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryA(system);
}

std::string OutcomeText(const std::string& name, const Removal& removal) {
  if (!removal.Failures().empty()) {
    std::string text = FormatText(IDS_REMOVAL_INCOMPLETE, name);
    for (size_t i = 0; i < removal.Failures().size() && i < kListedFailures; ++i) {
      text += "\n" + removal.Failures()[i];
    }
    return text;
  }
  if (removal.RestartNeeded()) {
    return FormatText(IDS_REMOVED_AFTER_RESTART, name);
  }
  return FormatText(IDS_REMOVED, name);
}

std::string NameList(const std::vector<OpenProgram>& programs) {
  std::string names;
  for (const OpenProgram& program : programs) names += "\n" + AfxTextFromSystem(program.name.c_str());
  return names;
}

int ExitCode(const Removal& removal) {
  if (!removal.Failures().empty()) return ERROR_INSTALL_FAILURE;
  if (removal.RestartNeeded()) return ERROR_SUCCESS_REBOOT_REQUIRED;
  return ERROR_SUCCESS;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool quiet = HasSwitch("/quiet");
  LeaveCurrentFolder();

  InstalledProduct installed;
  if (!ReadInstalledProduct(&installed)) {
    if (!quiet) {
      std::string text = FormatText(IDS_NOT_INSTALLED, product::kName);
      std::string caption = FormatText(IDS_UNINSTALL_CAPTION, product::kName);
      AfxShowMessageBox(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    }
    return ERROR_UNKNOWN_PRODUCT;
  }
  // The product speaks the language it was installed in.
  if (installed.language != 0) AfxSetResourceLanguage(static_cast<LANGID>(installed.language));
  const std::string name = installed.displayName.empty() ? product::kName : AfxTextFromSystem(installed.displayName.c_str());
  const std::string caption = FormatText(IDS_UNINSTALL_CAPTION, name);
  // The programs that hold its files are closed before anything is
  // removed; one that stays running keeps its files for the restart.
  const std::string programFolder = ProgramFolder(installed);
  const CRunningPrograms running(ProgramFilePaths(programFolder), programFolder, nullptr);
  const std::vector<OpenProgram> programs = programFolder.empty() ? std::vector<OpenProgram>() : running.Find();
  if (!quiet) {
    std::string question = FormatText(IDS_CONFIRM_REMOVAL, name);
    if (!programs.empty()) question += "\n\n" + FormatText(IDS_PROGRAMS_WILL_CLOSE, name) + "\n" + NameList(programs);
    if (AfxShowMessageBox(nullptr, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES) {
      return ERROR_INSTALL_USEREXIT;
    }
  }

  if (!programs.empty()) running.Close(programs);
  ComApartment com;
  Removal removal;
  char ownFile[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, ownFile, MAX_PATH);
  if (length > 0 && length < MAX_PATH) removal.SetOwnFile(ownFile);
  UninstallProduct(installed, removal);
  if (!quiet) {
    UINT icon = removal.Failures().empty() ? MB_ICONINFORMATION : MB_ICONWARNING;
    AfxShowMessageBox(nullptr, OutcomeText(name, removal).c_str(), caption.c_str(), MB_OK | icon);
  }
  return ExitCode(removal);
}
