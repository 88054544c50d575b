// The welcome page and its initialization worker, driven in-process. The
// binary runs twice: bare (WelcomeWithoutPackage) and with a package
// appended to it (WelcomeWithPackage).

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/pages/welcome_page.h"
#include "res/resource.h"
#include "tests/app/app_harness.h"
#include "tests/app/page_probe.h"
#include "tests/framework/modal_driver.h"
#include "tests/support/test_registry.h"
#include "base/product.h"

namespace {

// What the page shows when its opening is done, before the worker's outcome
// can reach it (that arrives as a message, after WM_INITDIALOG).
struct OpeningState {
  bool nextEnabled;
  bool cancelEnabled;
  bool backEnabled;
  std::string title;
  std::string body;
  std::string windowTitle;
};

class ProbedWelcomePage : public CWelcomePage {
 public:
  std::vector<OpeningState> m_openings;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CWelcomePage::OnInitDialog();
    m_openings.push_back({IsEnabled(m_hWnd, IDOK), IsEnabled(m_hWnd, IDCANCEL), IsEnabled(m_hWnd, IDC_BACK),
                          TextOf(m_hWnd, IDC_TITLE), TextOf(m_hWnd, IDC_BODY), TextOf(m_hWnd, 0)});
    return result;
  }
};

const char kWaitText[] = "Please wait while Setup Wizard complete initialization!";
const char kReadyText[] =
    "The Setup Wizard will allow you to install Velmora Version 1.7 on your computer. Click Next to continue or "
    "Cancel to exit the Setup Wizard.";

void ExpectInitializing(const OpeningState& opening) {
  EXPECT_FALSE(opening.nextEnabled);
  EXPECT_FALSE(opening.cancelEnabled);
  EXPECT_FALSE(opening.backEnabled);
  EXPECT_EQ(opening.title, "Welcome to the Velmora \nVersion 1.7 Setup Wizard");
  EXPECT_EQ(opening.body, kWaitText);
  EXPECT_EQ(opening.windowTitle, "Setup - Velmora");
}

struct Outcome {
  bool nextEnabled = false;
  bool backEnabled = true;
  std::string body;
};

// Waits until the worker's outcome has reached the page (Cancel enabled).
Outcome AwaitOutcome(HWND page) {
  WaitFor([&] { return IsEnabled(page, IDCANCEL); });
  return Outcome{IsEnabled(page, IDOK), IsEnabled(page, IDC_BACK), TextOf(page, IDC_BODY)};
}

}  // namespace

TEST(WelcomeWithoutPackage, AWorkerThatCannotStartFailsTheRunRatherThanCancellingIt) {
  AppHarness harness;
  harness.m_calls.FailThreads(true);
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  // The page ends while it opens: message 37, then IDCANCEL.
  EXPECT_EQ(page.DoModal(), IDCANCEL);
  ASSERT_EQ(harness.m_calls.MessageBoxes().size(), 1u);
  EXPECT_EQ(harness.m_calls.MessageBoxes()[0].text, "System Error = 0x00000008");
  harness.m_app.m_outcome.cancelled = true;  // as the wizard records the walk's end
  EXPECT_EQ(harness.m_app.ExitCode(), 1603);
}

TEST(WelcomeWithoutPackage, ADamagedPackageIsReportedAndOnlyCancelLeadsOn) {
  AppHarness harness;
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  HWND window = nullptr;
  Outcome outcome;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    window = dialog;
    outcome = AwaitOutcome(dialog);
    Click(dialog, IDCANCEL);
  });

  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(page.m_openings.size(), 1u);
  ExpectInitializing(page.m_openings[0]);
  EXPECT_FALSE(outcome.nextEnabled);
  EXPECT_FALSE(outcome.backEnabled);
  EXPECT_EQ(outcome.body, kWaitText);
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(boxes[0].text, "Installation package is damaged");
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_TRUE(boxes[1].viaAfx);
  EXPECT_EQ(boxes[1].text, "Are you sure you want to cancel Velmora installation?");
  EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

