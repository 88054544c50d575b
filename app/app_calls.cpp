#include "app/app_calls.h"

#include <oleacc.h>
#include <shellapi.h>

#include <vector>

#include "base/handles.h"

#include "framework/resource_language.h"
#include "framework/win_app.h"

namespace {

class RealCalls : public IAppCalls {
 public:
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override {
    return AfxShowMessageBox(owner, text, caption, type);
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

// The accessibility interface's class, interface and name property.
constexpr GUID kAccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kAccNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

}  // namespace

CWinThread* IAppCalls::BeginWorkerThread(AFX_THREADPROC procedure, LPVOID parameter) {
  return AfxBeginThread(procedure, parameter, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}

BOOL IAppCalls::SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT winIni) {
  return ::SystemParametersInfoA(action, param, value, winIni);
}

void IAppCalls::SetAccessibleName(HWND control, LPCSTR name) {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    com_ptr<IAccPropServices> services;
    if (SUCCEEDED(::CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                     services.put_void()))) {
      const std::vector<wchar_t> wide = AfxWideText(name);
      // A system without the annotation support leaves the control's own name.
      services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kAccNameProperty, wide.data());
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
}

LANGID IAppCalls::GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

LANGID IAppCalls::MessageLanguage() { return AfxGetResourceLanguage(); }

IAppCalls& RealAppCalls() {
  static RealCalls real;
  return real;
}

IAppCalls& AppCalls() { return g_calls ? *g_calls : RealAppCalls(); }

void SetAppCalls(IAppCalls* calls) { g_calls = calls; }
