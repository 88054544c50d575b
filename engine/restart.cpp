// Restarting Windows when changes wait for the next start.

#include "base/handles.h"
#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

DWORD CInstallEngine::RestartSystem() {
  Log("Restart System");
  seam_handle token;
  if (SystemCalls().OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put())) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Without the privilege Windows refuses the request; that is all that
    // would happen, so neither result is examined.
    SystemCalls().LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    SystemCalls().AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    token.reset();
  }
  return SystemCalls().ExitWindowsEx(EWX_REBOOT, 0);
}
