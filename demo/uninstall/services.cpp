#include "demo/uninstall/services.h"

#include "base/handles.h"
#include "demo/uninstall/text_ids.h"
#include "demo/uninstall/texts.h"

namespace {
constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kPollIntervalMs = 100;

// True once the service reports SERVICE_STOPPED, within the timeout.
bool WaitUntilStopped(SC_HANDLE service) {
  DWORD waited = 0;
  for (;;) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (waited >= kStopTimeoutMs) return false;
    Sleep(kPollIntervalMs);
    waited += kPollIntervalMs;
  }
}

bool Stop(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service, &status)) return false;
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  if (status.dwCurrentState != SERVICE_STOP_PENDING && !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    if (GetLastError() == ERROR_SERVICE_NOT_ACTIVE) return true;
    return false;
  }
  return WaitUntilStopped(service);
}
}  // namespace

void StopAndDeleteService(SC_HANDLE manager, const char* name, Removal& removal) {
  unique_schandle service(OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!service) {
    if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) removal.NoteFailure(FormatText(IDS_FAILED_SERVICE, name));
    return;
  }
  bool stopped = Stop(service.get());
  if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
    removal.NoteFailure(FormatText(IDS_FAILED_SERVICE, name));
    return;
  }
  if (!stopped) removal.NoteRestartNeeded();
}
