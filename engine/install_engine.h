#pragma once
// The installation engine: the one object that changes the system. It owns
// the package store and the log writer, holds the service control manager
// and the journal, and offers the primitive actions. Every primitive logs
// one line, then acts, then records in the journal what it changed, so that
// a failure at any later point can be undone. Failures are thrown as
// CExceptionEx*; undo steps never throw.
//
// The implementation is split by concern:
//   engine_core.cpp       construction, teardown, Log, IsAdministrator, OpenPackage
//   files.cpp             MakeTempName, BackupFile, InstallFile
//   native_folder.cpp     RunsOn64BitWindows, RunsOnArm64, UseNativeView, InNativeFolder
//   shortcuts.cpp         CreateDir, CreateDirWithParents, PathExists, CreateShortcut, CreateUrlShortcut, RecordCreatedFile
//   services.cpp          InstallDriverService, StartInstalledService
//   service_removal.cpp   StopInstalledService, RemoveInstalledServices, UninstallService
//   service_restart.cpp   StopForReplacement, StartStoppedService, ResumeStoppedServices,
//                         RestoreStoppedServices
//   service_registry.cpp  CaptureServiceRegistry, RestoreServiceRegistry
//   registry_entries.cpp  WriteUninstallValues, RegisterDocumentType
//   installed_product.cpp ReadInstalledProduct, CompareVersions (free functions)
//   file_undo.cpp         RemoveInstallFiles, RollBackInstallFiles, RemoveCreatedDirectories, DiscardBackups
//   pending_renames.cpp   CancelPendingReplacement, WithdrawRestartOperations, RestoreRestartOperations,
//                         DiscardStagedCopies
//   restart.cpp           RestartSystem

#include <windows.h>
#include <winsvc.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/seam_handles.h"
#include "log/install_log.h"
#include "package/package_file_store.h"

class CFileContent;

// The engine's only exception; created with new, thrown as a pointer, deleted
// by whoever catches it.
class CExceptionEx {
 public:
  CExceptionEx(uint16_t code, uint16_t module, uint32_t arg0) : m_code(code), m_module(module), m_arg0(arg0) {}

  uint16_t m_code;    // the failing place's fixed number
  uint16_t m_module;  // 19: primitives and initialization; 1: product steps
  uint32_t m_arg0;    // as a rule GetLastError() at the failing place
};

enum JournalKind : uint32_t {
  KindDirectory = 0,
  KindFile = 1,
  KindStartedService = 3,
  KindCreatedService = 4,
};

// The uninstall registration's values after the first four: what the list
// of programs and package managers show and use.
struct UninstallDetails {
  std::string version;          // DisplayVersion; VersionMajor/VersionMinor from its parts
  std::string publisher;        // Publisher
  std::string programFileName;  // DisplayIcon: this file of the install location, icon 0
  uint32_t estimatedSizeKb = 0; // EstimatedSize
  std::string installDate;      // InstallDate, yyyymmdd
  std::string aboutUrl;         // URLInfoAbout
  int desktopIcon = 0;          // the run's icon choices, values of our own
  int quickLaunchIcon = 0;
  unsigned language = 0;        // Language: the LANGID the product was installed in
};

// An operation of the next restart that this run took out of the list
// because it would have undone what the run writes.
struct WithdrawnOperation {
  std::string path;        // the product's file or folder it concerned
  size_t index = 0;        // its place among the pairs when taken out
  std::string pair;        // its bytes, exactly as the list held them
  std::string stagedCopy;  // the file it would have moved over path; empty for a deletion
};

// One value of a service's registry key, as read before a reconfiguration.
struct CapturedValue {
  std::string name;
  uint32_t type = 0;
  std::string data;  // exactly the bytes the registry returned
};

class CInstallEngine {
 public:
  static constexpr uint16_t kModuleEngine = 19;
  static constexpr const char* kRebootWarning = "Warning: === Reboot required to complete operation ===";

  // Initialization: log writer, administrator check, service manager, empty
  // package store, RunOnce key. Throws CExceptionEx (codes 49, 61, 70, 99, 105).
  explicit CInstallEngine(HANDLE hLogFile);
  // Teardown: releases the journal without touching any file, closes the
  // service manager, destroys the log writer, then the store.
  virtual ~CInstallEngine();

