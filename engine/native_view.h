#pragma once
// The 64-bit system's own view of the file system, for the 32-bit engine on
// 64-bit Windows. There Windows shows a 32-bit program SysWOW64 wherever it
// names System32; the drivers for the 64-bit kernel must reach the real
// System32\Drivers. Redirection is turned off only around each call on such
// a file and always restored at once, so nothing else the process does
// (loading a library above all) ever sees the other view. Paths keep their
// usual System32 form, which is what the services' image paths and the
// operations left for the next restart must name on a 64-bit system.

#include <windows.h>

#include "engine/system_calls.h"

// Runs `call` in the native view when `native` is true, otherwise as it is.
// When the native view cannot be had, `call` is not made and `failure` comes
// back with the last error of that attempt; otherwise the call's own result
// and last error come back, with the view restored.
template <typename Result, typename Call>
Result InNativeView(bool native, Result failure, Call call) {
  if (!native) return call();
  PVOID previous = nullptr;
  if (!SystemCalls().Wow64DisableWow64FsRedirection(&previous)) return failure;
  const Result result = call();
  const DWORD error = ::GetLastError();
  SystemCalls().Wow64RevertWow64FsRedirection(previous);
  ::SetLastError(error);
  return result;
}
