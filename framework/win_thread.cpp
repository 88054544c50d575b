#include "framework/win_thread.h"

#include <process.h>

#include <memory>

CWinThread::CWinThread(AFX_THREADPROC procedure, LPVOID parameter)
    : m_pfnThreadProc(procedure), m_pThreadParams(parameter) {}

CWinThread::~CWinThread() = default;

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread.get()); }

DWORD CWinThread::SuspendThread() { return ::SuspendThread(m_hThread.get()); }

BOOL CWinThread::SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread.get(), priority); }

unsigned __stdcall CWinThread::Start(void* self) {
  CWinThread* thread = static_cast<CWinThread*>(self);
  UINT result = 0xFFFFFFFF;
  try {
    result = thread->m_pfnThreadProc(thread->m_pThreadParams);
  } catch (...) {
    // Unwinding out of the thread's start routine would end the process.
    result = 0xFFFFFFFF;
  }
  if (thread->m_bAutoDelete) delete thread;
  return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority,
                           UINT stackSize, DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
  auto thread = std::make_unique<CWinThread>(procedure, parameter);
  unsigned threadId = 0;
  // Always start suspended so the handle and priority are in place before
  // the procedure runs (an auto-deleting object may vanish once it ends).
  uintptr_t handle = _beginthreadex(security, stackSize, &CWinThread::Start, thread.get(),
                                    CREATE_SUSPENDED, &threadId);
  if (handle == 0) {
    DWORD error = ::GetLastError();
    thread.reset();
    ::SetLastError(error ? error : ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  thread->m_hThread.reset(reinterpret_cast<HANDLE>(handle));
  thread->m_nThreadID = threadId;
  thread->SetThreadPriority(priority);
  CWinThread* started = thread.release();
  if (!(createFlags & CREATE_SUSPENDED)) started->ResumeThread();
  return started;
}