  CInstallEngine(const CInstallEngine&) = delete;
  CInstallEngine& operator=(const CInstallEngine&) = delete;

  // Opens and parses the package of the running executable; the store's status.
  int32_t OpenPackage();
  // One log line: label, then the argument when not null.
  void Log(const char* label, const char* argument = nullptr);
  bool IsAdministrator();
  const CPackageFileStore& Store() const { return *m_store; }
  CPackageFileStore& Store() { return *m_store; }

  // Files with backup. A backup copy's path is its file's with "_", eight
  // digits and ".tmp" added (kTempNameExtra characters).
  static constexpr int kTempNameDigits = 8;
  static constexpr size_t kTempNameExtra = 1 + kTempNameDigits + 4;
  std::string MakeTempName(const std::string& fileName, const std::string& folder);
  void BackupFile(const std::string& fileName, const std::string& folder);
  void InstallFile(const std::string& fileName, const std::string& folder, const uint8_t* content, uint32_t size);
  // The same for a package entry of the store, kept in memory or not.
  void InstallFile(const std::string& fileName, const std::string& folder, const CPackageFileStore::Entry& entry);

  // Directories and shortcuts.
  void CreateDir(const std::string& path);
  // CreateDir for each missing parent of `path` below its drive or share,
  // outermost first, then for `path` itself; throws what CreateDir throws.
  void CreateDirWithParents(const std::string& path);
  // True when something (a file or a folder) has that path.
  static bool PathExists(const std::string& path);
  void CreateShortcut(const std::string& targetFile, const std::string& targetFolder, const std::string& shortcutFolder,
                      const char* shortcutName, const char* arguments);
  void CreateUrlShortcut(const std::string& fileName, const std::string& folder, const std::string& url);
  void RecordCreatedFile(const std::string& path);

  // Kernel-driver services. InstallDriverService returns nonzero on success
  // and does not throw.
  int InstallDriverService(const std::string& imagePath, const std::string& serviceName,
                           const std::string& displayName, DWORD startType);
  void StartInstalledService(const std::string& serviceName);

  // Registry entries; neither throws nor logs. The uninstall key gets its
  // four values, then, with `details`, the others (QuietUninstallString,
  // NoModify and NoRepair among them), each write's failure ignored.
  void WriteUninstallValues(const std::string& keyName, const std::string& installLocation,
                            const std::string& startMenuLocation, const std::string& uninstallerFileName,
                            const std::string& displayName, const UninstallDetails* details = nullptr);
  int RegisterDocumentType(const std::string& extension, const std::string& progId, const std::string& programPath,
                           const std::string& commandArgument, int iconIndex);

  // Stops the service when it runs, so that its file can be replaced now,
  // and records it in m_stoppedServices. One that refuses the stop or is
  // not stopped within 30 seconds is logged and left to the restart
  // (restart flag), as its file then is. Never throws.
  void StopForReplacement(const std::string& serviceName);
  // Starts a service this run stopped; one that does not start is left as
  // it is. Never throws.
  void StartStoppedService(const std::string& serviceName);
  // Starts each service this run stopped and has not started since,
  // recording it as started. Never throws.
  void ResumeStoppedServices();
  // Rollback: starts every service this run stopped. Never throws.
  void RestoreStoppedServices();

  // Service stop and removal; never throw.
  bool StopInstalledService(const std::string& serviceName);
  void RemoveInstalledServices();
  bool UninstallService(const std::string& serviceName);

  // File and directory undo; never throw.
  void RemoveInstallFiles();
  void RollBackInstallFiles();
  void RemoveCreatedDirectories();
  void DiscardBackups();
  // Withdraws the replacement of `target` by `temporary` that the
  // installation handed to the next restart; other pending work stays.
  // Never throws; a request that cannot be withdrawn stays.
  void CancelPendingReplacement(const std::string& temporary, const std::string& target);
  // Takes out of the restart's list every operation that would delete
  // `path` or move another file over it (an uninstaller's deletion, an
  // earlier run's staged replacement), recording each in
  // m_withdrawnOperations. Throws CExceptionEx (566) when the list cannot
  // be written.
  void WithdrawRestartOperations(const std::string& path);
  // Rollback: puts every withdrawn operation back where it stood. Never throws.
  void RestoreRestartOperations();
  // After success: deletes the staged copies of the withdrawn replacements
  // and forgets the withdrawals. Never throws.
  void DiscardStagedCopies();

