#pragma once
// CSetupApp: the one application object. Its InitInstance is the whole run:
// log file, engine, the wizard's pages walked as modal dialogs, and the
// wrap-up of the user's final choices. It holds every value the pages, the
// two workers and the engine share, and it is the engine's owner.

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/pages/page_hosts.h"
#include "app/silent_app_calls.h"
#include "app/single_instance.h"
#include "app/structured_guard.h"
#include "engine/install_owner.h"
#include "engine/installed_product.h"
#include "engine/product_install_engine.h"
#include "framework/afxwin.h"

class CWizardPages;

// The pages the walk shows, by position. The driver builds it from the nine
// real pages; a test may script any CDialog in their place.
struct WizardPageSet {
  // The ready page's position; its summary is built when the walk reaches it.
  static constexpr int kReadyPosition = 5;
  // The position after the progress page: the finish or the restart page.
  static constexpr int kFinishPosition = 7;

  CDialog* sequence[kFinishPosition] = {};  // from the welcome to the progress page
  CDialog* finish = nullptr;                // at the finish position normally
  CDialog* restart = nullptr;               // there when a restart is required
  CString* readySummary = nullptr;          // summary text of the ready page
};

class CSetupApp : public CWinApp,
                  public IInstallOwner,
                  public IPackageOpener,
                  public IInstallStarter,
                  public IProgramCloser {
 public:
  static constexpr int kBackResult = 1000;
  // InitializePackage's result for a package this Windows cannot use, and
  // for a newer version installed; apart from the package store's own
  // statuses.
  static constexpr int kUnsupportedWindowsStatus = -100;
  static constexpr int kNewerInstalledStatus = -101;

  enum class WalkEnd { Finished, Cancelled };

  CSetupApp();
  // Detaches the engine's log writer, closes the log file if still open,
  // then destroys the engine.
  ~CSetupApp() override;

  // The run: the command line, one setup at a time, start-up, then the
  // wizard's walk and wrap-up or the unattended installation; the log's
  // last line names the exit code. Always FALSE: the process ends without a
  // message loop. No exception leaves it: one that nobody expected is
  // logged, the log kept, and the run fails.
  BOOL InitInstance() override;
  // The process exit status: the run's exit code.
  int ExitInstance() override;
  // The exit code the run's outcome selects so far.
  int ExitCode() const;

  // The whole run between the initial flags and the end of the log; may
  // throw, InitInstance catches.
  void RunSetup();
  // Reads the switches of `commandLine` (program name first) into m_options.
  void ReadCommandLine(const char* commandLine);
  // The wizard's language: /lang, else the installed product's, else the
  // one that matches Windows' user interface language; the framework loads
  // its resources in it from now on.
  void ChooseLanguage();
  // The wizard: pages preset from the command line, the walk, the wrap-up.
  void RunWizard();
  // /quiet and /passive: defaults and switches, the package, the
  // installation (the progress page alone for /passive), the restart only
  // with /forcerestart. No box is shown, nothing launched or opened.
  void RunUnattended();
  // The folders and icons given on the command line replace the defaults.
  void ApplyCommandLineChoices();
  // Reads the installed product's registration into m_installed, decides
  // m_secondRun and logs both. A recorded folder that the folder checks
  // refuse counts as not recorded, with a warning line naming it.
  void LearnInstalledProduct();
  // False, after the log line naming the installed folder and the usual
  // box, when /dir or /group names another folder than the installed
  // product's (the run then ends with 1639).
  bool CommandLineKeepsInstalledFolders();
  // Over an installed product: its folders, and its icon choices unless
  // /tasks gave others.
  void ApplyInstalledProduct();
  // True, after the log line and with the outcome and failure flag set,
  // when a newer version is installed; `message` (when given) then names
  // both versions.
  bool RefuseDowngrade(CString* message);
  // One line of the application's own into the log (and kept for a log
  // copy made without a log file).
  void LogLine(const char* message, const char* argument = nullptr);
  // The log's last line (the exit code), the log file closed, and its copy
  // written where /log asked. Once per run.
  void EndLog();
  // An exception nobody expected ended the run: logged, the run failed. A
  // running installation is waited for, however long it takes, so that it
  // finishes or rolls back.
  void ReportUnexpectedFault(const StructuredFault& fault);
  // The installation worker's body run on the calling thread, with the
  // worker's handling of unexpected exceptions.
  void RunInstallationGuarded();

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
  int InitializePackage(CString& message) override;
  // A page's worker could not be created: logged, and the run fails (1603),
  // not a cancel.
  void WorkerNotStarted() override;
  // The store's progress for a package over 50 MB; -1 for a smaller one.
  int PackageProgress() override;
  // Starts the installation worker for the progress page `page`: 0 when it
  // runs, -1 (after message 37; WorkerNotStarted) when it cannot be created.
  int StartInstallWorker(HWND page) override;
  // The installation worker's body: the programs chosen to close closed,
  // the installation with its rollback, then the progress marked complete.
  void RunInstallation();
  // Install on the ready page: the running programs that hold the files the
  // installation replaces, named in a box over `page` (message 74). Yes:
  // they are to be closed; No: left running (logged); Cancel: false, the
  // page stays and nothing changed. True at once when none runs.
  bool ReadyToReplaceFiles(HWND page) override;
  // An unattended run's choice: the running programs found are to be
  // closed, or with /noclose left running (logged).
  void ChooseProgramsToClose();
  // Closes the programs chosen (the engine waits for each and logs what
  // became of it); those that stay running keep their files for the restart.
  void CloseChosenPrograms();
  // The installation worker's last guard, for an exception that escaped the
  // stop or the rollback of a failed installation: message 35, the failure
  // flag, the progress marked complete. No second rollback.
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
  unsigned Language() const override { return m_language; }
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
  // False when the page at position 7 could not be shown: its choices
  // (launch, quick-start page, restart now) were never the user's.
  bool m_finalChoicesShown = true;

  // The command line as the run reads it; the process's own unless a test
  // sets another before InitInstance.
  std::string m_commandLine;
  SetupOptions m_options;
  // The language the wizard speaks (English until ChooseLanguage).
  LANGID m_language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  // Windows' user interface language; 0 until ChooseLanguage asks.
  LANGID m_uiLanguage = 0;
  // What the run's exit code depends on besides the flags above. A refusal
  // of this Windows sets windowsUnsupported (exit code 1633).
  RunOutcome m_outcome;
  // The running programs to close before the first change.
  std::vector<OpenProgram> m_programsToClose;
  // The product an earlier run installed, and what this run does over it.
  InstalledProduct m_installed;
  SecondRun m_secondRun = SecondRun::Installation;
  // The store the welcome page's worker is opening, for the page's progress;
  // set by the worker, so that the page's thread never touches the engine.
  std::atomic<const CPackageFileStore*> m_openingStore{nullptr};

 private:
  // Shows one page; -1 when it could not be shown.
  INT_PTR ShowPage(CDialog& page);
  // Waits for the installation worker (10 s, then terminated) and deletes it.
  void JoinInstallWorker();
  // Waits, however long it takes, for a running installation to finish or
  // roll back, then deletes the worker.
  void AwaitInstallWorker();
  // Target and position 100: the progress page ends at its next tick.
  void MarkProgressComplete();
  // The end of every run: the log file closed if still open, then the
  // engine destroyed (its teardown).
  void EndRun();
  // Closes the log file; the engine's log writer is flushed and dropped
  // first, so nothing reaches the file after it is closed.
  void CloseLogFile();

  // Shows the usage of the command line (/? and /help).
  void ShowUsage();
  // A message box of the wizard's own (caption "Velmora"), not shown in an
  // unattended run.
  void ShowMessage(const CString& text, UINT type);

  CString m_logPath;
  // The silent door of an unattended run. A member, not a local of RunSetup:
  // a fault's jump abandons RunSetup's frame while the installation worker
  // may still answer boxes through it.
  std::unique_ptr<CSilentScope> m_silence;
  CFont m_titleFont;
  CSingleInstance m_singleInstance;
  std::string m_ownLogLines;
  bool m_logEnded = false;
};

// The running application object (AfxGetApp) as a CSetupApp.
CSetupApp* SetupApp();