TEST(WelcomeWithoutPackage, CancelAnsweredNoKeepsThePage) {
  AppHarness harness;
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  bool stillOpen = false;
  bool cancelStillEnabled = false;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    AwaitOutcome(dialog);
    harness.m_calls.AnswerConfirmations(IDNO);
    Click(dialog, IDCANCEL);
    AwaitPostedMessages(dialog);
    stillOpen = IsWindowVisible(dialog) != FALSE;
    cancelStillEnabled = IsEnabled(dialog, IDCANCEL);
    harness.m_calls.AnswerConfirmations(IDYES);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(cancelStillEnabled);
}

TEST(WelcomeWithoutPackage, AnUnexpectedExceptionInTheWorkerShowsMessage34) {
  AppHarness harness;
  // An engine pointer that faults on first use, on the worker thread.
  std::unique_ptr<CProductInstallEngine> engine = std::move(harness.m_app.m_engine);
  harness.m_app.m_engine.reset(reinterpret_cast<CProductInstallEngine*>(16));
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  HWND window = nullptr;
  Outcome outcome;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    window = dialog;
    outcome = AwaitOutcome(dialog);
    Click(dialog, IDCANCEL);
  });
  harness.m_app.m_engine.release();
  harness.m_app.m_engine = std::move(engine);

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(outcome.nextEnabled);
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_GE(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  const std::string prefix =
      "Exception during Setup initialization!\nException code = 0xc0000005\nException address = 0x";
  EXPECT_EQ(boxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(boxes[0].text.size(), prefix.size() + 8);
}

// An opening that lasts until released, of a package large enough to show
// its progress.
class SlowOpener : public IPackageOpener {
 public:
  int InitializePackage(CString&) override {
    ::WaitForSingleObject(m_release.get(), 10000);
    return 0;
  }
  int PackageProgress() override { return 42; }
  void WorkerNotStarted() override {}
  unique_handle m_release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

TEST(WelcomeWithoutPackage, ALargePackagesWaitShowsHowFarTheOpeningHasCome) {
  AppHarness harness;
  SlowOpener opener;
  ProbedWelcomePage page;
  page.m_pPackageOpener = &opener;
  std::string during;
  Outcome outcome;
  RunModal(page, [&](HWND dialog) {
    WaitFor([&] { return TextOf(dialog, IDC_BODY) != kWaitText; });
    during = TextOf(dialog, IDC_BODY);
    ::SetEvent(opener.m_release.get());
    outcome = AwaitOutcome(dialog);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(during, std::string(kWaitText) + "\n\n42%");
  EXPECT_TRUE(outcome.nextEnabled);
  EXPECT_EQ(outcome.body, kReadyText);
}

TEST(WelcomeWithoutPackage, TheMinimizedWindowDragsTheSetupIcon) {
  AppHarness harness;
  CWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  HICON dragged = nullptr;
  RunModal(page, [&](HWND dialog) {
    dragged = reinterpret_cast<HICON>(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0));
    AwaitOutcome(dialog);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(dragged, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP)));
  EXPECT_NE(dragged, nullptr);
}

TEST(WelcomeWithPackage, AGoodPackageEnablesNextAndShowsTheReadyText) {
  AppHarness harness;
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  Outcome outcome;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    outcome = AwaitOutcome(dialog);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(page.m_openings.size(), 1u);
  ExpectInitializing(page.m_openings[0]);
  EXPECT_TRUE(outcome.nextEnabled);
  EXPECT_FALSE(outcome.backEnabled);
  EXPECT_EQ(outcome.body, kReadyText);
  EXPECT_TRUE(harness.m_calls.MessageBoxes().empty());
  const uint8_t* content = nullptr;
  uint32_t size = 0;
  EXPECT_TRUE(harness.m_app.m_engine->Store().Lookup("readme.txt", &content, &size));
}

TEST(WelcomeWithPackage, EveryVisitUnpacksThePackageAgain) {
  AppHarness harness;
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  for (int visit = 0; visit < 2; ++visit) {
    Outcome outcome;
    const INT_PTR result = RunModal(page, [&](HWND dialog) {
      outcome = AwaitOutcome(dialog);
      Click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(outcome.nextEnabled);
    // Between visits the store is emptied: only the new unpack refills it.
    if (visit == 0) harness.m_app.m_engine->Store().Release();
  }
  ASSERT_EQ(page.m_openings.size(), 2u);
  ExpectInitializing(page.m_openings[1]);
  EXPECT_EQ(harness.m_app.m_engine->Store().EntryCount(), 2u);
}

TEST(WelcomeWithPackage, On64BitWindowsAPackageWithoutItsDriversIsRefusedBeforeAnythingChanges) {
  AppHarness harness;
  // This test's package carries no driver at all, so none for 64-bit Windows.
  harness.m_faults.PretendWow64();
  const int changesBefore = harness.m_faults.MutatingCount();
  ProbedWelcomePage page;
  page.m_pPackageOpener = &harness.m_app;
  HWND window = nullptr;
  Outcome outcome;
  const INT_PTR result = RunModal(page, [&](HWND dialog) {
    window = dialog;
    outcome = AwaitOutcome(dialog);
    Click(dialog, IDCANCEL);
  });

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(outcome.nextEnabled);
  EXPECT_EQ(outcome.body, kWaitText);
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(boxes[0].text,
            "This Setup Wizard does not contain the kernel mode drivers for Windows 64bit, so Velmora cannot work "
            "on this computer. Please download the latest version of Velmora from our web site!");
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  // The run's outcome is a failure of its own kind, and nothing was changed.
  EXPECT_EQ(harness.m_app.m_unsupportedWindows, 1);
  EXPECT_EQ(harness.m_app.m_installFailed, 1);
  EXPECT_EQ(harness.m_faults.MutatingCount(), changesBefore) << harness.m_faults.DescribeMutatingCalls();
  EXPECT_NE(harness.LogText().find("Error: The package has no driver for 64-bit Windows: velctl64.sys\r\n"),
            std::string::npos)
      << harness.LogText();
}

TEST(WelcomeWithPackage, On32BitWindowsThePackageNeedsNoDriversFor64BitWindows) {
  AppHarness harness;
  harness.m_faults.PretendWow64(false);
  CString message;
  EXPECT_EQ(harness.m_app.InitializePackage(message), 0);
  EXPECT_EQ(harness.m_app.m_unsupportedWindows, 0);
  EXPECT_EQ(harness.m_app.m_installFailed, 0);
  EXPECT_EQ(harness.LogText().find("64-bit"), std::string::npos);
}

// The refusals before the welcome page lets the user on: each leaves the
// message for the page's box, the run's exit code, and the machine as it was.
TEST(WelcomeWithPackage, Arm64WindowsAndANewerInstalledVersionAreRefusedBeforeAnythingChanges) {
  struct Case {
    const char* installedVersion;  // null: nothing installed
    USHORT machine;
    int status;
    const char* message;
    const char* logLine;
    int exitCode;
  };
  const Case cases[] = {
      {nullptr, IMAGE_FILE_MACHINE_ARM64, CSetupApp::kUnsupportedWindowsStatus,
       "This Setup Wizard does not contain the kernel mode drivers for Windows on ARM64 processors, so Velmora "
       "cannot work on this computer.",
       "Error: The package has no driver for this processor: ARM64\r\n", 1633},
      {"1.10", 0, CSetupApp::kNewerInstalledStatus,
       "A newer version of Velmora is already installed on this computer: version 1.10. This Setup Wizard installs "
       "version 1.7. To install it, please remove the newer version first.",
       "Installed version: 1.10\r\nInstalled in: C:\\Newer\r\nThis run: none, the installed version is newer\r\n"
       "Error: A newer version is installed: 1.10\r\n", 1638},
  };
  for (const Case& c : cases) {
    ScopedRegistryCleanup cleanup(HKEY_LOCAL_MACHINE, product::UninstallKeyPath());
    if (c.installedVersion) {
      WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "InstallLocation", "C:\\Newer");
      WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "DisplayVersion", c.installedVersion);
    }
    AppHarness harness;
    if (c.machine) harness.m_faults.PretendNativeMachine(c.machine);
    const int changesBefore = harness.m_faults.MutatingCount();
    harness.m_app.LearnInstalledProduct();
    CString message;
    EXPECT_EQ(harness.m_app.InitializePackage(message), c.status);
    EXPECT_EQ(message.str(), c.message);
    EXPECT_EQ(harness.m_app.ExitCode(), c.exitCode);
    EXPECT_EQ(harness.m_faults.MutatingCount(), changesBefore) << harness.m_faults.DescribeMutatingCalls();
    EXPECT_NE(harness.LogText().find(c.logLine), std::string::npos) << harness.LogText();
  }
}
