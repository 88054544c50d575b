// The interior and finish pages driven in-process: what each shows, what
// its buttons do to the application's settings, the common frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <map>
#include <type_traits>
#include <vector>

#include "app/pages/destination_page.h"
#include "app/pages/finish_page.h"
#include "app/pages/folder_naming.h"
#include "app/pages/license_page.h"
#include "app/pages/license_stream.h"
#include "app/pages/page_scale.h"
#include "app/pages/progress_page.h"
#include "app/pages/ready_page.h"
#include "app/pages/restart_page.h"
#include "app/pages/start_menu_page.h"
#include "app/pages/tasks_page.h"
#include "app/pages/welcome_page.h"
#include "app/wizard_language.h"
#include "app/worker_thread.h"
#include "framework/resource_language.h"
#include "res/resource.h"
#include "tests/app/app_harness.h"
#include "tests/app/fake_accessibility.h"
#include "tests/app/page_probe.h"
#include "tests/framework/modal_driver.h"
#include "tests/support/test_files.h"
#include "tests/support/test_package.h"

namespace {

// The pages need the rich edit library, the title font and the seams.
class PageTest : public ::testing::Test {
 protected:
  PageTest() : m_harness(AppHarness::StartUp::None) {
    m_harness.m_app.SetInitialFlags();
    m_harness.m_app.LoadRichEditLibrary();
    m_harness.m_app.CreateTitleFont();
  }

  CFont* TitleFont() {
    static CFont font;
    if (!font.GetSafeHandle()) font.CreateFont(14, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Arial");
    return &font;
  }

  AppHarness m_harness;
  FakeAccessibility m_accessibility;
  CSetupApp& App() { return m_harness.m_app; }
  RecordingAppCalls& Calls() { return m_harness.m_calls; }
};

}  // namespace

// --- License page ------------------------------------------------------

TEST(LicenseStreamIn, HandsOverPiecesOfTheRequestedSizeUntilAnEmptyOne) {
  const std::string text = "0123456789";
  LicenseStream stream;
  stream.content = reinterpret_cast<const uint8_t*>(text.data());
  stream.size = static_cast<LONG>(text.size());
  std::string received;
  std::vector<LONG> pieces;
  for (int call = 0; call < 10; ++call) {
    BYTE buffer[4] = {};
    LONG transferred = -1;
    ASSERT_EQ(LicenseStreamIn(reinterpret_cast<DWORD_PTR>(&stream), buffer, 4, &transferred), 0u);
    pieces.push_back(transferred);
    received.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(transferred));
    if (transferred == 0) break;
  }
  EXPECT_EQ(received, text);
  EXPECT_EQ(pieces, std::vector<LONG>({4, 4, 2, 0}));
}

TEST(LicenseStreamIn, WithoutContentTheControlIsToldToStop) {
  LicenseStream stream;
  BYTE buffer[8];
  LONG transferred = 5;
  EXPECT_EQ(LicenseStreamIn(reinterpret_cast<DWORD_PTR>(&stream), buffer, 8, &transferred), 87u);
}

namespace {

std::string LicenseRtf(const std::string& body) { return "{\\rtf1\\ansi " + body + "\\par}"; }

}  // namespace

TEST_F(PageTest, TheFirstLicenseVisitDeclinesAndAcceptingEnablesNext) {
  CPackageFileStore store;
  ASSERT_EQ(FillStore(store, {{"license.rtf", LicenseRtf("Velmora licence terms.")}}), 0);
  CLicensePage page;
  page.m_pLicenseAccepted = &App().m_licenseAccepted;
  page.m_pStore = &store;
  page.m_pTitleFont = TitleFont();
  int acceptAtOpening = -1, declineAtOpening = -1;
  bool nextAtOpening = true, nextAfterAccept = false;
  LONG flagAfterAccept = 0;
  std::string licenseText, title, subtitle, windowTitle;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    acceptAtOpening = CheckOf(dialog, IDC_ACCEPT);
    declineAtOpening = CheckOf(dialog, IDC_DECLINE);
    nextAtOpening = IsEnabled(dialog, IDOK);
    licenseText = TextOf(dialog, IDC_LICENSE_TEXT);
    title = TextOf(dialog, IDC_LICENSE_TITLE);
    subtitle = TextOf(dialog, IDC_LICENSE_SUBTITLE);
    windowTitle = TextOf(dialog, 0);
    Click(dialog, IDC_ACCEPT);
    nextAfterAccept = IsEnabled(dialog, IDOK);
    flagAfterAccept = App().m_licenseAccepted;
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(acceptAtOpening, BST_UNCHECKED);
  EXPECT_EQ(declineAtOpening, BST_CHECKED);
  EXPECT_FALSE(nextAtOpening);
  EXPECT_TRUE(nextAfterAccept);
  EXPECT_EQ(flagAfterAccept, 1);
  EXPECT_NE(licenseText.find("Velmora licence terms."), std::string::npos) << licenseText;
  EXPECT_EQ(title, "License Agreement");
  EXPECT_EQ(subtitle, "Please read the following important information before continuing!");
  EXPECT_EQ(windowTitle, "Setup - Velmora");
}

TEST_F(PageTest, ALicenseAcceptedEarlierIsShownAcceptedAndDecliningDisablesNextAtOnce) {
  CPackageFileStore store;
  ASSERT_EQ(FillStore(store, {{"license.rtf", LicenseRtf("Terms.")}}), 0);
  CLicensePage page;
  page.m_pLicenseAccepted = &App().m_licenseAccepted;
  page.m_pStore = &store;
  page.m_pTitleFont = TitleFont();
  App().m_licenseAccepted = 1;
  int acceptAtOpening = -1;
  bool nextAtOpening = false, nextAfterDecline = true;
  LONG flagAfterDecline = 1;
  std::string licenseText = "?";
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    acceptAtOpening = CheckOf(dialog, IDC_ACCEPT);
    nextAtOpening = IsEnabled(dialog, IDOK);
    licenseText = TextOf(dialog, IDC_LICENSE_TEXT);
    Click(dialog, IDC_DECLINE);
    nextAfterDecline = IsEnabled(dialog, IDOK);
    flagAfterDecline = App().m_licenseAccepted;
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(result, CSetupApp::kBackResult);
  EXPECT_EQ(acceptAtOpening, BST_CHECKED);
  EXPECT_TRUE(nextAtOpening);
  EXPECT_FALSE(nextAfterDecline);
  EXPECT_EQ(flagAfterDecline, 0);
  EXPECT_NE(licenseText.find("Terms."), std::string::npos) << licenseText;
}

