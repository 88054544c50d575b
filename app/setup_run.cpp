// The run as a whole: the command line, one setup at a time, the wizard or
// the unattended installation, the exit code and the end of the log.

#include <memory>
#include <string>

#include "app/app_calls.h"
#include "app/folder_checks.h"
#include "app/setup_app.h"
#include "app/silent_app_calls.h"
#include "app/text_ids.h"
#include "app/wizard_language.h"
#include "app/wizard_pages.h"
#include "base/product.h"
#include "framework/resource_language.h"
#include "log/install_log.h"
#include "package/package_status.h"
#include "res/resource.h"

namespace {

// By hand: the runtime's snprintf would bring its whole C99 formatter into
// the setup for this one number.
std::string Hex(uint32_t value) {
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += "0123456789abcdef"[(value >> shift) & 0xF];
  return text;
}

// The arguments after the program's name as the run read them, one
// separated from the next by a blank; one that holds a blank in quotes.
std::string ArgumentsText(const std::string& commandLine) {
  const std::vector<std::string> arguments = SplitCommandLine(commandLine.c_str());
  std::string text;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const bool blank = arguments[i].find_first_of(" \t") != std::string::npos;
    text += (i > 1 ? " " : "") + (blank ? "\"" + arguments[i] + "\"" : arguments[i]);
  }
  return text;
}

bool IsInstalledCode(int code) {
  return code == exit_code::kInstalled || code == exit_code::kRestartNeeded || code == exit_code::kRestartStarted;
}

}  // namespace

void CSetupApp::ReadCommandLine(const char* commandLine) {
  std::vector<std::string> arguments = SplitCommandLine(commandLine);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  m_options = ReadSetupOptions(arguments);
}

void CSetupApp::RunSetup() {
  ReadCommandLine(m_commandLine.c_str());
  ChooseLanguage();
  // Help with a wrong switch is a wrong command line; in an unattended run
  // the usage goes to the log, where a box would wait for nobody.
  if (m_options.help && m_options.Valid() && !m_options.Unattended()) {
    ShowUsage();
    return;
  }
  m_silence = std::make_unique<CSilentScope>(m_options.Unattended(), [this](const char* message,
                                                                            const char* argument) {
    LogLine(message, argument);
  });
  // Before the log file: a second copy must not truncate the log of the
  // copy that is running.
  if (!m_singleInstance.Acquire()) {
    m_outcome.anotherRunning = true;
    LogLine("Error: Another copy of the setup is running");
    CString text;
    text.Format(IDS_ALREADY_RUNNING, product::kName);
    ShowMessage(text, MB_OK | MB_ICONWARNING);
    return;
  }
  CreateLogFile();
  const std::string arguments = ArgumentsText(m_commandLine);
  if (!arguments.empty()) LogLine("Command line: ", arguments.c_str());
  if (!m_options.Valid()) {
    m_outcome.commandLineInvalid = true;
    const std::string why = m_options.invalidArgument.str() + ": " + m_options.invalidReason.str();
    LogLine("Error: Invalid command line argument: ", why.c_str());
    CString text;
    text.Format(IDS_BAD_ARGUMENT, m_options.invalidArgument.c_str(), m_options.invalidReason.c_str());
    ShowMessage(text, MB_OK | MB_ICONERROR);
    return;
  }
  if (m_options.help) {
    ShowUsage();
    return;
  }
  if (!ConstructEngine()) return;
  LearnInstalledProduct();
  ChooseLanguage();
  if (!CommandLineKeepsInstalledFolders()) return;
  if (m_options.Unattended()) {
    RunUnattended();
  } else {
    RunWizard();
  }
}

void CSetupApp::ChooseLanguage() {
  if (m_options.language != 0) {
    m_language = m_options.language;
  } else if (const LANGID installed = KnownLanguage(static_cast<LANGID>(m_installed.language))) {
    m_language = installed;
  } else {
    // Asked once, at the first choice, before an unattended run's silent
    // door replaces the application's.
    if (m_uiLanguage == 0) m_uiLanguage = AppCalls().GetUserDefaultUILanguage();
    m_language = LanguageForUiLanguage(m_uiLanguage);
  }
  AfxSetResourceLanguage(m_language, &InflateLanguagePack);
}

void CSetupApp::RunWizard() {
  LoadRichEditLibrary();
  CreateTitleFont();
  auto pages = std::make_unique<CWizardPages>();
  SetDefaultFolders();
  ApplyCommandLineChoices();
  ApplyInstalledProduct();
  ConnectPages(*pages);
  if (WalkPages(pages->Set()) == WalkEnd::Finished) {
    WrapUp();
  } else {
    m_outcome.cancelled = true;
    m_titleFont.DeleteObject();
  }
}

