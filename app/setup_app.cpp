// Start-up of the run: flags, log file, engine, rich edit library, title
// font, default folders, and the pages' wiring.

#include "app/setup_app.h"

#include <shlobj.h>

#include <new>

#include "app/app_calls.h"
#include "app/dll_search.h"
#include "app/text_ids.h"
#include "app/wizard_language.h"
#include "app/wizard_pages.h"
#include "app/worker_thread.h"
#include "base/product.h"
#include "framework/resource_language.h"
#include "res/resource.h"

CSetupApp* SetupApp() { return static_cast<CSetupApp*>(AfxGetApp()); }

CSetupApp::CSetupApp() : CWinApp(nullptr) {
  const char* commandLine = ::GetCommandLineA();
  m_commandLine = commandLine ? commandLine : "";
}

CSetupApp::~CSetupApp() { CloseLogFile(); }

namespace {

void RunSetupBody(void* app) { static_cast<CSetupApp*>(app)->RunSetup(); }

}  // namespace

BOOL CSetupApp::InitInstance() {
  // Before anything can load a library by name.
  RestrictDllSearchToSystem();

  SetInitialFlags();
  StructuredFault fault;
  if (!RunWorkerBody(&RunSetupBody, this, &fault)) ReportUnexpectedFault(fault);
  // The pages are gone; nothing may point into them any more.
  m_pProgressTarget = nullptr;
  m_pProgressPos = nullptr;
  m_hProgressWnd = nullptr;
  EndLog();
  EndRun();
  // Only now: a worker that outlived a fault still answered its boxes through it.
  m_silence.reset();
  return FALSE;
}

int CSetupApp::ExitInstance() { return ExitCode(); }

void CSetupApp::EndRun() {
  // Done here rather than in the static destructor: the engine's teardown
  // still calls the system through objects that static destruction may
  // already have ended.
  CloseLogFile();
  m_engine.reset();
  m_singleInstance.Release();
}

void CSetupApp::SetInitialFlags() {
  m_desktopIcon = 1;
  m_quickLaunchIcon = 1;
  m_licenseAccepted = 0;
  m_launchProduct = 1;
  ::InterlockedExchange(&m_restartRequired, 0);
  m_restartPageUsed = 0;
}

