// Modal dialogs of the framework, driven like a user drives the wizard's
// pages: data exchange both ways, command dispatch, dialog results, colours,
// timers, and the guard that keeps exceptions out of user32.

#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "framework/afxwin.h"
#include "modal_driver.h"
#include "res/resource.h"

namespace {

std::string ControlText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

int CheckState(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

// The additional-tasks template with two check states and a title text.
class TasksDialog : public CDialog {
 public:
  TasksDialog() : CDialog(IDD_TASKS) {}
  int m_desktop = 1;
  int m_quickLaunch = 0;
  CString m_title = "Select Additional Tasks";
  CButton m_next;
  HWND m_nextSeenAtInit = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDOK, m_next);
    DDX_Text(pDX, IDC_TASKS_TITLE, m_title);
    DDX_Check(pDX, IDC_DESKTOP_ICON, m_desktop);
    DDX_Check(pDX, IDC_QUICK_LAUNCH_ICON, m_quickLaunch);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_nextSeenAtInit = m_next.m_hWnd;
    return TRUE;
  }
};

// The destination-folder template: folder text, Back and a counting Cancel.
class FolderDialog : public CDialog {
 public:
  FolderDialog() : CDialog(IDD_DESTINATION) {}
  CString m_folder = "C:\\Program Files\\Velmora";
  int m_cancelCalls = 0;
  int m_browseClicks = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_FOLDER, m_folder); }
  BOOL OnCommand(UINT id, UINT notifyCode) override {
    if (notifyCode == BN_CLICKED && id == IDC_BACK) {
      EndDialog(IDC_BACK);
      return TRUE;
    }
    if (notifyCode == BN_CLICKED && id == IDC_BROWSE) {
      ++m_browseClicks;
      return TRUE;
    }
    return CDialog::OnCommand(id, notifyCode);
  }
  void OnCancel() override {
    ++m_cancelCalls;
    CDialog::OnCancel();
  }
};

}  // namespace

