// The page walk over scripted pages: forward, back, cancel, other results,
// the ready page's summary, the worker join and the restart page.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/setup_app.h"
#include "tests/support/test_files.h"
#include "app/worker_thread.h"
#include "tests/app/recording_app_calls.h"
#include "res/resource.h"

namespace {

// The walk's view of what the user did: each page answers from its own
// queue of results and the visits are logged in order.
class Script {
 public:
  std::vector<std::string> m_visits;
  std::map<std::string, std::deque<INT_PTR>> m_results;
  // Runs at a page's visit, before it answers.
  std::map<std::string, std::function<void()>> m_onVisit;

  INT_PTR Visit(const std::string& name) {
    m_visits.push_back(name);
    if (m_onVisit.count(name)) m_onVisit[name]();
    std::deque<INT_PTR>& queue = m_results[name];
    if (queue.empty()) return IDOK;
    INT_PTR result = queue.front();
    queue.pop_front();
    return result;
  }
};

class ScriptedPage : public CDialog {
 public:
  ScriptedPage(Script& script, std::string name) : CDialog(IDD_WELCOME), m_script(script), m_name(std::move(name)) {}
  INT_PTR DoModal() override { return m_script.Visit(m_name); }

 private:
  Script& m_script;
  std::string m_name;
};

class WalkTest : public ::testing::Test {
 protected:
  WalkTest() {
    const char* names[] = {"welcome", "license", "destination", "startMenu", "tasks", "ready", "progress"};
    for (const char* name : names) m_pages.emplace_back(new ScriptedPage(m_script, name));
    m_finish = std::make_unique<ScriptedPage>(m_script, "finish");
    m_restart = std::make_unique<ScriptedPage>(m_script, "restart");
    for (int i = 0; i < WizardPageSet::kFinishPosition; ++i) m_set.sequence[i] = m_pages[i].get();
    m_set.finish = m_finish.get();
    m_set.restart = m_restart.get();
    m_set.readySummary = &m_summary;
    m_app.SetInitialFlags();
    m_app.m_destFolder = "C:\\Apps\\Velmora";
    m_app.m_startMenuFolder = "Velmora";
  }

  std::vector<std::string> Visits() const { return m_script.m_visits; }

  Script m_script;
  std::vector<std::unique_ptr<ScriptedPage>> m_pages;
  std::unique_ptr<ScriptedPage> m_finish;
  std::unique_ptr<ScriptedPage> m_restart;
  CString m_summary;
  WizardPageSet m_set;
  CSetupApp m_app;
};

using Pages = std::vector<std::string>;
const Pages kForward = {"welcome", "license", "destination", "startMenu", "tasks", "ready", "progress"};

Pages Concat(Pages a, const Pages& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST_F(WalkTest, ForwardThroughEveryPageEndsOnTheFinishPage) {
  m_script.m_results["finish"] = {IDCANCEL};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Finished);
  EXPECT_EQ(Visits(), Concat(kForward, {"finish"}));
  EXPECT_EQ(m_app.m_restartPageUsed, 0);
}

TEST_F(WalkTest, OkOnTheFinishPageEndsTheWalkLikeFinish) {
  m_script.m_results["finish"] = {IDOK};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Finished);
  EXPECT_EQ(Visits(), Concat(kForward, {"finish"}));
}

TEST_F(WalkTest, BackFromTheLicensePageShowsTheWelcomePageAgain) {
  m_script.m_results["license"] = {CSetupApp::kBackResult};
  m_script.m_results["finish"] = {IDCANCEL};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Finished);
  EXPECT_EQ(Visits(), Concat(Concat({"welcome", "license"}, kForward), {"finish"}));
}

TEST_F(WalkTest, BackOnTheFirstPageStaysThere) {
  m_script.m_results["welcome"] = {CSetupApp::kBackResult, IDCANCEL};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Cancelled);
  EXPECT_EQ(Visits(), Pages({"welcome", "welcome"}));
}

