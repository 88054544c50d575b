// The programs that hold files the installation replaces: the box over the
// ready page names them; Yes closes them before the first change, No leaves
// them running, Cancel keeps the page with nothing changed; a program that
// refuses to close is never ended and its file waits for the restart; a
// program that only the Restart Manager knows is named and closed too.

#include <gtest/gtest.h>

#include <string>

#include "tests/app/app_harness.h"
#include "tests/demo/running_program.h"
#include "tests/support/test_files.h"

namespace {

const std::string kBoxStart = "These programs are using files that Setup must update:\n\n";
const std::string kBoxEnd =
    "\n\nClick Yes to close them and continue, No to continue without closing them (Windows then completes the "
    "installation when you restart your computer), or Cancel to return.";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The window program copied to `path` and started there, its window shown.
class ProgramAt {
 public:
  ProgramAt(const std::string& path, const char* arguments = "") : m_copied(CopyFileA(VELMORA_WINDOW_PROGRAM, path.c_str(), FALSE) != FALSE),
        m_program("\"" + path + "\" " + arguments) {
    for (int i = 0; i < 200 && !WindowShown(); ++i) Sleep(50);
  }
  bool Ready() const { return m_copied && m_program.Started() && WindowShown(); }
  bool Running() { return m_program.WaitForExit(0) == STILL_ACTIVE; }
  DWORD Id() const { return m_program.Id(); }

 private:
  bool WindowShown() const {
    HWND window = FindWindowA("VelmoraTestWindowProgram", nullptr);
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    return window && owner == m_program.Id() && IsWindowVisible(window);
  }

  bool m_copied;
  RunningProgram m_program;
};

struct RunningProgramsTest : ::testing::Test {
  RunningProgramsTest() { harness.m_app.m_destFolder = dest.Path().c_str(); }

  TempFolder dest;
  AppHarness harness;
};

}  // namespace

TEST_F(RunningProgramsTest, YesClosesTheProductBeforeTheFirstChangeAndTheLogNamesIt) {
  const std::string program = dest.File("velmora.exe");
  ProgramAt running(program);
  ASSERT_TRUE(running.Ready());

  ASSERT_TRUE(harness.m_app.ReadyToReplaceFiles(reinterpret_cast<HWND>(0x1234)));
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoxStart + program + kBoxEnd);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].owner, reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING));
  EXPECT_TRUE(running.Running()) << "closed before the installation began";

  harness.m_faults.UseRealSleep(true);
  harness.m_app.CloseChosenPrograms();
  EXPECT_FALSE(running.Running());
  const std::string log = harness.LogText();
  EXPECT_TRUE(Contains(log, "Running Program: " + program + "\r\nClose Running Program: " + program +
                                "\r\nRunning Program Closed: " + program + "\r\n"))
      << log;
}

TEST_F(RunningProgramsTest, NoLeavesItRunningAndCancelKeepsTheReadyPageWithNothingChanged) {
  const std::string program = dest.File("velmora.exe");
  ProgramAt running(program);
  ASSERT_TRUE(running.Ready());

  harness.m_calls.AnswerYesNoCancel(IDCANCEL);
  EXPECT_FALSE(harness.m_app.ReadyToReplaceFiles(nullptr));
  harness.m_app.CloseChosenPrograms();
  EXPECT_TRUE(running.Running());
  EXPECT_FALSE(Contains(harness.LogText(), "Close Running Program"));

  harness.m_calls.AnswerYesNoCancel(IDNO);
  EXPECT_TRUE(harness.m_app.ReadyToReplaceFiles(nullptr));
  harness.m_app.CloseChosenPrograms();
  EXPECT_TRUE(running.Running());
  const std::string log = harness.LogText();
  EXPECT_TRUE(Contains(log, "Running Program Kept, its files wait for the restart: " + program + "\r\n")) << log;
  EXPECT_FALSE(Contains(log, "Close Running Program"));
  EXPECT_EQ(harness.m_calls.MessageBoxes().size(), 2u);
}

TEST_F(RunningProgramsTest, AProgramThatRefusesToCloseIsNotEndedAndItsFileWaitsForTheRestart) {
  const std::string program = dest.File("velmora.exe");
  ProgramAt running(program, "--ignore-close");
  ASSERT_TRUE(running.Ready());

  ASSERT_TRUE(harness.m_app.ReadyToReplaceFiles(nullptr));
  // Instant sleeps: the whole wait passes at once, in its rounds.
  harness.m_app.CloseChosenPrograms();
  EXPECT_TRUE(running.Running());
  EXPECT_EQ(harness.m_faults.Sleeps().size(), 120u);
  const std::string log = harness.LogText();
  EXPECT_TRUE(Contains(log, "Warning: Running program did not close, its files wait for the restart: " + program +
                                "\r\n"))
      << log;

  harness.m_app.m_engine->ShareRestartFlag(&harness.m_app.m_restartRequired);
  const std::string content = "the new program";
  harness.m_app.m_engine->InstallFile("velmora.exe", dest.Path(), reinterpret_cast<const uint8_t*>(content.data()),
                                       static_cast<uint32_t>(content.size()));
  EXPECT_EQ(harness.m_app.ExitCode(), 3010);
  EXPECT_TRUE(running.Running());
}

TEST_F(RunningProgramsTest, AProgramTheRestartManagerListsIsNamedAndClosed) {
  // Outside the destination folder: only the Restart Manager can know it.
  TempFolder elsewhere;
  ProgramAt viewer(elsewhere.File("viewer.exe"));
  ASSERT_TRUE(viewer.Ready());
  harness.m_faults.PretendRestartManagerLists(viewer.Id(), L"Velmora Help Viewer");

  ASSERT_TRUE(harness.m_app.ReadyToReplaceFiles(nullptr));
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoxStart + "Velmora Help Viewer" + kBoxEnd);

  harness.m_faults.UseRealSleep(true);
  harness.m_app.CloseChosenPrograms();
  EXPECT_FALSE(viewer.Running());
  EXPECT_EQ(harness.m_faults.Count("RmShutdown"), 1);
  EXPECT_TRUE(Contains(harness.LogText(), "Running Program Closed: Velmora Help Viewer\r\n"));
}
