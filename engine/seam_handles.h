#pragma once
// Handle owners for handles the engine opens through the system-call seam:
// they are closed through the seam too, so a test's seam sees every close.

#include "base/handles.h"
#include "engine/system_calls.h"

struct SeamServiceHandleTraits {
  static SC_HANDLE Invalid() { return nullptr; }
  static void Close(SC_HANDLE handle) { SystemCalls().CloseServiceHandle(handle); }
};
struct SeamRegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { SystemCalls().RegCloseKey(key); }
};
struct SeamServiceLockTraits {
  static SC_LOCK Invalid() { return nullptr; }
  static void Close(SC_LOCK lock) { SystemCalls().UnlockServiceDatabase(lock); }
};

using seam_schandle = unique_res<SC_HANDLE, SeamServiceHandleTraits>;
using seam_hkey = unique_res<HKEY, SeamRegKeyTraits>;
using seam_sclock = unique_res<SC_LOCK, SeamServiceLockTraits>;
