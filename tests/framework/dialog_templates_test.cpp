// The nine page templates as the resource compiler built them: header,
// every control's id, class, style, text and position, in tab order.

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_template.h"
#include "res/resource.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPageStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButton = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kText = kChild | SS_LEFT;
constexpr DWORD kLine = kChild | SS_ETCHEDHORZ;
constexpr DWORD kPicture = kChild | SS_BITMAP;
constexpr DWORD kCheckBox = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;

using Items = std::vector<DialogItem>;

DialogItem Item(int id, const char* cls, DWORD style, const char* text, int x, int y, int cx, int cy) {
  DialogItem item;
  item.id = id;
  item.className = cls;
  item.style = style;
  item.text = text;
  item.x = x;
  item.y = y;
  item.cx = cx;
  item.cy = cy;
  return item;
}

// The header band, its picture and lines, then Back, Next and Cancel.
Items InteriorFrame(int pictureId, const char* nextText = "Next>") {
  return {
      Item(pictureId, "Static", kPicture, "#139", 285, 1, 32, 30),
      Item(IDC_PANEL, "Static", kText, "", 0, 0, 319, 33),
      Item(-1, "Static", kLine, "", 0, 34, 319, 1),
      Item(-1, "Static", kLine, "", 0, 172, 319, 1),
      Item(IDC_BACK, "Button", kButton, "<Back", 140, 179, 50, 14),
      Item(IDOK, "Button", kDefaultButton, nextText, 190, 179, 50, 14),
      Item(IDCANCEL, "Button", kButton, "Cancel", 263, 179, 50, 14),
  };
}

// The title, body, side picture, white panel and line of the outer pages.
Items ExteriorFrame(int bodyHeight) {
  return {
      Item(IDC_TITLE, "Static", kChild | SS_CENTER, "Welcome", 132, 7, 178, 44),
      Item(IDC_BODY, "Static", kText, "Static", 132, 58, 178, bodyHeight),
      Item(-1, "Static", kPicture, "#135", 0, 0, 0, 0),
      Item(IDC_PANEL, "Static", kText, "", 0, 0, 319, 172),
      Item(-1, "Static", kLine, "", 0, 172, 319, 1),
  };
}

