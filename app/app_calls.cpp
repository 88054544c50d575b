#include "app/app_calls.h"

#include <shellapi.h>

#include "framework/win_app.h"

namespace {

class RealCalls : public IAppCalls {
 public:
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override {
    return ::MessageBoxA(owner, text, caption, type);
  }
  int AfxMessageBox(LPCSTR text, UINT type) override { return ::AfxMessageBox(text, type); }
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override {
    return ::ShellExecuteA(owner, verb, file, parameters, directory, show);
  }
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                      LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) override {
    return ::CreateProcessA(application, commandLine, processSecurity, threadSecurity, inheritHandles, flags,
                            environment, directory, startup, process);
  }
  LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) override { return ::SHBrowseForFolderA(browse); }
};

IAppCalls* g_calls = nullptr;

}  // namespace

CWinThread* IAppCalls::BeginWorkerThread(AFX_THREADPROC procedure, LPVOID parameter) {
  return AfxBeginThread(procedure, parameter, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}

IAppCalls& RealAppCalls() {
  static RealCalls real;
  return real;
}

IAppCalls& AppCalls() { return g_calls ? *g_calls : RealAppCalls(); }

void SetAppCalls(IAppCalls* calls) { g_calls = calls; }
