#include "app/worker_thread.h"

namespace {

constexpr DWORD kJoinTimeoutMs = 10000;

}  // namespace

bool RunWorkerBody(void (*body)(void* context), void* context, StructuredFault* fault) {
  try {
    return RunGuarded(body, context, fault);
  } catch (...) {
    fault->code = kCppExceptionCode;
    fault->address = nullptr;
    return false;
  }
}

void JoinWorker(CWinThread*& thread) {
  if (!thread) return;
  HANDLE handle = thread->m_hThread.get();
  if (::WaitForSingleObject(handle, kJoinTimeoutMs) != WAIT_OBJECT_0) ::TerminateThread(handle, 0xFFFFFFFF);
  delete thread;
  thread = nullptr;
}

void AwaitWorker(CWinThread*& thread) {
  if (!thread) return;
  ::WaitForSingleObject(thread->m_hThread.get(), INFINITE);
  delete thread;
  thread = nullptr;
}
