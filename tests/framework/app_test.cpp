// The application object: its title, the framework's entry point, message
// boxes captioned with the title, and resource lookup.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "framework/win_app.h"
#include "modal_driver.h"
#include "res/resource.h"

namespace {

// The test program's one application object, constructed like the setup's:
// statically and without a name.
CWinApp g_testApp;

struct ShownBox {
  std::string caption;
  std::string text;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof(className));
  if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Waits for a message box of thread `threadId`, reads it and answers `button`.
ShownBox AnswerMessageBox(DWORD threadId, int button) {
  ShownBox shown;
  HWND box = nullptr;
  WaitFor([&] {
    EnumThreadWindows(threadId, FindVisibleDialog, reinterpret_cast<LPARAM>(&box));
    return box != nullptr;
  });
  if (!box) return shown;
  char text[512] = {};
  GetWindowTextA(box, text, sizeof(text));
  shown.caption = text;
  // The message text is the box's static control (id 0xFFFF).
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  shown.text = text;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  return shown;
}

}  // namespace

TEST(Application, TitleIsTheExecutableNameWithoutExtension) {
  ASSERT_EQ(AfxGetApp(), &g_testApp);
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  name = name.substr(0, name.rfind('.'));
  EXPECT_EQ(std::string(g_testApp.m_pszAppName), name);
  EXPECT_EQ(std::string(g_testApp.m_pszExeName), name);
  EXPECT_EQ(name, "framework_tests");
}

TEST(Application, NamedApplicationKeepsItsNameAndStepsAsideAfterwards) {
  {
    CWinApp named("Named");
    EXPECT_EQ(AfxGetApp(), &named);
    EXPECT_STREQ(named.m_pszAppName, "Named");
    EXPECT_STREQ(named.m_pszExeName, "framework_tests");
  }
  EXPECT_EQ(AfxGetApp(), &g_testApp);
}

TEST(Application, WinMainRunsInitInstanceOnceWithoutAMessageLoop) {
  class OneShotApp : public CWinApp {
   public:
    int m_calls = 0;
    BOOL InitInstance() override {
      ++m_calls;
      PostQuitMessage(7);  // a message loop would end with 7 instead of 0
      return FALSE;
    }
  } app;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  char commandLine[] = "";
  EXPECT_EQ(WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL), 0);
  EXPECT_EQ(app.m_calls, 1);
  EXPECT_EQ(app.m_hInstance, instance);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // left unread
}

TEST(Application, MessageBoxCarriesTheApplicationTitle) {
  DWORD self = GetCurrentThreadId();
  ShownBox shown;
  std::thread answer([&] { shown = AnswerMessageBox(self, IDNO); });
  int result = AfxMessageBox("Are you sure?", MB_YESNO | MB_ICONQUESTION);
  answer.join();
  EXPECT_EQ(result, IDNO);
  EXPECT_EQ(shown.caption, "framework_tests");
  EXPECT_EQ(shown.text, "Are you sure?");
}

TEST(Application, MessageBoxFromStringTable) {
  DWORD self = GetCurrentThreadId();
  ShownBox shown;
  std::thread answer([&] { shown = AnswerMessageBox(self, IDOK); });
  int result = AfxMessageBox(IDS_PACKAGE_DAMAGED, MB_OK | MB_ICONERROR);
  answer.join();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown.caption, "framework_tests");
  EXPECT_EQ(shown.text, "Installation package is damaged");
}

TEST(Application, ResourceHandleHoldsTheWizardIcon) {
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_SETUP), RT_GROUP_ICON);
  EXPECT_EQ(module, GetModuleHandleA(nullptr));
  EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_SETUP)), nullptr);
  EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandleA(nullptr));
}
