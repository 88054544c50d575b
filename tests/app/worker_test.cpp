// The workers' machinery: the structured exception guard, the installation
// step with its rollback, the installation worker's handling of an
// unexpected exception, the progress relay and the timer's stepping.

#include <gtest/gtest.h>

#include <intrin.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_worker.h"
#include "app/pages/page_messages.h"
#include "app/pages/progress_stepping.h"
#include "app/worker_thread.h"
#include "tests/app/app_harness.h"
#include "tests/support/engine_harness.h"
#include "tests/support/test_files.h"

namespace {

void WriteThroughNull(void*) { *static_cast<volatile int*>(nullptr) = 1; }

void RaiseOwnException(void*) { RaiseException(0xE0001234, 0, 0, nullptr); }

void ProbeBadPointer(void* result) { *static_cast<BOOL*>(result) = IsBadReadPtr(nullptr, 4); }

void ThrowRuntimeError(void*) { throw std::runtime_error("not an engine failure"); }

void* ChainHead() { return reinterpret_cast<void*>(__readfsdword(0)); }

}  // namespace

TEST(StructuredGuard, AnAccessViolationIsCaughtWithItsCodeAndAddress) {
  void* chainBefore = ChainHead();
  StructuredFault fault;
  EXPECT_FALSE(RunGuarded(&WriteThroughNull, nullptr, &fault));
  EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  // The faulting instruction lies inside the body.
  const uintptr_t body = reinterpret_cast<uintptr_t>(&WriteThroughNull);
  EXPECT_GE(reinterpret_cast<uintptr_t>(fault.address), body);
  EXPECT_LT(reinterpret_cast<uintptr_t>(fault.address), body + 64);
  EXPECT_EQ(ChainHead(), chainBefore);
}

TEST(StructuredGuard, ARaisedExceptionIsCaughtWithItsCode) {
  StructuredFault fault;
  EXPECT_FALSE(RunGuarded(&RaiseOwnException, nullptr, &fault));
  EXPECT_EQ(fault.code, 0xE0001234u);
}

TEST(StructuredGuard, ExceptionsThatInnerHandlersTakeNeverReachTheGuard) {
  BOOL bad = FALSE;
  StructuredFault fault;
  EXPECT_TRUE(RunGuarded(&ProbeBadPointer, &bad, &fault));
  EXPECT_TRUE(bad);
}

TEST(StructuredGuard, CppExceptionsPassThroughAndLeaveTheChainAsItWas) {
  void* chainBefore = ChainHead();
  StructuredFault fault;
  EXPECT_THROW(RunGuarded(&ThrowRuntimeError, nullptr, &fault), std::runtime_error);
  EXPECT_EQ(ChainHead(), chainBefore);
  EXPECT_FALSE(RunGuarded(&WriteThroughNull, nullptr, &fault));
  EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
}

namespace {

UINT FaultTwiceOnWorker(LPVOID result) {
  StructuredFault* faults = static_cast<StructuredFault*>(result);
  RunWorkerBody(&WriteThroughNull, nullptr, &faults[0]);
  RunWorkerBody(&ThrowRuntimeError, nullptr, &faults[1]);
  return 7;
}

}  // namespace