  // Service registry capture and restore; never throw.
  void CaptureServiceRegistry(const std::string& serviceName);
  void RestoreServiceRegistry();

  // Asks Windows to restart; the result of ExitWindowsEx.
  DWORD RestartSystem();

  // Makes `flag` the restart flag that RequireRestart sets; the application
  // reads it on its main thread.
  void ShareRestartFlag(volatile LONG* flag) { m_pRestartRequired = flag; }
  // Stores 1 through m_pRestartRequired and logs the reboot warning.
  void RequireRestart();
  // Flushes and drops the log writer: nothing the engine does afterwards
  // reaches the log file, which its owner may then close.
  void DetachLog() { m_log.reset(); }
  // The flag is shared with the application's main thread: read atomically.
  bool RestartIsRequired() const {
    return m_pRestartRequired != nullptr && ::InterlockedCompareExchange(m_pRestartRequired, 0, 0) != 0;
  }

  // True on 64-bit Windows (this 32-bit program runs under WOW64), as
  // IsWow64Process tells; false when the system cannot tell.
  bool RunsOn64BitWindows();
  // True on Windows for ARM64 processors (where IsWow64Process answers TRUE
  // for this program too), as IsWow64Process2 tells; false where the system
  // has no such call.
  bool RunsOnArm64();
  // Makes every later file call of the engine on a path inside `folder`
  // (its files, their backups and temporary files, the undo of all of them)
  // go to the 64-bit system's own view of it; for the native Drivers folder
  // of 64-bit Windows.
  void UseNativeView(const std::string& folder);
  // True when path lies inside the folder given to UseNativeView.
  bool InNativeFolder(const std::string& path) const;

  // Throws new CExceptionEx(code, module, arg0).
  [[noreturn]] static void Throw(uint16_t code, uint16_t module, uint32_t arg0);

  // Fields, in order. Public so that the owner and the tests can read them.
  volatile LONG* m_pRestartRequired = nullptr;
  std::unique_ptr<CPackageFileStore> m_store;
  std::unique_ptr<CInstallLog> m_log;
  std::map<std::string, JournalKind> m_created;
  std::map<std::string, JournalKind> m_startedServices;
  std::map<std::string, std::string> m_backups;
  std::map<std::string, std::list<CapturedValue>> m_serviceCapture;
  seam_schandle m_scm;
  // The folder of UseNativeView; empty on 32-bit Windows.
  std::string m_nativeFolder;
  // Replacements handed to the next restart: temporary file -> target.
  std::map<std::string, std::string> m_pendingReplacements;
  // Running services this run stopped to replace their files; each runs
  // again at the end of the run, or after its rollback.
  std::set<std::string> m_stoppedServices;
  // The restart's operations this run withdrew, in the order it did.
  std::vector<WithdrawnOperation> m_withdrawnOperations;

 private:
  // Creates HKLM\...\CurrentVersion\RunOnce when missing (logged); writes no
  // value and ignores failures.
  void EnsureRunOnceKey();
  // Both forms of InstallFile: backup, open, write, and the in-use branch.
  void InstallContent(const std::string& fileName, const std::string& folder, const CFileContent& content);
  // The in-use branch of InstallFile: writes the content to a temporary file
  // beside the target and schedules the move for the next restart.
  void InstallAtRestart(const std::string& fileName, const std::string& folder, const CFileContent& content);
  // Takes back the backup of `target` just taken, when the target turned
  // out not to be replaceable: deletes the copy and puts back the entry
  // `earlier` held (none when empty). A copy that cannot be deleted stays
  // recorded.
  void DropBackup(const std::string& target, const std::string& earlier);
};
