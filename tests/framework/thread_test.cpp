// Worker threads: suspended start, priority, exit codes, the thread object's
// lifetime with and without auto-delete, and failures at creation.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "framework/win_thread.h"
#include "modal_driver.h"

namespace {

std::atomic<int> g_runs{0};

UINT CountRun(LPVOID result) {
  ++g_runs;
  return static_cast<UINT>(reinterpret_cast<UINT_PTR>(result));
}

UINT Throw(LPVOID) { throw std::runtime_error("worker failed"); }

UINT ReportPriority(LPVOID out) {
  *static_cast<int*>(out) = GetThreadPriority(GetCurrentThread());
  return 0;
}

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(WorkerThread, CreatedSuspendedRunsOnlyAfterResume) {
  g_runs = 0;
  CWinThread* thread = AfxBeginThread(&CountRun, reinterpret_cast<LPVOID>(42), THREAD_PRIORITY_NORMAL,
                                      0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  Sleep(100);
  EXPECT_EQ(g_runs, 0);
  EXPECT_EQ(ResumeThread(thread->m_hThread.get()), 1u);
  ASSERT_EQ(WaitForSingleObject(thread->m_hThread.get(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(g_runs, 1);
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread.get(), &exitCode));
  EXPECT_EQ(exitCode, 42u);
  EXPECT_NE(thread->m_nThreadID, 0u);
  delete thread;
}

TEST(WorkerThread, KeptObjectOwnsTheHandleUntilDeleted) {
  CWinThread* thread = AfxBeginThread(&CountRun, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  HANDLE handle = thread->m_hThread.get();
  ASSERT_EQ(WaitForSingleObject(handle, 5000), WAIT_OBJECT_0);
  Sleep(50);
  EXPECT_TRUE(IsOpenHandle(handle));  // the ended thread did not delete its object
  delete thread;
  EXPECT_FALSE(IsOpenHandle(handle));
}

TEST(WorkerThread, AutoDeletingObjectGoesAwayWhenTheThreadEnds) {
  CWinThread* thread = AfxBeginThread(&CountRun, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(thread->m_bAutoDelete);
  HANDLE own = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread.get(), GetCurrentProcess(), &own,
                              0, FALSE, DUPLICATE_SAME_ACCESS));
  HANDLE objectHandle = thread->m_hThread.get();
  thread->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(own, 5000), WAIT_OBJECT_0);
  // The object closed its handle while deleting itself.
  EXPECT_TRUE(WaitFor([&] { return !IsOpenHandle(objectHandle); }));
  CloseHandle(own);
}

TEST(WorkerThread, StartsAtOnceWithoutCreateSuspended) {
  g_runs = 0;
  CWinThread* thread = AfxBeginThread(&CountRun, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(WaitFor([] { return g_runs == 1; }));
}

TEST(WorkerThread, RunsAtTheRequestedPriority) {
  int priority = 99;
  CWinThread* thread =
      AfxBeginThread(&ReportPriority, &priority, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(thread->m_hThread.get(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(priority, THREAD_PRIORITY_BELOW_NORMAL);
  delete thread;
}

TEST(WorkerThread, ExceptionEndsTheThreadWithFailureCodeNotTheProcess) {
  CWinThread* thread = AfxBeginThread(&Throw, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(thread->m_hThread.get(), 5000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  GetExitCodeThread(thread->m_hThread.get(), &exitCode);
  EXPECT_EQ(exitCode, 0xFFFFFFFFu);
  delete thread;
}

TEST(WorkerThread, CreationFailureReturnsNullWithTheSystemError) {
  SetLastError(0);
  // No 32-bit process can reserve a 2 GiB stack.
  CWinThread* thread =
      AfxBeginThread(&CountRun, nullptr, THREAD_PRIORITY_NORMAL, 0x7FF00000u, CREATE_SUSPENDED);
  DWORD error = GetLastError();
  EXPECT_EQ(thread, nullptr);
  EXPECT_NE(error, 0u);
  delete thread;
}
