// The wrap-up after Finish: restart, or the product launched and the
// quick-start page opened; the log file deleted after success, kept and
// shown with message 57 after a failure.

#include <gtest/gtest.h>

#include <deque>

#include "base/product.h"
#include "res/resource.h"
#include "tests/app/app_harness.h"
#include "tests/support/test_files.h"

namespace {

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (FileExists(path)) return true;
    Sleep(50);
  }
  return FileExists(path);
}

// A page that answers DoModal from a list, for the walk before the wrap-up.
class AnsweringPage : public CDialog {
 public:
  explicit AnsweringPage(INT_PTR answer) : CDialog(IDD_WELCOME), m_answer(answer) {}
  INT_PTR DoModal() override { return m_answer; }

 private:
  INT_PTR m_answer;
};

// Walks pages that all answer IDOK up to the finish position, where the
// finish or restart page answers `finishAnswer`.
void WalkToTheEnd(CSetupApp& app, INT_PTR finishAnswer) {
  AnsweringPage forward(IDOK);
  AnsweringPage last(finishAnswer);
  WizardPageSet set;
  for (CDialog*& page : set.sequence) page = &forward;
  set.finish = &last;
  set.restart = &last;
  ASSERT_EQ(app.WalkPages(set), CSetupApp::WalkEnd::Finished);
}

}  // namespace

TEST(WrapUp, SuccessLaunchesTheProductOpensQuickStartMinimizedAndDeletesTheLog) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_destFolder = "C:\\Program Files\\Velmora";
  app.m_launchProduct = 1;
  app.m_openQuickStart = 1;
  const std::string log = app.LogFilePath().str();
  ASSERT_TRUE(FileExists(log));

  app.WrapUp();

  const auto processes = harness.m_calls.CreateProcesses();
  ASSERT_EQ(processes.size(), 1u);
  EXPECT_EQ(processes[0].application, "C:\\Program Files\\Velmora\\velmora.exe");
  EXPECT_EQ(processes[0].commandLine, "\"C:\\Program Files\\Velmora\\velmora.exe\"");
  EXPECT_EQ(processes[0].flags, 0u);
  EXPECT_FALSE(processes[0].inheritHandles);
  const auto shell = harness.m_calls.ShellExecutes();
  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0].owner, nullptr);
  EXPECT_EQ(shell[0].verb, "open");
  EXPECT_EQ(shell[0].file, product::kQuickStartUrl);
  EXPECT_FALSE(shell[0].hasParameters);
  EXPECT_FALSE(shell[0].hasDirectory);
  EXPECT_EQ(shell[0].show, SW_SHOWMINIMIZED);
  EXPECT_TRUE(harness.m_calls.MessageBoxes().empty());
  EXPECT_FALSE(FileExists(log));
  EXPECT_FALSE(app.m_hLogFile.valid());
  EXPECT_TRUE(harness.m_faults.ExitRequests().empty());
}

TEST(WrapUp, TheQuickStartPageIsOnTheMakersSiteAtItsFixedPath) {
  const std::string url = product::kQuickStartUrl;
  EXPECT_EQ(url.rfind("http://", 0), 0u);
  EXPECT_EQ(url.substr(url.size() - 19), "/velmora-usage.html");
}

TEST(WrapUp, ChoicesLeftOffLaunchAndOpenNothing) {
  AppHarness harness;
  harness.m_app.m_launchProduct = 0;
  harness.m_app.m_openQuickStart = 0;
  harness.m_app.WrapUp();
  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  EXPECT_TRUE(harness.m_calls.ShellExecutes().empty());
  EXPECT_FALSE(FileExists(harness.m_app.LogFilePath().str()));
}