void CSetupApp::RunUnattended() {
  // Whoever starts an unattended run accepts the license; nothing is
  // launched or opened at its end.
  m_licenseAccepted = 1;
  m_launchProduct = 0;
  m_openQuickStart = 0;
  SetDefaultFolders();
  ApplyCommandLineChoices();
  ApplyInstalledProduct();
  // Refused before anything changes; nobody is there to read why.
  if (RefuseDowngrade(nullptr)) return;
  if (const UINT problem = DestinationFolderProblem(m_destFolder)) {
    LogLine("Error: Destination folder: ", FolderProblemText(problem, m_destFolder, kEnglishLanguage).c_str());
    m_outcome.startFailed = true;
    return;
  }
  const int32_t status = m_engine->OpenPackage();
  m_outcome.packageStatus = status;
  if (status != kPackageOk) {
    CString text;
    text.Format(LogText(PackageStatusTextId(status)).c_str(), product::kName);
    LogLine("Error: Installation package: ", text.c_str());
    return;
  }
  if (!m_engine->PackageSuitsThisWindows()) {
    // Refused before anything changes: no driver a 64-bit kernel cannot
    // load is ever installed.
    ::InterlockedExchange(&m_unsupportedWindows, 1);
    m_outcome.windowsUnsupported = true;
    return;
  }
  ChooseProgramsToClose();
  if (m_options.mode == RunMode::Quiet) {
    // Nobody watches: the pauses that animate the progress page go.
    m_engine->m_skipPauses = true;
    RunInstallationGuarded();
  } else {
    CreateTitleFont();
    {
      auto pages = std::make_unique<CWizardPages>();
      ConnectPages(*pages);
      const INT_PTR result = ShowPage(pages->progress);
      const bool installationStarted = m_pWorkerThread != nullptr;
      // A started installation finishes (or rolls back), whatever became of
      // its page: ending it midway would leave a half-installed system.
      AwaitInstallWorker();
      if (result != IDOK && !installationStarted) {
        LogLine("Error: The progress page ended without the installation");
        m_outcome.unexpectedFailure = true;
      }
      m_pProgressTarget = nullptr;
      m_pProgressPos = nullptr;
      m_hProgressWnd = nullptr;
    }
    m_titleFont.DeleteObject();
  }
  const bool restartNeeded = ::InterlockedCompareExchange(&m_restartRequired, 0, 0) != 0;
  if (restartNeeded && m_options.restart == RestartChoice::Force && !m_installFailed) {
    m_outcome.restartStarted = m_engine->RestartSystem() != 0;
  }
  EndLog();
  // The system directory's log keeps the wizard's rules: gone after an
  // installation, kept after anything else.
  if (IsInstalledCode(ExitCode()) && !m_logPath.IsEmpty()) ::DeleteFileA(m_logPath);
}

void CSetupApp::ApplyCommandLineChoices() {
  if (m_options.hasDestination) m_destFolder = m_options.destination;
  if (m_options.hasStartMenu) m_startMenuFolder = m_options.startMenu;
  if (m_options.hasTasks) {
    m_desktopIcon = m_options.desktopIcon ? 1 : 0;
    m_quickLaunchIcon = m_options.quickLaunchIcon ? 1 : 0;
  }
}

int CSetupApp::ExitCode() const {
  RunOutcome outcome = m_outcome;
  outcome.installFailed = m_installFailed != 0;
  // The restart page's "later" clears the flag; the need stays.
  outcome.restartRequired = m_restartPageUsed != 0 || m_restartRequired != 0;
  return ExitCodeFor(outcome);
}

void CSetupApp::LogLine(const char* message, const char* argument) {
  m_ownLogLines += message;
  if (argument) m_ownLogLines += argument;
  m_ownLogLines += "\r\n";
  if (!m_hLogFile) return;
  // The engine's writer may be gone (or never made); the file is the same.
  CInstallLog(m_hLogFile.get()).WriteLine(message, argument);
}

void CSetupApp::EndLog() {
  if (m_logEnded) return;
  m_logEnded = true;
  LogLine("Exit code: ", std::to_string(ExitCode()).c_str());
  CloseLogFile();
  if (m_options.logCopy.IsEmpty()) return;
  if (!m_logPath.IsEmpty() && ::CopyFileA(m_logPath, m_options.logCopy, FALSE)) return;
  // No log file of this run (another copy's is not ours to copy): the copy
  // holds this run's own lines.
  unique_hfile copy(::CreateFileA(m_options.logCopy, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!copy) return;
  DWORD written = 0;
  ::WriteFile(copy.get(), m_ownLogLines.data(), static_cast<DWORD>(m_ownLogLines.size()), &written, nullptr);
}

void CSetupApp::ReportUnexpectedFault(const StructuredFault& fault) {
  m_outcome.unexpectedFailure = true;
  const std::string text = Hex(fault.code) + " at " + Hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(fault.address)));
  LogLine("Error: Unexpected exception: ", text.c_str());
  // A worker may still be running the installation; it finishes (or rolls
  // back) first, however long that takes: ended midway it would leave a
  // half-installed system.
  AwaitInstallWorker();
  m_titleFont.DeleteObject();
}

void CSetupApp::ShowUsage() {
  CString text;
  text.Format(MessageText(IDS_USAGE).c_str(), (std::string(m_pszExeName ? m_pszExeName : "setup") + ".exe").c_str());
  AppCalls().MessageBoxA(nullptr, text, product::kName, MB_OK | MB_ICONINFORMATION);
}

void CSetupApp::ShowMessage(const CString& text, UINT type) {
  // The log already says why; nobody is there to read a box.
  if (m_options.Unattended()) return;
  AppCalls().MessageBoxA(nullptr, text, product::kName, type);
}
