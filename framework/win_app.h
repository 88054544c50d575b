#pragma once
// CWinApp: the one application object. The framework's WinMain calls its
// InitInstance; a FALSE result ends the process without a message loop.

#include <windows.h>

#include "framework/cstring.h"

class CWinApp {
 public:
  // Registers this object as the application (AfxGetApp) until it is
  // destroyed, when the one registered before it returns. Without a name the
  // title is the executable's file name without its extension.
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The whole run of an application that needs no message loop; TRUE asks
  // for Run. Default: TRUE.
  virtual BOOL InitInstance();
  // The message loop until WM_QUIT; returns ExitInstance's result.
  virtual int Run();
  // The process exit status. Default: 0.
  virtual int ExitInstance();

  // The application title: caption of AfxMessageBox.
  const char* m_pszAppName = nullptr;
  // The executable's file name without its extension.
  const char* m_pszExeName = nullptr;
  // The executable's module (set by WinMain; the process module before).
  HINSTANCE m_hInstance = nullptr;

 private:
  CString m_appName;
  CString m_exeName;
  CWinApp* m_previous = nullptr;
};

// The application object, or null when none has been constructed.
CWinApp* AfxGetApp();
// The module whose resources the framework loads, and the application's
// module: both the executable.
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();
// The module to load resource `name` of `type` from: the resource module
// (the executable holds every resource of the application).
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);

// MessageBoxA with the application title as caption, owned by the calling
// thread's active window (the open page); `type` is passed unchanged.
// Returns the button pressed (0 when the box could not be shown).
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same with the text loaded from the string table.
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
