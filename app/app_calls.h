#pragma once
// The setup application's own door to the shell, to processes and to
// message boxes. Production forwards every call to Win32 unchanged; tests
// install a recording implementation so that no box waits for a user and no
// program or document is really opened. The engine has its own seam
// (engine/system_calls.h).

#include <windows.h>
#include <shlobj.h>

#include "framework/win_thread.h"

class IAppCalls {
 public:
  virtual ~IAppCalls() = default;

  // MessageBoxA; the button pressed.
  virtual int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = 0;
  // The framework's AfxMessageBox: the application title as caption.
  virtual int AfxMessageBox(LPCSTR text, UINT type) = 0;
  virtual HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                  INT show) = 0;
  virtual BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                              LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags,
                              LPVOID environment, LPCSTR directory, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION process) = 0;
  // The shell's folder browser; the chosen item list (the caller frees it
  // with the shell allocator) or null when the user cancelled.
  virtual LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) = 0;
  // AfxBeginThread for a worker: normal priority, default stack, suspended;
  // null with the last error when the thread cannot be created.
  virtual CWinThread* BeginWorkerThread(AFX_THREADPROC procedure, LPVOID parameter);
  // SystemParametersInfoA (the pages ask it whether high contrast is on).
  virtual BOOL SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT winIni);
  // Gives `control` the accessible name `name` through the accessibility
  // interface's dynamic annotation (IAccPropServices::SetHwndPropStr,
  // PROPID_ACC_NAME), without changing what the control shows.
  virtual void SetAccessibleName(HWND control, LPCSTR name);
  // GetUserDefaultUILanguage: the language the user reads Windows in.
  virtual LANGID GetUserDefaultUILanguage();
  // The language of the texts given to MessageBoxA: the wizard's, where
  // the user reads them.
  virtual LANGID MessageLanguage();
};

// The implementation that forwards to Win32.
IAppCalls& RealAppCalls();
// The implementation the application uses now.
IAppCalls& AppCalls();
// Installs an implementation (not owned); null restores the real one.
void SetAppCalls(IAppCalls* calls);