// Read from a package file as the setup reads its own: a license over the
// keep limit, after an entry that took the whole keep budget, is shown
// whole; without one the page refuses instead of offering an empty text.
TEST_F(PageTest, ALicenseOfAnySizeIsShownWholeAndAMissingOneIsRefused) {
  std::string body;
  for (int line = 0; line < 2000; ++line) body += "Clause " + std::to_string(line) + " of the agreement.\\par ";
  // An embedded picture's worth of data that the control skips.
  body += "{\\*\\velmorapicture " + std::string(5u << 20, 'a') + "}END-OF-LICENSE";
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "velmora-large-license.pkg";
  struct Visit {
    PackageFiles files;
    std::string text;
    bool acceptEnabled = true;
    bool nextEnabled = true;
  };
  PackageFiles large;
  for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"}) large.push_back({name, std::string(4u << 20, 'z')});
  large.push_back({"license.rtf", LicenseRtf(body)});
  Visit visits[] = {{large}, {{{"readme.txt", "Read me."}}}};
  App().m_licenseAccepted = 1;
  for (Visit& visit : visits) {
    CPackageFileStore store;
    ASSERT_EQ(OpenStoreFile(store, visit.files, path), 0);
    CLicensePage page;
    page.m_pLicenseAccepted = &App().m_licenseAccepted;
    page.m_pStore = &store;
    page.m_pTitleFont = TitleFont();
    RunModal(page, [&](HWND dialog) {
      AwaitPostedMessages(dialog);
      visit.text = TextOf(dialog, IDC_LICENSE_TEXT);
      visit.acceptEnabled = IsEnabled(dialog, IDC_ACCEPT);
      visit.nextEnabled = IsEnabled(dialog, IDOK);
      Click(dialog, IDC_BACK);
    });
  }
  ::DeleteFileA(path.c_str());
  EXPECT_NE(visits[0].text.find("Clause 0 of the agreement."), std::string::npos);
  EXPECT_NE(visits[0].text.find("Clause 1999 of the agreement."), std::string::npos);
  EXPECT_NE(visits[0].text.find("END-OF-LICENSE"), std::string::npos);
  EXPECT_TRUE(visits[0].acceptEnabled && visits[0].nextEnabled);
  EXPECT_FALSE(visits[1].acceptEnabled);
  EXPECT_FALSE(visits[1].nextEnabled);
  EXPECT_EQ(App().m_licenseAccepted, 0);
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Installation package is damaged");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
}

// --- Folder pages --------------------------------------------------------

TEST(FolderNaming, ADriveRootGetsTheProductNameWithoutADoubledBackslash) {
  EXPECT_EQ(DestinationFolderFor("C:\\").str(), "C:\\Velmora");
  EXPECT_EQ(DestinationFolderFor("D:\\Apps").str(), "D:\\Apps\\Velmora");
  EXPECT_EQ(DestinationFolderFor("D:\\Apps\\Tools\\").str(), "D:\\Apps\\Tools\\Velmora");
}

TEST(FolderNaming, OnlyTheChosenStartMenuFoldersOwnNameIsKept) {
  const CString current = "Velmora";
  EXPECT_EQ(StartMenuFolderFor("C:\\ProgramData\\Programs\\Accessories", current).str(), "Accessories\\Velmora");
  EXPECT_EQ(StartMenuFolderFor("C:\\ProgramData\\Programs\\Games\\Puzzles", current).str(), "Puzzles\\Velmora");
  EXPECT_EQ(StartMenuFolderFor("C:\\ProgramData\\Programs", current).str(), "Programs\\Velmora");
  EXPECT_EQ(StartMenuFolderFor("nobackslash", current).str(), "Velmora");
}

namespace {

struct FolderVisit {
  INT_PTR result = 0;
  std::string shownAtOpening;
  std::string shownAfterBrowse;
  std::string title;
  std::string subtitle;
};

// One visit of a folder page: the script runs on the open page.
template <typename Page>
FolderVisit VisitFolderPage(CString& setting, CFont* font, const std::function<void(HWND, FolderVisit&)>& script) {
  Page page;
  page.m_pSetting = &setting;
  page.m_pTitleFont = font;
  FolderVisit visit;
  visit.result = RunModal(page, [&](HWND dialog) {
    visit.shownAtOpening = TextOf(dialog, IDC_FOLDER);
    visit.title = TextOf(dialog, std::is_same<Page, CDestinationPage>::value ? IDC_DESTINATION_TITLE : IDC_START_MENU_TITLE);
    visit.subtitle = TextOf(dialog, IDC_FOLDER_SUBTITLE);
    script(dialog, visit);
  });
  return visit;
}

}  // namespace

TEST_F(PageTest, NextStoresTheTypedDestinationExactly) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  const FolderVisit visit = VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [](HWND dialog, FolderVisit&) {
    TypeText(dialog, IDC_FOLDER, "D:\\Elsewhere");
    Click(dialog, IDOK);
  });
  EXPECT_EQ(visit.result, IDOK);
  EXPECT_EQ(visit.shownAtOpening, "C:\\Program Files\\Velmora");
  EXPECT_EQ(visit.title, "Select Destination Location");
  EXPECT_EQ(visit.subtitle, "Where should Velmora be installed?");
  EXPECT_EQ(App().m_destFolder.str(), "D:\\Elsewhere");
}