TEST(StructuredGuard, AWorkerThreadSurvivesAFaultAndAForeignCppException) {
  StructuredFault faults[2];
  CWinThread* thread = AfxBeginThread(&FaultTwiceOnWorker, faults, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(thread->m_hThread.get(), 10000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  GetExitCodeThread(thread->m_hThread.get(), &exitCode);
  delete thread;
  EXPECT_EQ(exitCode, 7u);
  EXPECT_EQ(faults[0].code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_EQ(faults[1].code, kCppExceptionCode);
  EXPECT_EQ(faults[1].address, nullptr);
}

TEST(InstallWithRollback, AnEngineFailureStopsServicesShowsMessage44AndRollsBack) {
  RecordingAppCalls calls;
  FaultyCalls faults;
  ScopedSystemCalls seam(faults);
  EngineHarness harness;
  ASSERT_NE(harness.m_engine, nullptr);
  volatile LONG restartRequired = 0;
  volatile LONG installFailed = 0;
  HWND owner = reinterpret_cast<HWND>(0x4321);

  // The empty store has no driver files: Install fails at its first step.
  InstallWithRollback(harness.Engine(), &restartRequired, &installFailed, owner);

  EXPECT_EQ(harness.Engine().m_pRestartRequired, &restartRequired);
  EXPECT_EQ(installFailed, 1);
  const auto boxes = calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  // Code 101: "velctl.sys" not in the package; arg0 is the last error then.
  const std::string prefix = "Error during installation.\nError code = 0x00000065\nError arg0 = 0x";
  EXPECT_EQ(boxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(boxes[0].text.size(), prefix.size() + 8);
  const auto& events = harness.m_owner.m_events;
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], ProgressEvent::MakeReport(10, 0));
  EXPECT_EQ(events[1], ProgressEvent::MakeReport(50, 6));
  EXPECT_EQ(events[2], ProgressEvent::MakePosition(40));
  EXPECT_EQ(events.back(), ProgressEvent::MakeReport(100, 5));
}

namespace {

// Faults the way a defective step would: an access violation in the middle
// of the installation, on the worker thread.
class CrashingCalls : public FaultyCalls {
 public:
  UINT GetSystemDirectoryA(LPSTR, UINT) override {
    *static_cast<volatile int*>(nullptr) = 0;
    return 0;
  }
};

// Fails the way an allocation deep in a step would.
class ExhaustedCalls : public FaultyCalls {
 public:
  UINT GetSystemDirectoryA(LPSTR, UINT) override { throw std::bad_alloc(); }
};

// An installation that fails unexpectedly after it created a file: the
// journal holds the file, as the file step would have left it.
struct UnexpectedFailure {
  std::string createdFile;
  std::vector<RecordingAppCalls::MessageBoxCall> boxes;
  std::vector<ProgressEvent> events;
  std::vector<std::string> logLines;
  LONG installFailed = 0;
};

UnexpectedFailure InstallFailingWith(FaultyCalls& failing) {
  RecordingAppCalls calls;
  ScopedSystemCalls seam(failing);
  EngineHarness harness;
  UnexpectedFailure outcome;
  outcome.createdFile = harness.m_folder.File("velmora.exe");
  WriteWholeFile(outcome.createdFile, "new");
  harness.Engine().m_created[outcome.createdFile] = KindFile;
  volatile LONG restartRequired = 0;
  volatile LONG installFailed = 0;

  InstallWithRollback(harness.Engine(), &restartRequired, &installFailed, reinterpret_cast<HWND>(0x4321));

  outcome.boxes = calls.MessageBoxes();
  outcome.events = harness.m_owner.m_events;
  outcome.logLines = harness.LogLines();
  outcome.installFailed = installFailed;
  return outcome;
}

void ExpectStoppedAndRolledBack(const UnexpectedFailure& outcome) {
  EXPECT_EQ(outcome.installFailed, 1);
  ASSERT_GE(outcome.events.size(), 3u);
  EXPECT_EQ(outcome.events[1], ProgressEvent::MakeReport(50, 6));
  EXPECT_EQ(outcome.events[2], ProgressEvent::MakePosition(40));
  EXPECT_EQ(outcome.events.back(), ProgressEvent::MakeReport(100, 5));
  EXPECT_FALSE(FileExists(outcome.createdFile));
  EXPECT_NE(std::find(outcome.logLines.begin(), outcome.logLines.end(), "RemoveInstallFiles: " + outcome.createdFile),
            outcome.logLines.end());
}

}  // namespace

TEST(InstallWithRollback, AForeignCppExceptionShowsMessage35AndRollsBackLikeAnEngineFailure) {
  ExhaustedCalls exhausted;
  const UnexpectedFailure outcome = InstallFailingWith(exhausted);
  ExpectStoppedAndRolledBack(outcome);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].owner, reinterpret_cast<HWND>(0x4321));
  EXPECT_EQ(outcome.boxes[0].caption, "Velmora");
  EXPECT_EQ(outcome.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(outcome.boxes[0].text,
            "Exception during Installation!\nException code = 0xe06d7363\nException address = 0x00000000");
}

TEST(InstallWithRollback, AnAccessViolationShowsMessage35AndRollsBack) {
  CrashingCalls crashing;
  const UnexpectedFailure outcome = InstallFailingWith(crashing);
  ExpectStoppedAndRolledBack(outcome);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  const std::string prefix = "Exception during Installation!\nException code = 0xc0000005\nException address = 0x";
  EXPECT_EQ(outcome.boxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_NE(outcome.boxes[0].text, prefix + "00000000");
}

TEST(InstallationWorker, AnAccessViolationShowsMessage35RollsBackAndCompletesTheProgress) {
  AppHarness harness;
  CSetupApp& app = harness.m_app;
  ASSERT_NE(app.m_engine, nullptr);
  volatile LONG target = 0;
  volatile LONG position = 0;
  app.m_pProgressTarget = &target;
  app.m_pProgressPos = &position;
  CrashingCalls crashing;
  SetSystemCalls(&crashing);

  ASSERT_EQ(app.StartInstallWorker(nullptr), 0);
  ASSERT_NE(app.m_pWorkerThread, nullptr);
  EXPECT_EQ(WaitForSingleObject(app.m_pWorkerThread->m_hThread.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  SetSystemCalls(&harness.m_faults);
  JoinWorker(app.m_pWorkerThread);

  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  const std::string prefix = "Exception during Installation!\nException code = 0xc0000005\nException address = 0x";
  EXPECT_EQ(boxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(boxes[0].text.size(), prefix.size() + 8);
  EXPECT_EQ(app.m_installFailed, 1);
  EXPECT_EQ(target, 100);
  EXPECT_EQ(position, 100);
  // The rollback ran: its pauses, from the first of 2 s to the last of 1 s.
  const std::vector<DWORD>& sleeps = crashing.Sleeps();
  ASSERT_GE(sleeps.size(), 6u);
  EXPECT_EQ(std::vector<DWORD>(sleeps.end() - 6, sleeps.end()), (std::vector<DWORD>{2000, 500, 500, 500, 500, 1000}));
}

TEST(ProgressRelay, ReportStoresTheTargetAndPostsTheTaskToThePage) {
  AppHarness harness(AppHarness::StartUp::None);
  CSetupApp& app = harness.m_app;
  volatile LONG target = 0;
  volatile LONG position = 0;
  app.m_pProgressTarget = &target;
  app.m_pProgressPos = &position;
  HWND page = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(page, nullptr);
  app.m_hProgressWnd = page;

  app.ReportProgress(30, 2);
  app.SetProgressPosition(87);

  EXPECT_EQ(target, 30);
  EXPECT_EQ(position, 87);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, page, kTaskTextMessage, kTaskTextMessage, PM_REMOVE));
  EXPECT_EQ(message.wParam, 2u);
  DestroyWindow(page);
}

TEST(ProgressStepping, OneStepPerTickTowardsTheTarget) {
  EXPECT_EQ(NextProgressPosition(0, 10), 1);
  EXPECT_EQ(NextProgressPosition(10, 10), 10);
  EXPECT_EQ(NextProgressPosition(87, 100), 88);
  EXPECT_EQ(NextProgressPosition(50, 40), 49);
  EXPECT_EQ(NextProgressPosition(5, -3), 4);
}

TEST(ProgressStepping, OnlyTheWorkerCompletesTheProgress) {
  EXPECT_EQ(NextProgressPosition(98, 100), 99);
  EXPECT_EQ(NextProgressPosition(99, 100), 99);
  EXPECT_EQ(NextProgressPosition(100, 100), 100);
  EXPECT_EQ(NextProgressPosition(100, 40), 100);
  EXPECT_EQ(NextProgressPosition(130, 100), 130);
}