TEST(DialogDataExchange, MembersReachTheControlsWhenThePageOpens) {
  TasksDialog dialog;
  std::string title;
  int desktop = -1, quickLaunch = -1;
  INT_PTR result = RunModal(dialog, [&](HWND window) {
    title = ControlText(window, IDC_TASKS_TITLE);
    desktop = CheckState(window, IDC_DESKTOP_ICON);
    quickLaunch = CheckState(window, IDC_QUICK_LAUNCH_ICON);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(title, "Select Additional Tasks");
  EXPECT_EQ(desktop, BST_CHECKED);
  EXPECT_EQ(quickLaunch, BST_UNCHECKED);
}

TEST(DialogDataExchange, NextReadsTheControlsIntoTheMembers) {
  TasksDialog dialog;
  INT_PTR result = RunModal(dialog, [](HWND window) {
    Click(window, IDC_DESKTOP_ICON);      // clears it
    Click(window, IDC_QUICK_LAUNCH_ICON); // ticks it
    Click(window, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_desktop, 0);
  EXPECT_EQ(dialog.m_quickLaunch, 1);
}

TEST(DialogDataExchange, CancelLeavesTheMembersUntouched) {
  TasksDialog dialog;
  INT_PTR result = RunModal(dialog, [](HWND window) {
    Click(window, IDC_DESKTOP_ICON);
    Click(window, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_desktop, 1);
}

TEST(DialogDataExchange, TypedTextIsReadBackExactly) {
  FolderDialog dialog;
  std::string shown;
  INT_PTR result = RunModal(dialog, [&](HWND window) {
    shown = ControlText(window, IDC_FOLDER);
    SetDlgItemTextA(window, IDC_FOLDER, "D:\\Apps  with blanks\\");
    Click(window, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, "C:\\Program Files\\Velmora");
  EXPECT_STREQ(dialog.m_folder, "D:\\Apps  with blanks\\");
}

TEST(DialogDataExchange, BoundControlFollowsEachVisitAndIsReleasedAfter) {
  TasksDialog dialog;
  RunModal(dialog, [](HWND window) { Click(window, IDCANCEL); });
  HWND firstVisit = dialog.m_nextSeenAtInit;
  EXPECT_NE(firstVisit, nullptr);
  EXPECT_EQ(dialog.m_next.m_hWnd, nullptr);

  HWND nextOnSecondVisit = nullptr;
  RunModal(dialog, [&](HWND window) {
    nextOnSecondVisit = GetDlgItem(window, IDOK);
    Click(window, IDCANCEL);
  });
  EXPECT_EQ(dialog.m_nextSeenAtInit, nextOnSecondVisit);
  EXPECT_EQ(dialog.m_next.m_hWnd, nullptr);
}

TEST(DialogDataExchange, MissingControlFailsTheExchange) {
  class WrongIdDialog : public CDialog {
   public:
    WrongIdDialog() : CDialog(IDD_TASKS) {}
    BOOL m_loaded = TRUE;
    CString m_text;

   protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_SUMMARY, m_text); }
    BOOL OnInitDialog() override {
      m_loaded = UpdateData(FALSE);
      return TRUE;
    }
  } dialog;
  INT_PTR result = RunModal(dialog, [](HWND window) { Click(window, IDOK); }, 500);
  EXPECT_FALSE(dialog.m_loaded);
  // The default Next handling stays on the page when the exchange fails.
  EXPECT_EQ(result, kDialogLeftOpen);
}

TEST(DialogCommands, BackButtonReachesThePageAndEndsWithItsId) {
  FolderDialog dialog;
  INT_PTR result = RunModal(dialog, [](HWND window) {
    Click(window, IDC_BROWSE);
    Click(window, IDC_BACK);
  });
  EXPECT_EQ(result, IDC_BACK);
  EXPECT_EQ(dialog.m_browseClicks, 1);
  EXPECT_STREQ(dialog.m_folder, "C:\\Program Files\\Velmora");  // Back does not save
}

TEST(DialogCommands, EnterKeyIsNextAndEscapeKeyIsCancel) {
  FolderDialog enter;
  EXPECT_EQ(RunModal(enter, [](HWND window) { PressKey(window, VK_RETURN); }), IDOK);
  FolderDialog escape;
  EXPECT_EQ(RunModal(escape, [](HWND window) { PressKey(window, VK_ESCAPE); }), IDCANCEL);
  EXPECT_EQ(escape.m_cancelCalls, 1);
}

TEST(DialogCommands, DisabledCancelIgnoresEscapeAndTheCloseBox) {
  FolderDialog dialog;
  std::atomic<bool> stayedOpen{false};
  INT_PTR result = RunModal(dialog, [&](HWND window) {
    EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
    PressKey(window, VK_ESCAPE);
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    AwaitPostedMessages(window);
    stayedOpen = IsWindow(window) && IsWindowVisible(window) && dialog.m_cancelCalls == 0;
    EnableWindow(GetDlgItem(window, IDCANCEL), TRUE);
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_cancelCalls, 1);
}

TEST(DialogCommands, DisabledNextIgnoresEnter) {
  FolderDialog dialog;
  std::atomic<bool> stayedOpen{false};
  INT_PTR result = RunModal(dialog, [&](HWND window) {
    EnableWindow(GetDlgItem(window, IDOK), FALSE);
    PressKey(window, VK_RETURN);
    AwaitPostedMessages(window);
    stayedOpen = IsWindow(window) && IsWindowVisible(window);
    Click(window, IDC_BACK);
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(result, IDC_BACK);
}

TEST(DialogCommands, PageWithoutNextButtonStillEndsWithOkOnEnter) {
  // The finish pages have no IDOK button; Enter ends them through OnOK.
  CDialog finish(IDD_FINISH);
  EXPECT_EQ(RunModal(finish, [](HWND window) { PressKey(window, VK_RETURN); }), IDOK);
}

TEST(DialogColours, CtlColorOverrideColoursTheHeaderBand) {
  class ColouredDialog : public CDialog {
   public:
    ColouredDialog() : CDialog(IDD_TASKS) {}
    ~ColouredDialog() override { DeleteObject(m_red); }
    HBRUSH m_red = CreateSolidBrush(RGB(255, 0, 0));
    std::atomic<bool> m_bandSeen{false};
    std::atomic<bool> m_defaultGiven{true};

   protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override {
      HBRUSH brush = CDialog::OnCtlColor(dc, control, ctlType);
      if (!brush) m_defaultGiven = false;
      if (ctlType == CTLCOLOR_STATIC && ::GetDlgCtrlID(control) == IDC_PANEL) {
        m_bandSeen = true;
        SetBkColor(dc, RGB(255, 0, 0));
        return m_red;
      }
      return brush;
    }
  } dialog;
  COLORREF bandPixel = CLR_INVALID;
  RunModal(dialog, [&](HWND window) {
    WaitFor([&] { return dialog.m_bandSeen.load(); });
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HWND band = GetDlgItem(window, IDC_PANEL);
    WaitFor([&] {
      HDC dc = GetDC(band);
      bandPixel = GetPixel(dc, 2, 2);
      ReleaseDC(band, dc);
      return bandPixel == RGB(255, 0, 0);
    });
    Click(window, IDCANCEL);
  });
  EXPECT_TRUE(dialog.m_bandSeen);
  EXPECT_TRUE(dialog.m_defaultGiven);
  EXPECT_EQ(bandPixel, RGB(255, 0, 0));
}

TEST(DialogTimer, TicksReachThePageUntilItEndsItself) {
  class TickingDialog : public CDialog {
   public:
    TickingDialog() : CDialog(IDD_PROGRESS) {}
    int m_ticks = 0;
    bool m_destroyedWithControls = false;

   protected:
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      SetTimer(222, 20);
      return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
      if (id != 222) return;
      if (++m_ticks == 3) EndDialog(IDOK);
    }
    void OnDestroy() override {
      m_destroyedWithControls = GetDlgItem(IDC_PROGRESS_BAR) != nullptr;
      KillTimer(222);
    }
  } dialog;
  // Nothing to press: Next is hidden and Cancel disabled on this page.
  INT_PTR result = RunModal(dialog, [](HWND) {});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_ticks, 3);
  EXPECT_TRUE(dialog.m_destroyedWithControls);
}

TEST(DialogPainting, PaintAndDragIconReachThePage) {
  class IconDialog : public CDialog {
   public:
    IconDialog() : CDialog(IDD_WELCOME) {}
    HICON m_icon = LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_SETUP), RT_GROUP_ICON),
                             MAKEINTRESOURCEA(IDI_SETUP));
    std::atomic<int> m_paints{0};

   protected:
    BOOL OnPaint() override {
      ++m_paints;
      return CDialog::OnPaint();
    }
    HCURSOR OnQueryDragIcon() override { return m_icon; }
  } dialog;
  ASSERT_NE(dialog.m_icon, nullptr);
  LRESULT dragIcon = 0;
  RunModal(dialog, [&](HWND window) {
    WaitFor([&] { return dialog.m_paints > 0; });
    dragIcon = SendMessageA(window, WM_QUERYDRAGICON, 0, 0);
    Click(window, IDCANCEL);
  });
  EXPECT_GT(dialog.m_paints, 0);
  EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), dialog.m_icon);
}

TEST(DialogFailures, ExceptionInHandlerEndsTheDialogAndReachesTheCaller) {
  class ThrowingDialog : public CDialog {
   public:
    ThrowingDialog() : CDialog(IDD_TASKS) {}

   protected:
    BOOL OnInitDialog() override { throw std::runtime_error("page failed"); }
  } dialog;
  EXPECT_THROW(dialog.DoModal(), std::runtime_error);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  // The object is reusable afterwards.
  CDialog plain(IDD_TASKS);
  EXPECT_EQ(RunModal(plain, [](HWND window) { Click(window, IDCANCEL); }), IDCANCEL);
}

TEST(DialogFailures, MissingTemplateReportsFailureInsteadOfAResult) {
  CDialog missing(9999);
  EXPECT_EQ(missing.DoModal(), -1);
}

TEST(DialogControls, WrappersDriveTheirControls) {
  class ControlsDialog : public CDialog {
   public:
    ControlsDialog() : CDialog(IDD_PROGRESS) {}
    CProgressCtrl m_bar;
    CStatic m_task;
    int m_position = -1;
    int m_previous = -1;
    std::string m_taskText;

   protected:
    void DoDataExchange(CDataExchange* pDX) override {
      DDX_Control(pDX, IDC_PROGRESS_BAR, m_bar);
      DDX_Control(pDX, IDC_TASK_TEXT, m_task);
    }
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      m_bar.SetRange(0, 100);
      m_bar.SetPos(40);
      m_previous = m_bar.SetPos(55);
      m_position = m_bar.GetPos();
      m_task.SetWindowText("Starting drivers...");
      CString text;
      m_task.GetWindowText(text);
      m_taskText = text.c_str();
      GetDlgItem(IDCANCEL)->EnableWindow(TRUE);
      return TRUE;
    }
  } dialog;
  INT_PTR result = RunModal(dialog, [](HWND window) { Click(window, IDCANCEL); });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_previous, 40);
  EXPECT_EQ(dialog.m_position, 55);
  EXPECT_EQ(dialog.m_taskText, "Starting drivers...");
}

// --- The driver itself ----------------------------------------------------

namespace {

// A dialog that never lets itself be shown.
class InvisibleDialog : public CDialog {
 public:
  InvisibleDialog() : CDialog(IDD_TASKS) {}

 protected:
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
    return CDialog::WindowProc(message, wParam, lParam);
  }
};

// What the run of an invisible dialog left: static, as the failure check
// below takes no locals.
INT_PTR g_invisibleResult = 0;
bool g_invisibleScriptRan = false;

void RunInvisibleDialog() {
  InvisibleDialog dialog;
  g_invisibleResult = RunModal(dialog, [](HWND) { g_invisibleScriptRan = true; });
}

}  // namespace

TEST(ModalDriver, ADialogThatNeverShowsFailsTheTestAtOnceInsteadOfHanging) {
  const DWORD start = GetTickCount();
  EXPECT_NONFATAL_FAILURE(RunInvisibleDialog(), "did not become visible");
  EXPECT_EQ(g_invisibleResult, kDialogNeverShown);
  EXPECT_FALSE(g_invisibleScriptRan);
  EXPECT_LT(GetTickCount() - start, 30000u);
}