TEST_F(PageTest, NextRefusesADestinationThatIsNotAFullPathAndThePageStays) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  std::vector<std::string> shownAfterNext;
  const FolderVisit visit =
      VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [&](HWND dialog, FolderVisit&) {
        for (const char* typed : {"", "Velmora", "\\\\server", "C:\\", "D:\\Apps\\Velmora "}) {
          TypeText(dialog, IDC_FOLDER, typed);
          Click(dialog, IDOK);
          shownAfterNext.push_back(TextOf(dialog, IDC_FOLDER));
        }
        TypeText(dialog, IDC_FOLDER, "\\\\server\\share\\Velmora\\");
        Click(dialog, IDOK);
      });
  EXPECT_EQ(visit.result, IDOK);
  EXPECT_EQ(shownAfterNext, (std::vector<std::string>{"", "Velmora", "\\\\server", "C:\\", "D:\\Apps\\Velmora "}));
  EXPECT_EQ(App().m_destFolder.str(), "\\\\server\\share\\Velmora");
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[1].text,
            "Setup cannot install into the folder \"Velmora\".\nPlease enter the full path of a folder on a drive, "
            "for example C:\\Program Files\\Velmora, or on a network share, for example "
            "\\\\server\\share\\Velmora.");
  EXPECT_EQ(boxes[1].caption, "Velmora");
  EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_FALSE(boxes[1].viaAfx);
}

TEST_F(PageTest, NextRefusesADestinationLongerThanTheEngineCanHandle) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  const std::string tooLong = "C:\\" + std::string(230, 'v');
  const FolderVisit visit = VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [&](HWND dialog, FolderVisit&) {
    TypeText(dialog, IDC_FOLDER, tooLong);
    Click(dialog, IDOK);
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(visit.result, CSetupApp::kBackResult);
  EXPECT_EQ(App().m_destFolder.str(), "C:\\Program Files\\Velmora");
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The folder \"" + tooLong + "\" is too long.\nPlease enter a path of at most 228 characters.");
}

TEST_F(PageTest, NextRefusesAStartMenuFolderOutsideThePrograms) {
  App().m_startMenuFolder = "Velmora";
  std::vector<std::string> shownAfterNext;
  const FolderVisit visit =
      VisitFolderPage<CStartMenuPage>(App().m_startMenuFolder, TitleFont(), [&](HWND dialog, FolderVisit&) {
        for (const char* typed : {"..\\Startup", "C:\\Velmora", "\\Velmora", "", "Velmora "}) {
          TypeText(dialog, IDC_FOLDER, typed);
          Click(dialog, IDOK);
          shownAfterNext.push_back(TextOf(dialog, IDC_FOLDER));
        }
        TypeText(dialog, IDC_FOLDER, "Brenthaven\\Velmora\\");
        Click(dialog, IDOK);
      });
  EXPECT_EQ(visit.result, IDOK);
  EXPECT_EQ(shownAfterNext, (std::vector<std::string>{"..\\Startup", "C:\\Velmora", "\\Velmora", "", "Velmora "}));
  EXPECT_EQ(App().m_startMenuFolder.str(), "Brenthaven\\Velmora");
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].text,
            "Setup cannot create the Start Menu folder \"..\\Startup\".\nPlease enter a folder name below the "
            "Programs folder, without a drive and without \"..\" parts.");
  EXPECT_EQ(boxes[0].caption, "Velmora");
}