TEST(WrapUp, AFailedInstallationKeepsTheLogOpensItAndShowsMessage57) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_engine->Log("Install File: ", "C:\\x");
  app.m_installFailed = 1;
  app.m_launchProduct = 0;
  const std::string log = app.LogFilePath().str();

  app.WrapUp();

  const auto shell = harness.m_calls.ShellExecutes();
  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0].owner, nullptr);
  EXPECT_EQ(shell[0].verb, "open");
  EXPECT_EQ(shell[0].file, log);
  EXPECT_FALSE(shell[0].hasParameters);
  EXPECT_FALSE(shell[0].hasDirectory);
  EXPECT_EQ(shell[0].show, SW_SHOW);
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(boxes[0].text,
            "To resolve installation issue could you please send installation log file [velmora-install.log] to our "
            "support team.");
  EXPECT_TRUE(FileExists(log));
  // The last line names the run's exit code: a failure.
  EXPECT_EQ(ReadWholeFile(log), "Install File: C:\\x\r\nExit code: 1603\r\n");
  // Closed: the file can be deleted now.
  EXPECT_TRUE(DeleteFileA(log.c_str()));
}

TEST(WrapUp, AFailedInstallationLaunchesNothingWhateverTheFlagsSay) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_destFolder = "C:\\Program Files\\Velmora";
  app.m_installFailed = 1;
  app.m_launchProduct = 1;  // the start value; the failure page never showed the box
  app.m_openQuickStart = 1;

  app.WrapUp();

  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  const auto shell = harness.m_calls.ShellExecutes();
  ASSERT_EQ(shell.size(), 1u);  // the log only
  EXPECT_EQ(shell[0].file, app.LogFilePath().str());
  EXPECT_EQ(harness.m_calls.MessageBoxes().size(), 1u);
  DeleteFileA(app.LogFilePath().c_str());
}

TEST(WrapUp, AFinishPageThatCouldNotBeShownLaunchesAndOpensNothing) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_destFolder = "C:\\Program Files\\Velmora";
  app.m_openQuickStart = 1;
  ASSERT_EQ(app.m_launchProduct, 1);
  WalkToTheEnd(app, -1);

  app.WrapUp();

  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  EXPECT_TRUE(harness.m_calls.ShellExecutes().empty());
  // The run itself succeeded: its log goes as after any success.
  EXPECT_FALSE(FileExists(app.LogFilePath().str()));
}

TEST(WrapUp, ARestartPageThatCouldNotBeShownDoesNotRestart) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_restartRequired = 1;
  WalkToTheEnd(app, -1);
  ASSERT_EQ(app.m_restartPageUsed, 1);

  app.WrapUp();

  EXPECT_TRUE(harness.m_faults.ExitRequests().empty());
  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  EXPECT_TRUE(harness.m_calls.ShellExecutes().empty());
}

TEST(WrapUp, ChoicesMadeOnAShownFinishPageAreCarriedOutAfterTheWalk) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_destFolder = "C:\\Program Files\\Velmora";
  WalkToTheEnd(app, IDCANCEL);
  app.WrapUp();
  EXPECT_EQ(harness.m_calls.CreateProcesses().size(), 1u);
}

TEST(WrapUp, AFailureWithoutALogFileStillShowsMessage57) {
  AppHarness harness(AppHarness::StartUp::None);
  CSetupApp& app = harness.m_app;
  app.SetInitialFlags();
  ASSERT_TRUE(app.LogFilePath().IsEmpty());
  app.m_installFailed = 1;

  app.WrapUp();

  EXPECT_TRUE(harness.m_calls.ShellExecutes().empty());
  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(boxes[0].text,
            "To resolve installation issue could you please send installation log file [velmora-install.log] to our "
            "support team.");
}

TEST(WrapUp, TheKeptRestartChoiceRestartsAndLaunchesNothing) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_restartPageUsed = 1;
  app.m_restartRequired = 1;
  app.m_launchProduct = 1;
  app.m_openQuickStart = 1;
  app.m_installFailed = 1;  // keeps the log to read it

  app.WrapUp();

  const auto& exits = harness.m_faults.ExitRequests();
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].flags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(exits[0].reason, 0u);
  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  ASSERT_EQ(harness.m_calls.ShellExecutes().size(), 1u);  // the log only
  EXPECT_EQ(harness.m_calls.ShellExecutes()[0].file, app.LogFilePath().str());
  EXPECT_EQ(harness.LogText(), "Restart System\r\nExit code: 1603\r\n");
  DeleteFileA(app.LogFilePath().c_str());
}

