#pragma once
// CSetupApp: the one application object. Its InitInstance is the whole run:
// log file, engine, the wizard's pages walked as modal dialogs, and the
// wrap-up of the user's final choices. It holds every value the pages, the
// two workers and the engine share, and it is the engine's owner.

#include <windows.h>

#include <memory>
#include <string>

#include "engine/install_owner.h"
#include "engine/product_install_engine.h"
#include "framework/afxwin.h"

class CWizardPages;

// The pages the walk shows, by position. The driver builds it from the nine
// real pages; a test may script any CDialog in their place.
struct WizardPageSet {
  CDialog* sequence[7] = {};          // positions 0 (welcome) to 6 (progress)
  CDialog* finish = nullptr;          // position 7 normally
  CDialog* restart = nullptr;         // position 7 when a restart is required
  CString* readySummary = nullptr;    // summary text of the page at position 5
};

class CSetupApp : public CWinApp, public IInstallOwner {
 public:
  static constexpr int kReadyPosition = 5;
  static constexpr int kFinishPosition = 7;
  static constexpr int kBackResult = 1000;
  // InitializePackage's result for a package this Windows cannot use; apart
  // from the package store's own statuses.
  static constexpr int kUnsupportedWindowsStatus = -100;

  enum class WalkEnd { Finished, Cancelled };

  CSetupApp();
  // Detaches the engine's log writer, closes the log file if still open,
  // then destroys the engine.
  ~CSetupApp() override;

  // The run: start-up, the walk, the wrap-up. Always FALSE: the process ends
  // without a message loop.
  BOOL InitInstance() override;

  // Start-up steps, in the order InitInstance runs them.
  // The flags' start values (desktop and Quick Launch icon and launch 1).
  void SetInitialFlags();
  // Creates (truncating) the log file in the system directory; without a
  // system directory or on failure the run goes on without a log.
  void CreateLogFile();
  // Constructs the engine over the log file. On its failure shows the message
  // the failure's argument selects (MB_ICONERROR) and returns FALSE.
  BOOL ConstructEngine();
  // The rich edit library of the license page, from the system directory.
  void LoadRichEditLibrary();
  // The shared title font of the interior pages (Arial 14 bold).
  void CreateTitleFont();
  // Destination: Program Files\Velmora (empty without Program Files); Start
  // Menu folder: Velmora.
  void SetDefaultFolders();
  // Hands each page the pointers to the values it edits.
  void ConnectPages(CWizardPages& pages);
  // Shows the pages until the user finishes (position 7 ended) or cancels.
  WalkEnd WalkPages(const WizardPageSet& pages);
  // After Finish: restart, or launch and quick-start page; the title font;
  // the log file closed, then deleted, or opened with message 57 after a
  // failed installation.
  void WrapUp();

  // Fills `summary` with the ready page's summary of the settings.
  void BuildSummary(CString& summary);
  // Opens and unpacks the package through the engine; 0, or the store's
  // status with its message loaded into `message`. A package that cannot
  // install a working product on this Windows (64-bit Windows, no 64-bit
  // drivers) is refused before anything changes: message 59,
  // kUnsupportedWindowsStatus, and the failure flags m_installFailed and
  // m_unsupportedWindows set. Called on the welcome page's worker.
  int InitializePackage(CString& message);
  // Starts the installation worker for the progress page `page`: 0 when it
  // runs, -1 (after message 37) when it cannot be created.
  int StartInstallWorker(HWND page);
  // The installation worker's body: the installation with its rollback, then
  // the progress marked complete.
  void RunInstallation();
  // The installation worker's handler of an unexpected exception: message
  // 35, the failure flag, the progress marked complete. No rollback.
  void ReportInstallException(DWORD code, void* address);
  // Starts the installed product from the destination folder; failures are
  // not reported.
  void LaunchProduct();

  // Full path of the log file; empty when there is none.
  const CString& LogFilePath() const { return m_logPath; }
  HANDLE LogFile() const { return m_hLogFile.get(); }

  // IInstallOwner: the choices and the progress relay (worker thread).
  std::string DestFolder() const override { return m_destFolder.str(); }
  std::string StartMenuFolder() const override { return m_startMenuFolder.str(); }
  int DesktopIcon() const override { return m_desktopIcon; }
  int QuickLaunchIcon() const override { return m_quickLaunchIcon; }
  // Stores the target percentage, then posts the task's text to the
  // progress page.
  void ReportProgress(int percent, int task) override;
  // Moves the progress page's displayed position at once.
  void SetProgressPosition(int position) override;

  // Fields, in order.
  CWinThread* m_pWorkerThread = nullptr;
  volatile LONG* m_pProgressTarget = nullptr;
  volatile LONG* m_pProgressPos = nullptr;
  std::unique_ptr<CProductInstallEngine> m_engine;
  CString m_destFolder;
  CString m_startMenuFolder;
  LONG m_openQuickStart = 0;
  LONG m_desktopIcon = 0;
  LONG m_quickLaunchIcon = 0;
  LONG m_licenseAccepted = 0;
  LONG m_launchProduct = 0;
  volatile LONG m_restartRequired = 0;
  volatile LONG m_installFailed = 0;
  LONG m_restartPageUsed = 0;
  // Set with m_installFailed when the package was refused because this
  // Windows cannot run what it carries (a 64-bit system and no 64-bit
  // drivers); nothing was installed. An unattended run reports it as
  // ERROR_INSTALL_PLATFORM_UNSUPPORTED (1633).
  volatile LONG m_unsupportedWindows = 0;
  HWND m_hProgressWnd = nullptr;
  unique_hfile m_hLogFile;

 private:
  // Shows one page; -1 when it could not be shown.
  INT_PTR ShowPage(CDialog& page);
  // Waits for the installation worker (10 s, then terminated) and deletes it.
  void JoinInstallWorker();
  // Target and position 100: the progress page ends at its next tick.
  void MarkProgressComplete();
  // The end of every run: the log file closed if still open, then the
  // engine destroyed (its teardown).
  void EndRun();
  // Closes the log file; the engine's log writer is flushed and dropped
  // first, so nothing reaches the file after it is closed.
  void CloseLogFile();

  CString m_logPath;
  CFont m_titleFont;
};

// The running application object (AfxGetApp) as a CSetupApp.
CSetupApp* SetupApp();
