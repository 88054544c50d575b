// A running service of the product whose file this run replaces: stopped
// before the replacement, so that the new file is in place at once, and
// started again afterwards (or after the rollback, with the old file).

#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/service_access.h"

namespace {

// 30 seconds, then the service is left to stop on its own.
constexpr int kStopPollsBeforeReplacement = 60;

}  // namespace

void CInstallEngine::StopForReplacement(const std::string& serviceName) {
  ISystemCalls& calls = SystemCalls();
  seam_schandle service(calls.OpenServiceA(m_scm.get(), serviceName.c_str(), kServiceControlAccess));
  if (!service) return;
  SERVICE_STATUS status = {};
  if (!calls.QueryServiceStatus(service.get(), &status) || status.dwCurrentState == SERVICE_STOPPED) return;

  Log("Stop Installed Service: ", serviceName.c_str());
  if (!calls.ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    // The loaded driver keeps its file: the replacement waits for the restart.
    Log("Warning: Service can't be stoped!");
    RequireRestart();
    return;
  }
  // Asked to stop, it will run no more until started: recorded at once.
  m_stoppedServices.insert(serviceName);
  if (!WaitForStop(service.get(), kStopPollsBeforeReplacement)) {
    Log("Warning: Service did not stop within 30 seconds: ", serviceName.c_str());
    RequireRestart();
  }
}

void CInstallEngine::StartStoppedService(const std::string& serviceName) {
  Log("Start Installed Service: ", serviceName.c_str());
  ISystemCalls& calls = SystemCalls();
  seam_schandle service(calls.OpenServiceA(m_scm.get(), serviceName.c_str(), kServiceControlAccess));
  if (service) calls.StartServiceA(service.get(), 0, nullptr);
}

void CInstallEngine::ResumeStoppedServices() {
  for (const std::string& name : m_stoppedServices) {
    if (m_startedServices.count(name) != 0) continue;
    // A driver that fails to start does not fail the installation.
    StartStoppedService(name);
    m_startedServices[name] = KindStartedService;
  }
}

void CInstallEngine::RestoreStoppedServices() {
  // Each runs again as the run found it, from the file the rollback put back.
  for (const std::string& name : m_stoppedServices) StartStoppedService(name);
}