TEST(WrapUp, TheRestartLaterChoiceNeitherRestartsNorLaunches) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  app.m_restartPageUsed = 1;
  app.m_restartRequired = 0;
  app.m_launchProduct = 1;
  app.m_openQuickStart = 1;
  app.WrapUp();
  EXPECT_TRUE(harness.m_faults.ExitRequests().empty());
  EXPECT_TRUE(harness.m_calls.CreateProcesses().empty());
  EXPECT_TRUE(harness.m_calls.ShellExecutes().empty());
  EXPECT_FALSE(FileExists(app.LogFilePath().str()));
}

TEST(LaunchProduct, ADestinationWithSpacesRunsTheProductAndNoOtherProgram) {
  // C:\...\My Apps\Velmora\velmora.exe unquoted and unnamed would first run
  // C:\...\My.exe.
  TempFolder folder;
  const std::string destination = folder.File("My Apps\\Velmora");
  ASSERT_TRUE(CreateDirectoryA(folder.File("My Apps").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
  const std::string marker = WindowsPathOf(VELMORA_MARKER_PROGRAM);
  ASSERT_TRUE(CopyFileA(marker.c_str(), (destination + "\\velmora.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(marker.c_str(), folder.File("My.exe").c_str(), FALSE));

  AppHarness harness(AppHarness::StartUp::None);
  harness.m_calls.LetProcessesStart(true);
  harness.m_app.m_destFolder = destination.c_str();
  harness.m_app.LaunchProduct();

  ASSERT_TRUE(WaitForFile(destination + "\\velmora.exe.ran", 15000));
  Sleep(500);
  EXPECT_FALSE(FileExists(folder.File("My.exe.ran")));
  EXPECT_EQ(ReadWholeFile(destination + "\\velmora.exe.ran"), "\"" + destination + "\\velmora.exe\"");
}

TEST(LaunchProduct, AMissingProductIsNotReported) {
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_calls.LetProcessesStart(true);
  harness.m_app.m_destFolder = "C:\\no such folder\\Velmora";
  harness.m_app.LaunchProduct();
  EXPECT_EQ(harness.m_calls.CreateProcesses().size(), 1u);
  EXPECT_TRUE(harness.m_calls.MessageBoxes().empty());
}

TEST(WrapUp, TheRestartChoiceSelectsTheExitCodeAndNoRestartHoldsBackTheRestart) {
  {
    AppHarness harness;
    harness.m_app.m_restartPageUsed = 1;
    harness.m_app.m_restartRequired = 1;
    harness.m_app.WrapUp();
    EXPECT_EQ(harness.m_faults.ExitRequests().size(), 1u);
    EXPECT_EQ(harness.m_app.ExitInstance(), 1641);
  }
  {
    // "Later": the restart page cleared the flag; the need remains.
    AppHarness harness;
    harness.m_app.m_restartPageUsed = 1;
    harness.m_app.m_restartRequired = 0;
    harness.m_app.WrapUp();
    EXPECT_TRUE(harness.m_faults.ExitRequests().empty());
    EXPECT_EQ(harness.m_app.ExitInstance(), 3010);
  }
  {
    AppHarness harness;
    harness.m_app.m_options.restart = RestartChoice::Never;
    harness.m_app.m_restartPageUsed = 1;
    harness.m_app.m_restartRequired = 1;
    harness.m_app.WrapUp();
    EXPECT_TRUE(harness.m_faults.ExitRequests().empty());
    EXPECT_EQ(harness.m_app.ExitInstance(), 3010);
  }
  {
    AppHarness harness;
    harness.m_app.m_launchProduct = 0;
    harness.m_app.WrapUp();
    EXPECT_EQ(harness.m_app.ExitInstance(), 0);
  }
}
