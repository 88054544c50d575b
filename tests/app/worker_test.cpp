// The workers' machinery: the structured exception guard, the installation
// step with its rollback, the installation worker's handling of an
// unexpected exception, the progress relay and the timer's stepping.

#include <gtest/gtest.h>

#include <intrin.h>

#include <stdexcept>

#include "app/install_worker.h"
#include "app/pages/page_messages.h"
#include "app/pages/progress_stepping.h"
#include "app/worker_thread.h"
#include "tests/app/app_harness.h"
#include "tests/support/engine_harness.h"

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

}  // namespace

TEST(InstallationWorker, AnAccessViolationShowsMessage35WithoutRollbackAndCompletesTheProgress) {
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
  // No rollback: nothing was stopped or undone.
  EXPECT_EQ(crashing.Count("ControlService"), 0);
  EXPECT_EQ(harness.LogText().find("Stop Installed Service"), std::string::npos);
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