TEST_F(WalkTest, CancelOnAnyPageBeforeTheFinishEndsTheRunAtOnce) {
  for (size_t cancelled = 0; cancelled < kForward.size(); ++cancelled) {
    Script script;
    std::vector<std::unique_ptr<ScriptedPage>> pages;
    WizardPageSet set = m_set;
    for (int i = 0; i < WizardPageSet::kFinishPosition; ++i) {
      pages.emplace_back(new ScriptedPage(script, kForward[i]));
      set.sequence[i] = pages.back().get();
    }
    ScriptedPage finish(script, "finish");
    set.finish = &finish;
    script.m_results[kForward[cancelled]] = {IDCANCEL};
    EXPECT_EQ(m_app.WalkPages(set), CSetupApp::WalkEnd::Cancelled) << kForward[cancelled];
    EXPECT_EQ(script.m_visits, Pages(kForward.begin(), kForward.begin() + cancelled + 1)) << kForward[cancelled];
  }
}

TEST_F(WalkTest, AnyOtherResultShowsTheSamePageAgain) {
  m_script.m_results["destination"] = {5, 0, IDOK};
  m_script.m_results["finish"] = {IDCANCEL};
  m_app.WalkPages(m_set);
  EXPECT_EQ(Visits(), Pages({"welcome", "license", "destination", "destination", "destination", "startMenu", "tasks",
                             "ready", "progress", "finish"}));
}

TEST_F(WalkTest, APageThatCannotBeShownEndsTheRunInsteadOfLooping) {
  m_script.m_results["tasks"] = {-1};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Cancelled);
  EXPECT_EQ(Visits().back(), "tasks");
  EXPECT_EQ(Visits().size(), 5u);
}

TEST_F(WalkTest, AnExceptionOutOfAPageIsLoggedAndFailsTheRun) {
  m_script.m_onVisit["tasks"] = [] { throw std::runtime_error("no room for the page"); };
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Cancelled);
  EXPECT_EQ(Visits().back(), "tasks");
  EXPECT_EQ(m_app.ExitCode(), 1603);
  // Without a log file the run's own lines still reach the /log copy.
  TempFolder folder;
  m_app.m_options.logCopy = folder.File("walk.log").c_str();
  m_app.EndLog();
  EXPECT_EQ(ReadWholeFile(folder.File("walk.log")),
            "Error: Unexpected exception on a page: no room for the page\r\nExit code: 1603\r\n");
}

TEST_F(WalkTest, APageThatCannotBeShownIsLoggedAndFailsTheRun) {
  m_script.m_results["license"] = {-1};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Cancelled);
  EXPECT_EQ(m_app.ExitCode(), 1603);
  TempFolder folder;
  m_app.m_options.logCopy = folder.File("walk.log").c_str();
  m_app.EndLog();
  EXPECT_EQ(ReadWholeFile(folder.File("walk.log")), "Error: A page could not be shown\r\nExit code: 1603\r\n");
}

TEST_F(WalkTest, AFinishPageThatCannotBeShownLeavesTheInstallationsExitCode) {
  m_script.m_results["finish"] = {-1};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Finished);
  EXPECT_EQ(m_app.ExitCode(), 0);
}

TEST_F(WalkTest, TheSummaryIsRebuiltOnEveryForwardMoveIntoTheReadyPage) {
  // Ready, back to the tasks page, icons unticked there, forward again.
  m_script.m_results["ready"] = {CSetupApp::kBackResult, IDOK};
  std::vector<std::string> summaries;
  m_script.m_onVisit["ready"] = [&] { summaries.push_back(m_summary.str()); };
  int tasksVisits = 0;
  m_script.m_onVisit["tasks"] = [&] {
    if (++tasksVisits == 2) {
      m_app.m_desktopIcon = 0;
      m_app.m_quickLaunchIcon = 0;
    }
  };
  m_script.m_results["finish"] = {IDCANCEL};
  m_app.WalkPages(m_set);
  ASSERT_EQ(summaries.size(), 2u);
  EXPECT_NE(summaries[0].find("Create a desktop icon"), std::string::npos);
  EXPECT_EQ(summaries[1].find("Additional Task:"), std::string::npos);
  EXPECT_NE(summaries[1].find("C:\\Apps\\Velmora"), std::string::npos);
}

