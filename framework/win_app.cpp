#include "framework/win_app.h"

#include "framework/resource_language.h"

namespace {

CWinApp* g_application = nullptr;

// The executable's file name without folder and extension.
CString ExecutableBaseName() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return CString();
  CString name(path);
  int slash = name.ReverseFind('\\');
  if (name.ReverseFind('/') > slash) slash = name.ReverseFind('/');
  name = name.Mid(slash + 1);
  int dot = name.ReverseFind('.');
  return dot > 0 ? name.Left(dot) : name;
}

}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_hInstance(::GetModuleHandleA(nullptr)), m_exeName(ExecutableBaseName()) {
  m_appName = appName ? CString(appName) : m_exeName;
  m_pszAppName = m_appName.c_str();
  m_pszExeName = m_exeName.c_str();
  m_previous = g_application;
  g_application = this;
}

CWinApp::~CWinApp() {
  if (g_application == this) g_application = m_previous;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_application; }

HINSTANCE AfxGetResourceHandle() {
  return g_application ? g_application->m_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetInstanceHandle() { return AfxGetResourceHandle(); }

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) { return AfxGetResourceHandle(); }

int AfxMessageBox(const char* text, UINT type, UINT) {
  const char* caption = g_application ? g_application->m_pszAppName : nullptr;
  return AfxShowMessageBox(::GetActiveWindow(), text ? text : "", caption, type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId) {
  CString text;
  text.LoadString(promptId);
  return AfxMessageBox(text.c_str(), type, helpId);
}

// The framework's entry point: the application object's InitInstance is the
// run; FALSE ends the process without a message loop.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CWinApp* application = AfxGetApp();
  if (!application) return -1;
  application->m_hInstance = instance;
  return application->InitInstance() ? application->Run() : application->ExitInstance();
}