Items Join(Items first, const Items& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

Items TitleAndSubtitle(int titleId, int subtitleId, int subtitleX, int subtitleCx = 242,
                       int subtitleCy = 8) {
  return {
      Item(titleId, "Static", kText, "Static", 14, 5, 143, 8),
      Item(subtitleId, "Static", kText, "Static", subtitleX, 16, subtitleCx, subtitleCy),
  };
}

Items ExpectedItems(int templateId) {
  const char* kContinue =
      "To continue, please, click Next. If you wish to select a different folder, click Browse";
  const Items folderEdit = {
      Item(IDC_FOLDER, "Edit", kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 31, 82, 211, 14),
      Item(IDC_BROWSE, "Button", kButton, "Browse", 253, 82, 50, 14),
  };
  switch (templateId) {
    case IDD_WELCOME:
      return Join(ExteriorFrame(100),
                  {Item(IDC_BACK, "Button", kButton, "<Back", 140, 179, 50, 14),
                   Item(IDOK, "Button", kDefaultButton, "Next>", 190, 179, 50, 14),
                   Item(IDCANCEL, "Button", kButton, "Cancel", 263, 179, 50, 14)});
    case IDD_LICENSE: {
      Items page = {
          // Without ES_WANTRETURN: Enter in the license text is Next.
          Item(IDC_LICENSE_TEXT, "RICHEDIT",
               kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_BORDER |
                   WS_VSCROLL | WS_TABSTOP,
               "", 29, 46, 268, 91),
          Item(IDC_ACCEPT, "Button", kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
               "I accept the agreement", 27, 145, 89, 10),
          Item(IDC_DECLINE, "Button", kChild | BS_AUTORADIOBUTTON, "I do not accept the agreement", 27,
               157, 111, 10),
          Item(IDC_LICENSE_TITLE, "Static", kText | WS_GROUP, "Static", 14, 5, 143, 8),
          Item(IDC_LICENSE_SUBTITLE, "Static", kText, "Static", 43, 16, 242, 8),
      };
      return Join(page, InteriorFrame(IDC_HEADER_PICTURE));
    }
    case IDD_DESTINATION: {
      Items page = {
          Item(-1, "Static", kChild | SS_ICON, "#142", 29, 48, 0, 0),
          Item(IDC_FOLDER_LABEL, "Static", kText, "Setup will install Velmora into the following folder.",
               57, 54, 178, 8),
          Item(-1, "Static", kText, kContinue, 32, 70, 280, 8),
      };
      page = Join(Join(page, folderEdit),
                  TitleAndSubtitle(IDC_DESTINATION_TITLE, IDC_FOLDER_SUBTITLE, 46));
      return Join(page, InteriorFrame(-1));
    }
    case IDD_START_MENU: {
      Items page = {
          Item(-1, "Static", kChild | SS_ICON, "#143", 29, 48, 0, 0),
          Item(IDC_FOLDER_LABEL, "Static", kText,
               "Setup will create the program shortcuts in the following Start Menu folder", 59, 54,
               250, 8),
          Item(-1, "Static", kText, kContinue, 29, 70, 280, 8),
      };
      page = Join(Join(page, folderEdit),
                  TitleAndSubtitle(IDC_START_MENU_TITLE, IDC_FOLDER_SUBTITLE, 46));
      return Join(page, InteriorFrame(-1));
    }
    case IDD_TASKS: {
      Items page = {
          Item(-1, "Static", kText,
               "Select the additional task you would like Setup to perform while installing, then "
               "click Next",
               25, 46, 293, 16),
          Item(-1, "Static", kText, "Additional icon", 25, 63, 55, 8),
          Item(IDC_DESKTOP_ICON, "Button", kCheckBox, "Create a desktop icon", 27, 76, 85, 10),
          Item(IDC_QUICK_LAUNCH_ICON, "Button", kCheckBox, "Create a Quick Launch icon", 27, 91, 105,
               10),
      };
      page = Join(page, TitleAndSubtitle(IDC_TASKS_TITLE, IDC_TASKS_SUBTITLE, 46));
      return Join(page, InteriorFrame(-1));
    }
    case IDD_READY: {
      Items page = {
          Item(-1, "Static", kText,
               "Click install to continue the installation or click Back if you want to change any "
               "settings.",
               25, 44, 290, 8),
          // Without ES_WANTRETURN: Enter in the read-only summary is Install.
          Item(IDC_SUMMARY, "Edit",
               kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY |
                   WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
               "", 26, 61, 265, 105),
      };
      page = Join(page, TitleAndSubtitle(IDC_READY_TITLE, IDC_READY_SUBTITLE, 46, 272, 14));
      return Join(page, InteriorFrame(-1, "Install"));
    }
    case IDD_PROGRESS:
      return {
          Item(IDC_TASK_TEXT, "Static", kText, "Task:", 27, 48, 283, 8),
          Item(IDC_PROGRESS_BAR, "msctls_progress32", kChild | PBS_SMOOTH | WS_BORDER, "", 27, 62, 283,
               11),
          Item(IDC_PROGRESS_TITLE, "Static", kText, "Static", 14, 5, 143, 8),
          Item(-1, "Static", kPicture, "#139", 285, 1, 32, 30),
          Item(IDC_PANEL, "Static", kText, "", 0, 0, 319, 33),
          Item(-1, "Static", kLine, "", 0, 34, 319, 1),
          Item(-1, "Static", kLine, "", 0, 172, 319, 1),
          Item(IDOK, "Button", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, "Next>", 190,
               179, 50, 14),
          Item(IDCANCEL, "Button", kButton | WS_DISABLED, "Cancel", 263, 179, 50, 14),
      };
    case IDD_FINISH:
      return Join(
          {
              Item(IDC_LAUNCH, "Button", kCheckBox, "", 138, 130, 15, 11),
              Item(IDC_LAUNCH_LABEL, "Static", kText, "Static", 161, 130, 126, 8),
              Item(IDC_QUICK_START, "Button", kCheckBox, "", 138, 148, 16, 8),
              Item(IDC_QUICK_START_LABEL, "Static", kText, "Static", 161, 148, 128, 18),
          },
          Join(ExteriorFrame(64), {Item(IDCANCEL, "Button", kButton, "Finish", 263, 179, 50, 14)}));
    case IDD_RESTART:
      return Join(
          {
              Item(IDC_RESTART_NOW, "Button", kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, "",
                   132, 127, 16, 8),
              Item(IDC_RESTART_LATER, "Button", kChild | BS_AUTORADIOBUTTON, "", 132, 142, 16, 8),
              Item(IDC_RESTART_NOW_LABEL, "Static", kText | WS_GROUP, "Static", 149, 127, 126, 8),
              Item(IDC_RESTART_LATER_LABEL, "Static", kText, "Static", 149, 142, 126, 8),
          },
          Join(ExteriorFrame(64), {Item(IDCANCEL, "Button", kButton, "Finish", 261, 179, 50, 14)}));
    default:
      return {};
  }
}

const int kTemplates[] = {IDD_WELCOME, IDD_LICENSE,  IDD_DESTINATION, IDD_START_MENU, IDD_TASKS,
                          IDD_READY,   IDD_PROGRESS, IDD_FINISH,      IDD_RESTART};

std::string Describe(const DialogItem& item) {
  std::string className = item.className;
  for (char& ch : className) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  char text[400];
  snprintf(text, sizeof(text), "id %d class %s style 0x%08lx text \"%s\" at %d,%d size %d,%d", item.id,
           className.c_str(), static_cast<unsigned long>(item.style), item.text.c_str(), item.x,
           item.y, item.cx, item.cy);
  return text;
}

// The license page's "RICHEDIT" class comes from Rich Edit 1.0.
void LoadRichEdit() {
  char path[MAX_PATH];
  GetSystemDirectoryA(path, MAX_PATH);
  lstrcatA(path, "\\riched32.dll");
  ASSERT_NE(LoadLibraryA(path), nullptr);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class PageTemplates : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(PageTemplates, HeaderIsAModalPageOfThreeHundredTwentyByTwoHundredUnits) {
  DialogTemplate page;
  ASSERT_TRUE(LoadDialogTemplate(GetParam(), page));
  DWORD style = kPageStyle | (GetParam() == IDD_WELCOME ? WS_VISIBLE : 0);
  EXPECT_EQ(page.style, style);
  EXPECT_EQ(page.exStyle, GetParam() == IDD_WELCOME ? static_cast<DWORD>(WS_EX_APPWINDOW) : 0u);
  EXPECT_EQ(page.cx, 320);
  EXPECT_EQ(page.cy, 200);
  EXPECT_EQ(page.pointSize, 8);
  EXPECT_EQ(page.faceName, "MS Sans Serif");
  EXPECT_EQ(page.caption, "install");
}

TEST_P(PageTemplates, ControlsMatchThePageLayout) {
  DialogTemplate page;
  ASSERT_TRUE(LoadDialogTemplate(GetParam(), page));
  Items expected = ExpectedItems(GetParam());
  ASSERT_EQ(page.items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const DialogItem& got = page.items[i];
    const DialogItem& want = expected[i];
    EXPECT_EQ(Describe(got), Describe(want)) << "control " << i;
    EXPECT_EQ(got.exStyle, 0u) << Describe(got);
  }
}

// The dialog manager can build every page: the rich edit and progress bar
// classes resolve, and each control lands where its dialog units say.
TEST_P(PageTemplates, EveryPageCanBeCreatedWithItsControlsInPlace) {
  LoadRichEdit();
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(GetParam()), nullptr,
                                 QuietDialogProc, 0);
  ASSERT_NE(page, nullptr) << GetLastError();
  DialogTemplate layout;
  ASSERT_TRUE(LoadDialogTemplate(GetParam(), layout));
  for (const DialogItem& item : layout.items) {
    if (item.id == -1) continue;
    HWND control = GetDlgItem(page, item.id);
    ASSERT_NE(control, nullptr) << Describe(item);
    char className[64] = {};
    GetClassNameA(control, className, sizeof(className));
    EXPECT_EQ(lstrcmpiA(className, item.className.c_str()), 0) << Describe(item);
    DWORD type = item.style & SS_TYPEMASK;
    bool image = lstrcmpiA(item.className.c_str(), "Static") == 0 && (type == SS_BITMAP || type == SS_ICON);
    if (image) continue;  // sized by their image
    // The dialog manager converts position and size separately.
    RECT expected = {item.x, item.y, item.cx, item.cy};
    MapDialogRect(page, &expected);
    expected.right += expected.left;
    expected.bottom += expected.top;
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << Describe(item);
    EXPECT_EQ(actual.top, expected.top) << Describe(item);
    EXPECT_EQ(actual.right, expected.right) << Describe(item);
    EXPECT_EQ(actual.bottom, expected.bottom) << Describe(item);
  }
  DestroyWindow(page);
}

INSTANTIATE_TEST_SUITE_P(AllPages, PageTemplates, ::testing::ValuesIn(kTemplates));

TEST(PagePictures, SidePictureFillsTheLeftOfTheOuterPages) {
  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FINISH), nullptr,
                                 QuietDialogProc, 0);
  ASSERT_NE(page, nullptr);
  HWND picture = nullptr;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = child;
  }
  ASSERT_NE(picture, nullptr);
  RECT rect;
  GetClientRect(picture, &rect);
  EXPECT_EQ(rect.right, 160);
  EXPECT_EQ(rect.bottom, 280);
  DestroyWindow(page);
}

TEST(PagePictures, HeaderPictureShowsAtItsOwnSize) {
  LoadRichEdit();
  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LICENSE), nullptr,
                                 QuietDialogProc, 0);
  ASSERT_NE(page, nullptr);
  RECT rect;
  GetClientRect(GetDlgItem(page, IDC_HEADER_PICTURE), &rect);
  EXPECT_EQ(rect.right, 48);
  EXPECT_EQ(rect.bottom, 48);
  DestroyWindow(page);
}