TEST_F(WalkTest, BackFromTheProgressPositionDoesNotRebuildTheSummary) {
  m_script.m_results["progress"] = {CSetupApp::kBackResult, IDOK};
  m_script.m_results["finish"] = {IDCANCEL};
  int readyVisits = 0;
  m_script.m_onVisit["ready"] = [&] {
    if (++readyVisits == 1) m_summary = "seen";
  };
  std::string secondVisit;
  m_script.m_onVisit["progress"] = [&] { secondVisit = m_summary.str(); };
  m_app.WalkPages(m_set);
  EXPECT_EQ(readyVisits, 2);
  EXPECT_EQ(secondVisit, "seen");
}

TEST_F(WalkTest, ARequiredRestartPutsTheRestartPageAtTheFinishPosition) {
  m_script.m_onVisit["progress"] = [&] { m_app.m_restartRequired = 1; };
  m_script.m_results["restart"] = {IDCANCEL};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Finished);
  EXPECT_EQ(Visits(), Concat(kForward, {"restart"}));
  EXPECT_EQ(m_app.m_restartPageUsed, 1);
}

namespace {

struct WorkerState {
  DWORD delayMs;
  volatile LONG* restartRequired;
  volatile LONG finished = 0;
};

UINT SlowWorker(LPVOID parameter) {
  WorkerState* state = static_cast<WorkerState*>(parameter);
  ::Sleep(state->delayMs);
  ::InterlockedExchange(state->restartRequired, 1);
  ::InterlockedExchange(&state->finished, 1);
  return 0;
}

}  // namespace

