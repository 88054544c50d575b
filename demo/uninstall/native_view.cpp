#include "demo/uninstall/native_view.h"

namespace {
// A kernel32 export, or null on a Windows without it (32-bit Windows XP
// before SP2 has no IsWow64Process, and no 32-bit Windows needs any of them).
template <typename Function>
Function Kernel32Export(const char* name) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  return kernel32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)))
                             : nullptr;
}

bool RunsOn64BitWindows() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = Kernel32Export<IsWow64ProcessFunction>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
}  // namespace

NativeFileView::NativeFileView() {
  if (!RunsOn64BitWindows()) return;
  using DisableFunction = BOOL(WINAPI*)(PVOID*);
  auto disable = Kernel32Export<DisableFunction>("Wow64DisableWow64FsRedirection");
  m_turnedOff = disable != nullptr && disable(&m_previous);
}

NativeFileView::~NativeFileView() {
  if (!m_turnedOff) return;
  using RevertFunction = BOOL(WINAPI*)(PVOID);
  auto revert = Kernel32Export<RevertFunction>("Wow64RevertWow64FsRedirection");
  if (revert != nullptr) revert(m_previous);
}
