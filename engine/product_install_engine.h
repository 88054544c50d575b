#pragma once
// The product's installation: its file names, folders, services and registry
// entries, the installation sequence and the rollback sequence. Reads the
// user's choices from its owner and reports progress to it.

#include <vector>

#include "engine/install_engine.h"
#include "engine/install_owner.h"
#include "engine/running_programs.h"

class CProductInstallEngine : public CInstallEngine {
 public:
  static constexpr uint16_t kModuleProduct = 1;

  // A driver's service name: its file name cut before the first ".".
  static std::string ServiceNameOf(const std::string& driverFile);

  CProductInstallEngine(HANDLE hLogFile, IInstallOwner* owner);

  // False, after an error line in the log, when this is 64-bit Windows and
  // the opened package lacks the 64-bit drivers, or Windows for ARM64, for
  // which no package has drivers: such a package must not install anything
  // here. True otherwise.
  bool PackageSuitsThisWindows();
  // The package entries of the two drivers this Windows loads.
  std::vector<const char*> DriverEntries();
  // KB of the files the installation puts on the disk, drivers included,
  // from the sizes the package's index records.
  uint32_t InstalledSizeKb();
  // The longest path the installation writes below the destination folder
  // and below the Start Menu folder, counted from the folder's end (the
  // backslash included): a program file's or a shortcut's backup copy. The
  // folders' length limits follow from them.
  static size_t LongestPathInDestination();
  static size_t LongestPathInStartMenu();

  // The programs that hold the program files this run replaces in the
  // destination folder, or run from that folder; each logged. Never throws.
  std::vector<OpenProgram> FindRunningPrograms();
  // Asks them to close and waits for them (CRunningPrograms::Close); the
  // files of one that stays running wait for the restart, as any file in
  // use. Never throws.
  void CloseRunningPrograms(const std::vector<OpenProgram>& programs);
  // Logs them as left running, their files waiting for the restart.
  void KeepRunningPrograms(const std::vector<OpenProgram>& programs);

  // Product steps; each throws CExceptionEx. On 64-bit Windows
  // InstallDriverFiles takes the package's 64-bit drivers; on ARM64 it
  // refuses (code 97).
  void InstallDriverFiles();
  void InstallDrivers();
  void InstallProgramFiles();
  void CreateStartMenuItems();
  void RegisterUninstall();

  // The whole installation; throws CExceptionEx with the journal holding
  // everything done so far.
  void Install();
  // Stops the control driver when this run started it; never throws.
  void StopServices();
  // The stop after a failed installation: the progress at the stop-services
  // task, then StopServices; never throws.
  void StopAfterFailure();
  // Undoes the journal in its fixed order, driving the progress backwards;
  // never throws.
  void Rollback();

  IInstallOwner* m_app;
  // True when no progress page shows the run: the installation and the
  // rollback then skip the pauses that only animate the page.
  bool m_skipPauses = false;

 private:
  // The finder and closer over the destination folder and its program files.
  CRunningPrograms RunningPrograms();
};