TEST_F(WalkTest, TheWorkerIsJoinedBeforeTheFinishPageIsChosen) {
  // The worker raises the restart flag only after its page has ended.
  WorkerState state{300, &m_app.m_restartRequired};
  m_script.m_onVisit["progress"] = [&] {
    m_app.m_pWorkerThread = AfxBeginThread(&SlowWorker, &state, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    m_app.m_pWorkerThread->m_bAutoDelete = FALSE;
    m_app.m_pWorkerThread->ResumeThread();
  };
  m_script.m_results["restart"] = {IDCANCEL};
  m_app.WalkPages(m_set);
  EXPECT_EQ(state.finished, 1);
  EXPECT_EQ(m_app.m_pWorkerThread, nullptr);
  EXPECT_EQ(Visits().back(), "restart");
}

TEST_F(WalkTest, AWorkerStillRunningTenSecondsAfterItsPageIsTerminated) {
  WorkerState state{60000, &m_app.m_restartRequired};
  HANDLE worker = nullptr;
  m_script.m_onVisit["progress"] = [&] {
    m_app.m_pWorkerThread = AfxBeginThread(&SlowWorker, &state, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    m_app.m_pWorkerThread->m_bAutoDelete = FALSE;
    ::DuplicateHandle(::GetCurrentProcess(), m_app.m_pWorkerThread->m_hThread.get(), ::GetCurrentProcess(), &worker,
                      0, FALSE, DUPLICATE_SAME_ACCESS);
    m_app.m_pWorkerThread->ResumeThread();
  };
  m_script.m_results["finish"] = {IDCANCEL};
  const DWORD start = ::GetTickCount();
  m_app.WalkPages(m_set);
  const DWORD waited = ::GetTickCount() - start;
  EXPECT_GE(waited, 9500u);
  EXPECT_LT(waited, 20000u);
  DWORD exitCode = 0;
  ASSERT_EQ(::WaitForSingleObject(worker, 5000), WAIT_OBJECT_0);
  ::GetExitCodeThread(worker, &exitCode);
  ::CloseHandle(worker);
  EXPECT_EQ(exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(state.finished, 0);
  EXPECT_EQ(Visits().back(), "finish");
}

TEST_F(WalkTest, AProgressPageThatEndsAbnormallyLetsItsInstallationFinish) {
  // The installation outlasts the ten seconds after which a worker is
  // terminated once its page has ended normally.
  for (INT_PTR abnormalEnd : {INT_PTR(-1), INT_PTR(IDCANCEL)}) {
    Script script;
    std::vector<std::unique_ptr<ScriptedPage>> pages;
    WizardPageSet set = m_set;
    for (int i = 0; i < WizardPageSet::kFinishPosition; ++i) {
      pages.emplace_back(new ScriptedPage(script, kForward[i]));
      set.sequence[i] = pages.back().get();
    }
    ScriptedPage finish(script, "finish");
    ScriptedPage restart(script, "restart");
    set.finish = &finish;
    set.restart = &restart;
    ::InterlockedExchange(&m_app.m_restartRequired, 0);
    m_app.m_restartPageUsed = 0;
    WorkerState state{11000, &m_app.m_restartRequired};
    HANDLE worker = nullptr;
    script.m_onVisit["progress"] = [&] {
      m_app.m_pWorkerThread = AfxBeginThread(&SlowWorker, &state, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
      m_app.m_pWorkerThread->m_bAutoDelete = FALSE;
      ::DuplicateHandle(::GetCurrentProcess(), m_app.m_pWorkerThread->m_hThread.get(), ::GetCurrentProcess(),
                        &worker, 0, FALSE, DUPLICATE_SAME_ACCESS);
      m_app.m_pWorkerThread->ResumeThread();
    };
    script.m_results["progress"] = {abnormalEnd};
    script.m_results["restart"] = {IDCANCEL};

    EXPECT_EQ(m_app.WalkPages(set), CSetupApp::WalkEnd::Finished) << abnormalEnd;

    ASSERT_NE(worker, nullptr);
    DWORD exitCode = 0xDEAD;
    ::GetExitCodeThread(worker, &exitCode);
    ::CloseHandle(worker);
    EXPECT_EQ(exitCode, 0u) << abnormalEnd;
    EXPECT_EQ(state.finished, 1) << abnormalEnd;
    EXPECT_EQ(m_app.m_pWorkerThread, nullptr);
    // The worker's outcome decides the page that tells it.
    EXPECT_EQ(script.m_visits, Concat(kForward, {"restart"})) << abnormalEnd;
  }
}

TEST_F(WalkTest, AProgressPageThatCouldNotStartItsWorkerEndsTheRunAsAFailureNotACancel) {
  RecordingAppCalls calls;
  calls.FailThreads(true);
  m_script.m_onVisit["progress"] = [&] { EXPECT_EQ(m_app.StartInstallWorker(nullptr), -1); };
  m_script.m_results["progress"] = {IDCANCEL};
  EXPECT_EQ(m_app.WalkPages(m_set), CSetupApp::WalkEnd::Cancelled);
  EXPECT_EQ(Visits(), kForward);
  ASSERT_EQ(calls.MessageBoxes().size(), 1u);
  EXPECT_EQ(calls.MessageBoxes()[0].text, "System Error = 0x00000008");
  // The wizard records the walk's end as a cancel; the failure outweighs it.
  m_app.m_outcome.cancelled = true;
  EXPECT_EQ(m_app.ExitCode(), 1603);
}

TEST_F(WalkTest, APageThatFaultsDuringALongInstallationLetsItFinish) {
  // The installation outlasts the ten seconds after which a worker would be terminated.
  WorkerState state{11000, &m_app.m_restartRequired};
  m_script.m_onVisit["progress"] = [&] {
    m_app.m_pWorkerThread = AfxBeginThread(&SlowWorker, &state, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    m_app.m_pWorkerThread->m_bAutoDelete = FALSE;
    m_app.m_pWorkerThread->ResumeThread();
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  };
  struct Walk {
    CSetupApp* app;
    const WizardPageSet* set;
  } walk{&m_app, &m_set};
  StructuredFault fault;
  EXPECT_FALSE(RunWorkerBody([](void* w) { static_cast<Walk*>(w)->app->WalkPages(*static_cast<Walk*>(w)->set); },
                             &walk, &fault));
  EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

  m_app.ReportUnexpectedFault(fault);

  EXPECT_EQ(state.finished, 1);
  EXPECT_EQ(m_app.m_pWorkerThread, nullptr);
  EXPECT_EQ(m_app.ExitCode(), 1603);
}