void CSetupApp::CreateLogFile() {
  m_logPath.Empty();
  char folder[MAX_PATH] = {};
  UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  CString path = CString(folder) + "\\" + product::kLogFileName;
  if (path.GetLength() >= MAX_PATH) return;
  CloseLogFile();
  m_hLogFile.reset(::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  // A file this run could not open (read-only, held by a log collector) is
  // another run's log: never copied, opened or deleted as this one's.
  if (m_hLogFile) m_logPath = path;
}

BOOL CSetupApp::ConstructEngine() {
  uint32_t failure = 0;
  try {
    m_engine.reset(new CProductInstallEngine(m_hLogFile.get(), this));
    return TRUE;
  } catch (CExceptionEx* exception) {
    failure = exception->m_arg0;
    delete exception;
  } catch (const std::bad_alloc&) {
    failure = ERROR_NOT_ENOUGH_MEMORY;
  }
  RecordStartFailure(failure, &m_outcome);
  AppCalls().AfxMessageBox(MessageText(ConstructionFailureTextId(failure)), MB_ICONERROR);
  return FALSE;
}

void CSetupApp::LoadRichEditLibrary() {
  // Never freed: the license page's control class lives in it.
  LoadSystemLibrary("Riched32.dll");
}

void CSetupApp::CreateTitleFont() {
  m_titleFont.CreateFont(14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, TitleFontCharSet(m_language), 0, 0,
                         ANTIALIASED_QUALITY, 0, TitleFontFace(m_language));
}

void CSetupApp::SetDefaultFolders() {
  char programFiles[MAX_PATH] = {};
  if (::SHGetSpecialFolderPathA(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE)) {
    m_destFolder = CString(programFiles) + "\\" + product::kName;
  }
  m_startMenuFolder = product::kName;
}

void CSetupApp::ConnectPages(CWizardPages& pages) {
  pages.welcome.m_pPackageOpener = this;
  pages.license.m_pLicenseAccepted = &m_licenseAccepted;
  pages.license.m_pStore = m_engine ? &m_engine->Store() : nullptr;
  pages.license.m_pTitleFont = &m_titleFont;
  pages.destination.m_pSetting = &m_destFolder;
  // An upgrade or a repair keeps the installed folders.
  pages.destination.m_readOnly = m_installed.present;
  pages.startMenu.m_readOnly = m_installed.present;
  pages.destination.m_pTitleFont = &m_titleFont;
  pages.startMenu.m_pSetting = &m_startMenuFolder;
  pages.startMenu.m_pTitleFont = &m_titleFont;
  pages.tasks.m_pDesktopIcon = &m_desktopIcon;
  pages.tasks.m_pQuickLaunchIcon = &m_quickLaunchIcon;
  pages.tasks.m_pTitleFont = &m_titleFont;
  pages.ready.m_pTitleFont = &m_titleFont;
  pages.ready.m_pProgramCloser = this;
  pages.progress.m_pTitleFont = &m_titleFont;
  pages.progress.m_pInstallStarter = this;
  pages.finish.m_pLaunchProduct = &m_launchProduct;
  pages.finish.m_pInstallFailed = &m_installFailed;
  pages.finish.m_pOpenQuickStart = &m_openQuickStart;
  pages.restart.m_pRestartRequired = &m_restartRequired;
  pages.restart.m_pInstallFailed = &m_installFailed;
  m_pProgressTarget = &pages.progress.m_target;
  m_pProgressPos = &pages.progress.m_pos;
}

int CSetupApp::PackageProgress() {
  // Smaller packages open within a few seconds: their wait stays as it was.
  constexpr uint32_t kShownFrom = 50u << 20;
  const CPackageFileStore* store = m_openingStore.load();
  if (store == nullptr) return -1;
  uint32_t total = 0;
  const uint32_t percent = store->Progress(&total);
  return total > kShownFrom ? static_cast<int>(percent) : -1;
}

int CSetupApp::InitializePackage(CString& message) {
  if (RefuseDowngrade(&message)) return kNewerInstalledStatus;
  if (m_engine) m_openingStore = &m_engine->Store();
  const int32_t status = m_engine ? m_engine->OpenPackage() : kPackageReadFailed;
  // The last opening counts: Back to the welcome page opens it again.
  m_outcome.packageStatus = status;
  if (status != kPackageOk) {
    message = LoadText(PackageStatusTextId(status));
    return status;
  }
  if (!m_engine->PackageSuitsThisWindows()) {
    // A 64-bit kernel loads no 32-bit driver: installing would leave a
    // product whose drivers never start.
    if (m_engine->RunsOnArm64()) {
      message.Format(IDS_NO_ARM64_DRIVERS, product::kName);
    } else {
      message.Format(IDS_NO_64BIT_DRIVERS, product::kName, product::kName);
    }
    ::InterlockedExchange(&m_unsupportedWindows, 1);
    ::InterlockedExchange(&m_installFailed, 1);
    m_outcome.windowsUnsupported = true;
    return kUnsupportedWindowsStatus;
  }
  return 0;
}

void CSetupApp::BuildSummary(CString& summary) {
  static const char kIndent[] = "\r\n      ";
  static const char kDeepIndent[] = "\r\n            ";
  summary.Empty();
  summary += LoadText(IDS_SUMMARY_DESTINATION) + kIndent + AfxLeftToRightFromSystem(m_destFolder) + "\r\n\r\n";
  summary += LoadText(IDS_SUMMARY_START_MENU) + kIndent + AfxLeftToRightFromSystem(m_startMenuFolder) + "\r\n\r\n";
  if (m_desktopIcon || m_quickLaunchIcon) {
    summary += LoadText(IDS_SUMMARY_TASKS) + kIndent + LoadText(IDS_SUMMARY_ICONS) + kDeepIndent;
    if (m_desktopIcon) summary += LoadText(IDS_SUMMARY_DESKTOP_ICON) + kDeepIndent;
    if (m_quickLaunchIcon) summary += LoadText(IDS_SUMMARY_QUICK_LAUNCH_ICON);
  }
}

void CSetupApp::CloseLogFile() {
  if (!m_hLogFile) return;
  if (m_engine) m_engine->DetachLog();
  m_hLogFile.reset();
}