TEST_F(PageTest, BackDropsTheTypedFolderAndTheNextVisitShowsTheSavedOne) {
  App().m_startMenuFolder = "Velmora";
  const FolderVisit first = VisitFolderPage<CStartMenuPage>(App().m_startMenuFolder, TitleFont(), [](HWND dialog, FolderVisit&) {
    TypeText(dialog, IDC_FOLDER, "Typed\\Away");
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(first.result, CSetupApp::kBackResult);
  EXPECT_EQ(first.title, "Select Start Menu Folder");
  EXPECT_EQ(first.subtitle, "Where should Setup place the program shortcuts?");
  EXPECT_EQ(App().m_startMenuFolder.str(), "Velmora");
  const FolderVisit second = VisitFolderPage<CStartMenuPage>(App().m_startMenuFolder, TitleFont(), [](HWND dialog, FolderVisit&) {
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(second.shownAtOpening, "Velmora");
}

TEST_F(PageTest, BrowsingToADriveRootSavesAtOnceWithoutADoubledBackslash) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  Calls().ChooseFolder("C:\\");
  const FolderVisit visit = VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [](HWND dialog, FolderVisit& v) {
    Click(dialog, IDC_BROWSE);
    v.shownAfterBrowse = TextOf(dialog, IDC_FOLDER);
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(visit.shownAfterBrowse, "C:\\Velmora");
  EXPECT_EQ(App().m_destFolder.str(), "C:\\Velmora");
  ASSERT_EQ(Calls().BrowseTitles().size(), 1u);
  EXPECT_EQ(Calls().BrowseTitles()[0], "Select folder in the list below, then click OK");
}

TEST_F(PageTest, ACancelledBrowserChangesNeitherTheEditBoxNorTheSetting) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  Calls().ChooseFolder("");
  const FolderVisit visit = VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [](HWND dialog, FolderVisit& v) {
    TypeText(dialog, IDC_FOLDER, "D:\\Typed");
    Click(dialog, IDC_BROWSE);
    v.shownAfterBrowse = TextOf(dialog, IDC_FOLDER);
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(visit.shownAfterBrowse, "D:\\Typed");
  EXPECT_EQ(App().m_destFolder.str(), "C:\\Program Files\\Velmora");
}

TEST_F(PageTest, BrowsingForTheStartMenuFolderKeepsOnlyTheChosenFoldersName) {
  TempFolder folder;
  const std::string chosen = folder.File("Games\\Puzzles");
  ASSERT_TRUE(CreateDirectoryA(folder.File("Games").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
  App().m_startMenuFolder = "Velmora";
  Calls().ChooseFolder(chosen);
  const FolderVisit visit = VisitFolderPage<CStartMenuPage>(App().m_startMenuFolder, TitleFont(), [](HWND dialog, FolderVisit& v) {
    Click(dialog, IDC_BROWSE);
    v.shownAfterBrowse = TextOf(dialog, IDC_FOLDER);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(visit.shownAfterBrowse, "Puzzles\\Velmora");
  EXPECT_EQ(App().m_startMenuFolder.str(), "Puzzles\\Velmora");
}

// --- Tasks and ready pages ----------------------------------------------

namespace {

struct TasksVisit {
  INT_PTR result;
  int desktopShown;
  int quickLaunchShown;
};

TasksVisit VisitTasksPage(CSetupApp& app, CFont* font, const std::function<void(HWND)>& script) {
  CTasksPage page;
  page.m_pDesktopIcon = &app.m_desktopIcon;
  page.m_pQuickLaunchIcon = &app.m_quickLaunchIcon;
  page.m_pTitleFont = font;
  TasksVisit visit{};
  visit.result = RunModal(page, [&](HWND dialog) {
    visit.desktopShown = CheckOf(dialog, IDC_DESKTOP_ICON);
    visit.quickLaunchShown = CheckOf(dialog, IDC_QUICK_LAUNCH_ICON);
    script(dialog);
  });
  return visit;
}

}  // namespace

TEST_F(PageTest, TheTasksPageSavesItsBoxesOnBackAndOnNext) {
  const TasksVisit first = VisitTasksPage(App(), TitleFont(), [](HWND dialog) {
    Click(dialog, IDC_DESKTOP_ICON);
    Click(dialog, IDC_QUICK_LAUNCH_ICON);
    Click(dialog, IDC_BACK);
  });
  EXPECT_EQ(first.result, CSetupApp::kBackResult);
  EXPECT_EQ(first.desktopShown, BST_CHECKED);
  EXPECT_EQ(first.quickLaunchShown, BST_CHECKED);
  EXPECT_EQ(App().m_desktopIcon, 0);
  EXPECT_EQ(App().m_quickLaunchIcon, 0);

  const TasksVisit second = VisitTasksPage(App(), TitleFont(), [](HWND dialog) {
    Click(dialog, IDC_DESKTOP_ICON);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(second.result, IDOK);
  EXPECT_EQ(second.desktopShown, BST_UNCHECKED);
  EXPECT_EQ(second.quickLaunchShown, BST_UNCHECKED);
  EXPECT_EQ(App().m_desktopIcon, 1);
  EXPECT_EQ(App().m_quickLaunchIcon, 0);
}

TEST_F(PageTest, TheReadyPageShowsTheSummaryReadOnlyAndInstallEndsIt) {
  CReadyPage page;
  page.m_pTitleFont = TitleFont();
  App().m_destFolder = "C:\\Apps\\Velmora";
  App().m_startMenuFolder = "Velmora";
  App().BuildSummary(page.m_summary);
  std::string shown, install, title, subtitle;
  bool readOnly = false;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    shown = TextOf(dialog, IDC_SUMMARY);
    install = TextOf(dialog, IDOK);
    title = TextOf(dialog, IDC_READY_TITLE);
    subtitle = TextOf(dialog, IDC_READY_SUBTITLE);
    readOnly = (GetWindowLongA(GetDlgItem(dialog, IDC_SUMMARY), GWL_STYLE) & ES_READONLY) != 0;
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, page.m_summary.str());
  EXPECT_EQ(install, "Install");
  EXPECT_EQ(title, "Ready to Install");
  EXPECT_EQ(subtitle, "Now Setup is ready to begin Velmora installation on your computer");
  EXPECT_TRUE(readOnly);
}

// --- The common frame -----------------------------------------------------

TEST_F(PageTest, CancelAnsweredNoLeavesThePageAndItsInputsAndYesEndsIt) {
  App().m_destFolder = "C:\\Program Files\\Velmora";
  bool stillOpen = false;
  std::string keptText;
  const FolderVisit visit = VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [&](HWND dialog, FolderVisit&) {
    TypeText(dialog, IDC_FOLDER, "D:\\Typed");
    Calls().AnswerConfirmations(IDNO);
    Click(dialog, IDCANCEL);
    AwaitPostedMessages(dialog);
    stillOpen = IsWindowVisible(dialog) != FALSE;
    keptText = TextOf(dialog, IDC_FOLDER);
    Calls().AnswerConfirmations(IDYES);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(visit.result, IDCANCEL);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(keptText, "D:\\Typed");
  EXPECT_EQ(App().m_destFolder.str(), "C:\\Program Files\\Velmora");
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_TRUE(box.viaAfx);
    EXPECT_EQ(box.text, "Are you sure you want to cancel Velmora installation?");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  }
}

namespace {

// A colour scheme other than black on white for the length of a test, so
// that colours hard-coded as white and black cannot pass for the system's.
class UnusualWindowColours {
 public:
  static constexpr COLORREF kWindow = RGB(255, 248, 200);
  static constexpr COLORREF kWindowText = RGB(30, 60, 140);

  UnusualWindowColours() {
    m_saved[0] = GetSysColor(COLOR_WINDOW);
    m_saved[1] = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF unusual[2] = {kWindow, kWindowText};
    SetSysColors(2, kElements, unusual);
  }
  ~UnusualWindowColours() { SetSysColors(2, kElements, m_saved); }

 private:
  static constexpr INT kElements[2] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
  COLORREF m_saved[2];
};

}  // namespace

TEST_F(PageTest, TheHeaderBandAndTitlesFollowTheSystemWindowColours) {
  UnusualWindowColours scheme;
  ASSERT_EQ(GetSysColor(COLOR_WINDOW), UnusualWindowColours::kWindow);
  ASSERT_EQ(GetSysColor(COLOR_WINDOWTEXT), UnusualWindowColours::kWindowText);
  ControlColours band{}, title{}, subtitle{}, edit{};
  VisitFolderPage<CDestinationPage>(App().m_destFolder, TitleFont(), [&](HWND dialog, FolderVisit&) {
    band = ColoursOf(dialog, IDC_PANEL);
    title = ColoursOf(dialog, IDC_DESTINATION_TITLE);
    subtitle = ColoursOf(dialog, IDC_FOLDER_SUBTITLE);
    edit = ColoursOf(dialog, IDC_BROWSE);
    Click(dialog, IDC_BACK);
  });
  for (const ControlColours& colours : {band, title, subtitle}) {
    EXPECT_EQ(colours.background, UnusualWindowColours::kWindow);
    EXPECT_EQ(colours.text, UnusualWindowColours::kWindowText);
    EXPECT_EQ(colours.brush, GetSysColorBrush(COLOR_WINDOW));
  }
  EXPECT_NE(edit.brush, GetSysColorBrush(COLOR_WINDOW));
}

// --- Finish and restart pages ----------------------------------------------

namespace {

struct FinishVisit {
  INT_PTR result = 0;
  std::string title, body, launchLabel, quickStartLabel, windowTitle;
  int launchCheck = -1, quickStartCheck = -1;
  bool launchShown = false, launchLabelShown = false, quickStartShown = false, quickStartLabelShown = false;
  ControlColours titleColours{};
};

FinishVisit VisitFinishPage(CSetupApp& app, const std::function<void(HWND)>& script) {
  CFinishPage page;
  page.m_pLaunchProduct = &app.m_launchProduct;
  page.m_pInstallFailed = &app.m_installFailed;
  page.m_pOpenQuickStart = &app.m_openQuickStart;
  FinishVisit visit;
  visit.result = RunModal(page, [&](HWND dialog) {
    visit.title = TextOf(dialog, IDC_TITLE);
    visit.body = TextOf(dialog, IDC_BODY);
    visit.launchLabel = TextOf(dialog, IDC_LAUNCH_LABEL);
    visit.quickStartLabel = TextOf(dialog, IDC_QUICK_START_LABEL);
    visit.windowTitle = TextOf(dialog, 0);
    visit.launchCheck = CheckOf(dialog, IDC_LAUNCH);
    visit.quickStartCheck = CheckOf(dialog, IDC_QUICK_START);
    visit.launchShown = IsShown(dialog, IDC_LAUNCH);
    visit.launchLabelShown = IsShown(dialog, IDC_LAUNCH_LABEL);
    visit.quickStartShown = IsShown(dialog, IDC_QUICK_START);
    visit.quickStartLabelShown = IsShown(dialog, IDC_QUICK_START_LABEL);
    visit.titleColours = ColoursOf(dialog, IDC_TITLE);
    script(dialog);
  });
  return visit;
}

}  // namespace

TEST_F(PageTest, AfterSuccessTheFinishPageOffersBothAndFinishReadsTheBoxes) {
  UnusualWindowColours scheme;
  const FinishVisit visit = VisitFinishPage(App(), [](HWND dialog) {
    Click(dialog, IDC_LAUNCH);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(visit.result, IDCANCEL);
  EXPECT_EQ(visit.title, "Completing Velmora\n Setup Wizard.");
  EXPECT_EQ(visit.body, "Setup finished Velmora installation on your computer.\nClick Finish to exit ");
  EXPECT_EQ(visit.launchLabel, "Launch Velmora now.");
  EXPECT_EQ(visit.quickStartLabel, "Open \"Quick start\" page.");
  EXPECT_EQ(visit.windowTitle, "Setup - Velmora");
  EXPECT_EQ(visit.launchCheck, BST_CHECKED);
  EXPECT_EQ(visit.quickStartCheck, BST_CHECKED);
  EXPECT_TRUE(visit.launchShown && visit.quickStartShown && visit.launchLabelShown && visit.quickStartLabelShown);
  EXPECT_EQ(visit.titleColours.text, UnusualWindowColours::kWindowText);
  EXPECT_EQ(visit.titleColours.background, UnusualWindowColours::kWindow);
  EXPECT_EQ(App().m_launchProduct, 0);
  EXPECT_EQ(App().m_openQuickStart, 1);
}

TEST_F(PageTest, AfterAFailureTheFinishPageHasARedTitleAndOffersNothing) {
  UnusualWindowColours scheme;
  App().m_installFailed = 1;
  const FinishVisit visit = VisitFinishPage(App(), [](HWND dialog) { Click(dialog, IDCANCEL); });
  EXPECT_EQ(visit.result, IDCANCEL);
  EXPECT_EQ(visit.title, "Setup Wizard did not complete the  installation\n Velmora on your computer.");
  EXPECT_EQ(visit.body,
            "While installing Velmora on your computer system error occurred. Please download the latest version of "
            "Velmora from our web site and try again!");
  EXPECT_FALSE(visit.launchShown || visit.launchLabelShown || visit.quickStartShown || visit.quickStartLabelShown);
  EXPECT_EQ(visit.titleColours.text, RGB(255, 0, 0));
  EXPECT_EQ(visit.titleColours.background, UnusualWindowColours::kWindow);
  EXPECT_EQ(App().m_launchProduct, 0);
  EXPECT_EQ(App().m_openQuickStart, 0);
}

TEST_F(PageTest, EnterOnTheFinishPageIsFinishAndReadsTheBoxes) {
  // Enter with the focus on a check box: the dialog's default command, IDOK.
  const FinishVisit unticked = VisitFinishPage(App(), [](HWND dialog) {
    Click(dialog, IDC_LAUNCH);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_LAUNCH)), TRUE);
    PressKey(dialog, VK_RETURN);
  });
  EXPECT_EQ(unticked.result, IDCANCEL);
  EXPECT_EQ(App().m_launchProduct, 0);
  EXPECT_EQ(App().m_openQuickStart, 1);

  App().m_launchProduct = 1;
  App().m_openQuickStart = 0;
  const FinishVisit ok = VisitFinishPage(App(), [](HWND dialog) {
    Click(dialog, IDC_QUICK_START);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(ok.result, IDCANCEL);
  EXPECT_EQ(App().m_launchProduct, 1);
  EXPECT_EQ(App().m_openQuickStart, 0);
}

TEST_F(PageTest, EnterOnTheRestartPageIsFinishWithTheChoiceMade) {
  App().m_restartRequired = 1;
  CRestartPage page;
  page.m_pRestartRequired = &App().m_restartRequired;
  page.m_pInstallFailed = &App().m_installFailed;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    Click(dialog, IDC_RESTART_LATER);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(App().m_restartRequired, 0);
}

TEST_F(PageTest, TheRestartChoiceIsLiveAndRestartNowIsPreselected) {
  App().m_restartRequired = 1;
  CRestartPage page;
  page.m_pRestartRequired = &App().m_restartRequired;
  page.m_pInstallFailed = &App().m_installFailed;
  int nowAtOpening = -1;
  LONG afterLater = -1, afterNow = -1;
  std::string nowLabel, laterLabel, title, body;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    nowAtOpening = CheckOf(dialog, IDC_RESTART_NOW);
    nowLabel = TextOf(dialog, IDC_RESTART_NOW_LABEL);
    laterLabel = TextOf(dialog, IDC_RESTART_LATER_LABEL);
    title = TextOf(dialog, IDC_TITLE);
    body = TextOf(dialog, IDC_BODY);
    Click(dialog, IDC_RESTART_LATER);
    afterLater = App().m_restartRequired;
    Click(dialog, IDC_RESTART_NOW);
    afterNow = App().m_restartRequired;
    Click(dialog, IDC_RESTART_LATER);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(nowAtOpening, BST_CHECKED);
  EXPECT_EQ(nowLabel, "Yes, restart  the computer now.");
  EXPECT_EQ(laterLabel, "No, I will restart the computer later.");
  EXPECT_EQ(title, "Completing Velmora\n Setup Wizard.");
  EXPECT_EQ(body,
            "To complete the installation Velmora, Setup must restart your computer. Would you like to restart now?");
  EXPECT_EQ(afterLater, 0);
  EXPECT_EQ(afterNow, 1);
  EXPECT_EQ(App().m_restartRequired, 0);
  EXPECT_TRUE(Calls().MessageBoxes().empty());
}

TEST_F(PageTest, AfterAFailureTheRestartPageHasARedTitleAndStillOffersTheRestart) {
  App().m_restartRequired = 1;
  App().m_installFailed = 1;
  CRestartPage page;
  page.m_pRestartRequired = &App().m_restartRequired;
  page.m_pInstallFailed = &App().m_installFailed;
  std::string title, body;
  ControlColours titleColours{};
  RunModal(page, [&](HWND dialog) {
    title = TextOf(dialog, IDC_TITLE);
    body = TextOf(dialog, IDC_BODY);
    titleColours = ColoursOf(dialog, IDC_TITLE);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(title, "Setup Wizard did not complete the  installation\n Velmora on your computer.");
  EXPECT_EQ(body.substr(0, 60), "While installing Velmora on your computer system error occur");
  EXPECT_NE(body.find("download the latest version of Velmora"), std::string::npos);
  EXPECT_EQ(titleColours.text, RGB(255, 0, 0));
  EXPECT_EQ(App().m_restartRequired, 1);
}

// --- Progress page ---------------------------------------------------------

TEST_F(PageTest, AFailedInstallationShowsMessage44OverThePageRollsBackAndEndsIt) {
  ASSERT_TRUE(App().ConstructEngine());
  CProgressPage page;
  page.m_pTitleFont = TitleFont();
  page.m_pInstallStarter = &App();
  App().m_pProgressTarget = &page.m_target;
  App().m_pProgressPos = &page.m_pos;
  HWND window = nullptr, bar = nullptr;
  bool nextShown = true, cancelEnabled = true;
  std::string title, windowTitle;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    window = dialog;
    bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    nextShown = IsShown(dialog, IDOK);
    cancelEnabled = IsEnabled(dialog, IDCANCEL);
    title = TextOf(dialog, IDC_PROGRESS_TITLE);
    windowTitle = TextOf(dialog, 0);
  });
  JoinWorker(App().m_pWorkerThread);

  // The engine's store is empty: Install fails at its first step.
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(nextShown);
  EXPECT_FALSE(cancelEnabled);
  EXPECT_EQ(title, "Install");
  EXPECT_EQ(windowTitle, "Setup - Velmora");
  EXPECT_EQ(App().m_installFailed, 1);
  EXPECT_EQ(page.m_pos, 100);
  const auto boxes = Calls().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_NE(boxes[0].threadId, GetCurrentThreadId());
  EXPECT_EQ(boxes[0].text.substr(0, 51), "Error during installation.\nError code = 0x00000065\n");
  // The bar is named by the task text beside it ("Task:" until the first
  // task's text arrives).
  const std::string name = m_accessibility.NameOf(bar);
  EXPECT_TRUE(name == "Task:" || name.find("...") != std::string::npos) << name;
}

// --- Display scale, screen readers, high contrast ------------------------------

namespace {

// Visits every page but the progress page (whose frame is the other
// interior pages') with `script`.
void VisitEveryPage(CSetupApp& app, CFont* font, const std::function<void(HWND)>& script) {
  CWelcomePage welcome;
  welcome.m_pPackageOpener = &app;
  RunModal(welcome, [&](HWND dialog) {
    // Without a package the opening fails at once, and Cancel ends the page.
    WaitFor([&] { return IsEnabled(dialog, IDCANCEL); });
    script(dialog);
    Click(dialog, IDCANCEL);
  });
  CPackageFileStore store;
  CLicensePage license;
  license.m_pLicenseAccepted = &app.m_licenseAccepted;
  license.m_pStore = &store;
  license.m_pTitleFont = font;
  RunModal(license, [&](HWND dialog) { script(dialog); Click(dialog, IDC_BACK); });
  VisitFolderPage<CDestinationPage>(app.m_destFolder, font, [&](HWND dialog, FolderVisit&) { script(dialog); Click(dialog, IDC_BACK); });
  VisitFolderPage<CStartMenuPage>(app.m_startMenuFolder, font, [&](HWND dialog, FolderVisit&) { script(dialog); Click(dialog, IDC_BACK); });
  CTasksPage tasks;
  tasks.m_pTitleFont = font;
  tasks.m_pDesktopIcon = &app.m_desktopIcon;
  tasks.m_pQuickLaunchIcon = &app.m_quickLaunchIcon;
  RunModal(tasks, [&](HWND dialog) { script(dialog); Click(dialog, IDC_BACK); });
  CReadyPage ready;
  ready.m_pTitleFont = font;
  app.BuildSummary(ready.m_summary);
  RunModal(ready, [&](HWND dialog) { script(dialog); Click(dialog, IDC_BACK); });
  VisitFinishPage(app, [&](HWND dialog) { script(dialog); Click(dialog, IDCANCEL); });
  CRestartPage restart;
  restart.m_pRestartRequired = &app.m_restartRequired;
  restart.m_pInstallFailed = &app.m_installFailed;
  RunModal(restart, [&](HWND dialog) { script(dialog); Click(dialog, IDCANCEL); });
}

}  // namespace

namespace {

struct PageLanguage {
  const char* code;
  LANGID language;
};

// Written out: the LANGIDs Windows reports for the wizard's languages.
constexpr PageLanguage kPageLanguages[] = {{"en", 0x409}, {"de", 0x407}, {"fr", 0x40C}, {"es", 0xC0A},
                                           {"ru", 0x419}, {"ja", 0x411}, {"zh_CN", 0x804}, {"ar", 0x401}};

// The pages in one language, with the title font the wizard makes for it.
class PageLanguageTest : public PageTest, public ::testing::WithParamInterface<PageLanguage> {
 protected:
  void SetUp() override { ShowIn(GetParam().language); }
  void TearDown() override { AfxSetResourceLanguage(0x409); }
  void ShowIn(LANGID language) {
    AfxSetResourceLanguage(language, &InflateLanguagePack);
    m_titleFont.CreateFont(14, 0, 0, 0, FW_BOLD, 0, 0, 0, TitleFontCharSet(language), 0, 0, ANTIALIASED_QUALITY, 0,
                           TitleFontFace(language));
  }
  CFont m_titleFont;
};

bool HasExStyle(HWND window, DWORD exStyle) { return (GetWindowLongA(window, GWL_EXSTYLE) & exStyle) != 0; }

// A static that shows a bitmap or an icon.
bool IsPicture(HWND child) {
  char className[16] = {};
  GetClassNameA(child, className, sizeof(className));
  const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
  return lstrcmpiA(className, "Static") == 0 && (type == SS_BITMAP || type == SS_ICON);
}

// Visible texts of a page's statics and buttons, by control id.
std::map<int, std::string> ShownTexts(HWND dialog) {
  std::map<int, std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    const bool text = !IsPicture(child) && (lstrcmpiA(className, "Static") == 0 || lstrcmpiA(className, "Button") == 0);
    if (text && IsWindowVisible(child) && GetDlgCtrlID(child) > 0) texts[GetDlgCtrlID(child)] = Utf8TextOf(child);
  }
  return texts;
}

}  // namespace

// Every language's pages, at 96 DPI here and, by app.display_scale.DPI, in
// prefixes at 96 and 144 DPI (English at 120 and 192 too): pictures fill
// their areas, no text is clipped, no English text is left, and Arabic is
// laid out right to left with its pictures and paths as they are.
TEST_P(PageLanguageTest, DisplayScaleEveryPagesPictureFillsItsAreaAndNoTextIsClipped) {
  std::vector<std::map<int, std::string>> english;
  if (GetParam().language != 0x409) {
    ShowIn(0x409);
    VisitEveryPage(App(), &m_titleFont, [&](HWND dialog) { english.push_back(ShownTexts(dialog)); });
    ShowIn(GetParam().language);
  }
  const bool rightToLeft = PRIMARYLANGID(GetParam().language) == LANG_ARABIC;
  std::vector<std::string> problems;
  size_t page = 0;
  VisitEveryPage(App(), &m_titleFont, [&](HWND dialog) {
    const std::string name = Utf8TextOf(dialog) + " " + std::to_string(page) + ": ";
    for (const std::string& problem : LayoutProblems(dialog)) problems.push_back(name + problem);
    if (page < english.size()) {
      for (const auto& [id, text] : ShownTexts(dialog)) {
        const auto before = english[page].find(id);
        if (!text.empty() && before != english[page].end() && before->second == text && text.find("Velmora") != 0)
          problems.push_back(name + "control " + std::to_string(id) + " is still English: " + text);
      }
    }
    ++page;
    if (HasExStyle(dialog, WS_EX_LAYOUTRTL) != rightToLeft) problems.push_back(name + "not laid out as its language");
    // The button that goes back lies towards the reading's start.
    RECT back{}, next{};
    if (IsShown(dialog, IDC_BACK) && IsShown(dialog, IDOK)) {
      GetWindowRect(GetDlgItem(dialog, IDC_BACK), &back);
      GetWindowRect(GetDlgItem(dialog, IDOK), &next);
      if ((back.left > next.left) != rightToLeft) problems.push_back(name + "Back and Next in the wrong order");
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsPicture(child) && HasExStyle(child, WS_EX_LAYOUTRTL)) problems.push_back(name + "a picture is mirrored");
    }
    // Inside the right-to-left summary the folder reads left to right
    // (between the embedding marks U+202A and U+202C).
    if (HWND summary = GetDlgItem(dialog, IDC_SUMMARY)) {
      const std::string folder = "\xE2\x80\xAA" + App().m_destFolder.str() + "\xE2\x80\xAC";
      if ((Utf8TextOf(summary).find(folder) != std::string::npos) != rightToLeft)
        problems.push_back(name + "the summary's folder is not embedded as its language needs");
    }
    if (HWND folder = GetDlgItem(dialog, IDC_FOLDER)) {
      if (HasExStyle(folder, WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT))
        problems.push_back(name + "the folder does not read left to right");
    }
  });
  EXPECT_EQ(page, 8u);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, PageLanguageTest, ::testing::ValuesIn(kPageLanguages),
                         [](const ::testing::TestParamInfo<PageLanguage>& info) { return std::string(info.param.code); });

namespace {

// A control's place in the page's client area and its font's height.
struct ControlShape {
  int id;
  RECT rect;
  LONG fontHeight;  // 0 without a font
};

std::vector<ControlShape> ShapesOf(HWND dialog) {
  std::vector<ControlShape> shapes;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ControlShape shape{GetDlgCtrlID(child), {}, 0};
    GetWindowRect(child, &shape.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&shape.rect), 2);
    LOGFONTA font = {};
    if (GetObjectA(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), sizeof(font), &font))
      shape.fontHeight = std::abs(font.lfHeight);
    shapes.push_back(shape);
  }
  return shapes;
}

HGDIOBJ PictureOf(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
      return reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
  }
  return nullptr;
}

std::string Describe(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) +
         " x " + std::to_string(rect.bottom - rect.top);
}

}  // namespace

// A move to a monitor with half as much DPI again: the window takes the
// suggested rectangle; every control is where the layout puts it at that
// DPI, with a font of that DPI, and the layout checks pass at it; the
// picture shown before is deleted.
TEST_F(PageTest, ADpiChangeLaysEveryPageOutAnewAndKeepsNoOldPicture) {
  std::vector<std::string> problems;
  int visit = 0;
  VisitEveryPage(App(), TitleFont(), [&](HWND dialog) {
    const std::string page = "page " + std::to_string(++visit) + ": ";
    const UINT from = WindowDpi(dialog), to = from * 3 / 2;
    const std::vector<ControlShape> before = ShapesOf(dialog);
    HGDIOBJ pictureBefore = PictureOf(dialog);
    RECT wanted, taken;
    GetWindowRect(dialog, &wanted);
    wanted = {wanted.left + 10, wanted.top + 10, wanted.left + 10 + (wanted.right - wanted.left) * 3 / 2,
              wanted.top + 10 + (wanted.bottom - wanted.top) * 3 / 2};
    SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&wanted));
    GetWindowRect(dialog, &taken);
    if (!EqualRect(&wanted, &taken)) problems.push_back(page + "window at " + Describe(taken));
    const std::vector<ControlShape> after = ShapesOf(dialog);
    auto scaled = [&](LONG value) { return MulDiv(value, static_cast<int>(to), static_cast<int>(from)); };
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
      const RECT& was = before[i].rect;
      const RECT want = {scaled(was.left), scaled(was.top), scaled(was.left) + scaled(was.right - was.left),
                         scaled(was.top) + scaled(was.bottom - was.top)};
      const RECT& is = after[i].rect;
      if (std::abs(want.left - is.left) > 2 || std::abs(want.top - is.top) > 2 ||
          std::abs(want.right - is.right) > 2 || std::abs(want.bottom - is.bottom) > 2)
        problems.push_back(page + "control " + std::to_string(before[i].id) + " at " + Describe(is) + ", not " +
                           Describe(want));
      if (std::abs(scaled(before[i].fontHeight) - after[i].fontHeight) > 1)
        problems.push_back(page + "control " + std::to_string(before[i].id) + " font " +
                           std::to_string(after[i].fontHeight) + " high, not " +
                           std::to_string(scaled(before[i].fontHeight)));
    }
    for (const std::string& problem : LayoutProblems(dialog, to)) problems.push_back(page + problem);
    if (pictureBefore && pictureBefore != PictureOf(dialog) && GetObjectType(pictureBefore) != 0)
      problems.push_back(page + "the picture shown before is still there");
  });
  EXPECT_EQ(visit, 8);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

// A check box or radio button is named by its own caption, else by the name
// given to the accessibility service; any other control (edit boxes, the
// license text, the summary) only by the name given: its content is no name.
TEST_F(PageTest, EveryInputControlHasAnAccessibleName) {
  std::map<std::string, std::string> names;  // "page N control ID", name
  int visit = 0;
  VisitEveryPage(App(), TitleFont(), [&](HWND dialog) {
    ++visit;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const LONG style = GetWindowLongA(child, GWL_STYLE);
      const int id = GetDlgCtrlID(child), type = style & BS_TYPEMASK;
      char className[16] = {};
      GetClassNameA(child, className, sizeof(className));
      const bool button = lstrcmpiA(className, "Button") == 0;
      const bool push = button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
      if (!(style & WS_VISIBLE) || push || !(button || (style & WS_TABSTOP))) continue;
      std::string name = m_accessibility.NameOf(child);
      if (name == "(none)") name = button ? TextOf(dialog, id) : "";
      names["page " + std::to_string(visit) + " control " + std::to_string(id)] = name;
    }
  });
  for (const auto& entry : names) EXPECT_FALSE(entry.second.empty()) << entry.first << " has no name";
  EXPECT_GE(names.size(), 12u);
  auto nameOf = [&](int page, int id) {
    const auto found = names.find("page " + std::to_string(page) + " control " + std::to_string(id));
    return found == names.end() ? std::string("(not visited)") : found->second;
  };
  EXPECT_EQ(nameOf(2, IDC_LICENSE_TEXT), "License Agreement");
  EXPECT_EQ(nameOf(3, IDC_FOLDER), "Setup will install Velmora into the following folder.");
  EXPECT_EQ(nameOf(4, IDC_FOLDER), "Setup will create the program shortcuts in the following Start Menu folder");
  EXPECT_EQ(nameOf(5, IDC_DESKTOP_ICON), "Create a desktop icon");
  EXPECT_EQ(nameOf(6, IDC_SUMMARY), "Ready to Install");
  EXPECT_EQ(nameOf(7, IDC_QUICK_START), "Open \"Quick start\" page.");
  EXPECT_EQ(nameOf(8, IDC_RESTART_LATER), "No, I will restart the computer later.");
}

TEST_F(PageTest, UnderHighContrastTheFailureTitlePaintsInSystemColoursOnly) {
  UnusualWindowColours scheme;
  App().m_installFailed = 1;
  std::vector<COLORREF> normal, contrast;
  VisitFinishPage(App(), [&](HWND dialog) {
    normal = PaintedPixels(dialog, IDC_TITLE);
    Calls().UseHighContrast(true);
    contrast = PaintedPixels(dialog, IDC_TITLE);
    Click(dialog, IDCANCEL);
  });
  auto count = [](const std::vector<COLORREF>& pixels, bool (*is)(COLORREF)) {
    return std::count_if(pixels.begin(), pixels.end(), is);
  };
  auto reddish = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 120 && GetBValue(c) < 120; };
  EXPECT_GT(count(normal, reddish), 0);
  EXPECT_EQ(count(contrast, reddish), 0);
  EXPECT_GT(count(contrast, [](COLORREF c) { return c == UnusualWindowColours::kWindowText; }), 0);
  EXPECT_GT(count(contrast, [](COLORREF c) { return c == UnusualWindowColours::kWindow; }), 0);
}
