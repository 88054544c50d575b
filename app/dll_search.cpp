#include "app/dll_search.h"

bool RestrictDllSearchToSystem() {
  // Looked up at run time: older systems lack the call, and linking it
  // directly would keep the setup from starting there at all.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (!kernel) return false;
  auto setDefault =
      reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (!setDefault) return false;
  return setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}
