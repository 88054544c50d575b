// The product's installation sequence and its rollback: the fixed order of
// the steps, the progress reports between them and the pauses that let the
// progress page animate. Pauses go through the system-call seam so that tests
// can make them instant.

#include "base/product.h"
#include "engine/product_install_engine.h"
#include "engine/progress_tasks.h"
#include "engine/system_calls.h"

namespace {

constexpr int kStopServicesPercent = 50;

// A pause exists only for the progress page's animation; an engine that
// nobody watches goes straight on.
void Pause(const CProductInstallEngine& engine, DWORD milliseconds) {
  if (!engine.m_skipPauses) SystemCalls().Sleep(milliseconds);
}

}  // namespace

void CProductInstallEngine::StopAfterFailure() {
  m_app->ReportProgress(kStopServicesPercent, TaskStopServices);
  StopServices();
}

void CProductInstallEngine::Install() {
  const std::string destFolder = m_app->DestFolder();

  m_app->ReportProgress(10, TaskCopyingFiles);
  InstallDriverFiles();
  Pause(*this, 200);
  m_app->ReportProgress(20, TaskCopyingFiles);
  CreateDirWithParents(destFolder);
  Pause(*this, 200);
  m_app->ReportProgress(30, TaskCopyingFiles);
  InstallProgramFiles();
  Pause(*this, 200);
  m_app->ReportProgress(70, TaskInstallingDrivers);
  InstallDrivers();

  // While a restart is pending (a replacement deferred, a running driver
  // reconfigured) the control driver is left to its automatic start at the
  // restart, when every new file is in place.
  if (!RestartIsRequired()) {
    m_app->ReportProgress(85, TaskStartingDrivers);
    StartInstalledService(ServiceNameOf(product::kControlDriverFile));
  }
  // A driver stopped to replace its file runs again, from the new file
  // where it was replaced, a restart pending or not.
  ResumeStoppedServices();
  m_app->SetProgressPosition(87);
  m_app->ReportProgress(90, TaskStartMenuItems);
  CreateStartMenuItems();

  // Nothing below throws: the registry entries have no journal records, so
  // they are written only once no rollback can follow.
  RegisterUninstall();
  m_app->ReportProgress(95, TaskFinish);
  DiscardBackups();
  Pause(*this, 1000);
  RegisterDocumentType(product::kDocumentExtension, product::kProgId,
                       destFolder + "\\" + product::kProgramFile, product::kOpenArgument,
                       product::kDocumentIconIndex);
  m_app->ReportProgress(100, TaskFinish);
}

void CProductInstallEngine::Rollback() {
  Pause(*this, 2000);
  m_app->SetProgressPosition(40);

  // Services go first, before any file they use is touched.
  m_app->ReportProgress(35, TaskRemoveServices);
  RemoveInstalledServices();
  Pause(*this, 500);
  m_app->ReportProgress(25, TaskClearRegistry);
  RestoreServiceRegistry();
  Pause(*this, 500);

  // Created files before restores: the temporary file of a deferred
  // replacement must go before its backup is moved back.
  m_app->ReportProgress(15, TaskDeleteFiles);
  RemoveInstallFiles();
  Pause(*this, 500);
  m_app->ReportProgress(10, TaskRestoreFiles);
  RollBackInstallFiles();
  // The restart's operations this run withdrew come back, and a driver it
  // stopped runs again from its restored file.
  RestoreRestartOperations();
  RestoreStoppedServices();
  Pause(*this, 500);

  // Directories last, once their contents are gone.
  m_app->ReportProgress(1, TaskDeleteDirectories);
  RemoveCreatedDirectories();
  Pause(*this, 1000);
  m_app->ReportProgress(100, TaskFinish);
}
