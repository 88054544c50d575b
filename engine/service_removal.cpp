// Stopping the started driver and removing the services the installation
// created. Nothing here throws; what cannot be finished now is left to the
// next start of Windows.

#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/service_access.h"

namespace {

constexpr int kStopPollsBeforeError = 40;
constexpr int kStopPollsBeforeDelete = 20;

}  // namespace

bool WaitForStop(SC_HANDLE service, int polls) {
  ISystemCalls& calls = SystemCalls();
  for (int poll = 0; poll < polls; ++poll) {
    calls.Sleep(kStopPollInterval);
    SERVICE_STATUS status = {};
    if (!calls.QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
  }
  return false;
}

bool CInstallEngine::StopInstalledService(const std::string& serviceName) {
  Log("Stop Installed Service: ", serviceName.c_str());
  ISystemCalls& calls = SystemCalls();
  seam_schandle service(calls.OpenServiceA(m_scm.get(), serviceName.c_str(), kServiceControlAccess));
  if (!service) {
    if (::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return true;
    RequireRestart();
    return false;
  }

  SERVICE_STATUS status = {};
  if (calls.QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_STOPPED) return true;
  if (!calls.ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    service.reset();
    RequireRestart();
    return false;
  }
  // A service still running after the wait is left to stop on its own.
  WaitForStop(service.get(), kStopPollsBeforeError);
  return true;
}

void CInstallEngine::RemoveInstalledServices() {
  for (const auto& [name, kind] : m_created) {
    if (kind == KindCreatedService) UninstallService(name);
  }
}

bool CInstallEngine::UninstallService(const std::string& serviceName) {
  Log("Uninstall Service: ", serviceName.c_str());
  ISystemCalls& calls = SystemCalls();
  seam_schandle service(calls.OpenServiceA(m_scm.get(), serviceName.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return false;

  SERVICE_STATUS status = {};
  if (calls.QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
    if (calls.ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
      // Deleted below even if it is still running: Windows removes it once
      // it has stopped.
      WaitForStop(service.get(), kStopPollsBeforeDelete);
    } else {
      Log("Warning: Service can't be stoped!");
      RequireRestart();
    }
  }
  if (!calls.DeleteService(service.get()) && ::GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE) {
    Log("Warning: Service marked for delete!");
    RequireRestart();
  }
  return true;
}
