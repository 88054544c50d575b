// Kernel-driver services: create or reconfigure, then start.

#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/service_access.h"

namespace {

// True when the status can be read and says the service is not stopped.
bool IsNotStopped(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  return SystemCalls().QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
}

}  // namespace

int CInstallEngine::InstallDriverService(const std::string& imagePath, const std::string& serviceName,
                                         const std::string& displayName, DWORD startType) {
  if (!m_scm) return 0;
  Log("Install Driver: ", imagePath.c_str());
  ISystemCalls& calls = SystemCalls();

  seam_schandle service(calls.OpenServiceA(m_scm.get(), serviceName.c_str(), kServiceControlAccess));
  if (!service) {
    // Whatever kept the open from succeeding, try to create the service.
    seam_schandle created(calls.CreateServiceA(m_scm.get(), serviceName.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                               SERVICE_KERNEL_DRIVER, startType, SERVICE_ERROR_NORMAL,
                                               imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!created) return 0;
    m_created[serviceName] = KindCreatedService;
    return 1;
  }

  // Someone else holding the lock does not stop the reconfiguration.
  seam_sclock lock(calls.LockServiceDatabase(m_scm.get()));
  CaptureServiceRegistry(serviceName);
  const BOOL changed = calls.ChangeServiceConfigA(service.get(), SERVICE_KERNEL_DRIVER, startType,
                                                  SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, displayName.c_str());
  const DWORD changeError = changed ? ERROR_SUCCESS : ::GetLastError();
  // A loaded driver keeps its old image until the next start.
  if (changed && IsNotStopped(service.get())) RequireRestart();
  lock.reset();
  service.reset();
  // The caller reports the failed reconfiguration's own error, not whatever
  // the unlock or the close left behind.
  if (!changed) ::SetLastError(changeError);
  return changed ? 1 : 0;
}

void CInstallEngine::StartInstalledService(const std::string& serviceName) {
  Log("Start Installed Service: ", serviceName.c_str());
  if (!m_scm) Throw(1967, kModuleEngine, ::GetLastError());
  seam_schandle service(SystemCalls().OpenServiceA(m_scm.get(), serviceName.c_str(), kServiceControlAccess));
  if (!service) Throw(1974, kModuleEngine, ::GetLastError());

  // An older copy of the driver is loaded: the new one starts at the restart.
  if (IsNotStopped(service.get())) RequireRestart();
  // A driver that fails to start does not fail the installation.
  if (!RestartIsRequired()) SystemCalls().StartServiceA(service.get(), 0, nullptr);
  m_startedServices[serviceName] = KindStartedService;
}
