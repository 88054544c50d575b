#pragma once
// CWinThread and AfxBeginThread: a worker thread running a plain procedure.
// The thread procedure's C++ exceptions are caught at its boundary.

#include <windows.h>

#include "base/handles.h"

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread {
 public:
  CWinThread(AFX_THREADPROC procedure, LPVOID parameter);
  // Closes the thread handle (the thread itself is not stopped).
  virtual ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // The thread; owned by this object.
  unique_handle m_hThread;
  DWORD m_nThreadID = 0;
  // TRUE (the default): the object deletes itself when the thread ends, so
  // the creator must not touch it after resuming. Set FALSE before resuming
  // to wait on m_hThread and delete the object yourself.
  BOOL m_bAutoDelete = TRUE;

  // ResumeThread on the handle; the previous suspend count or (DWORD)-1.
  DWORD ResumeThread();
  // SuspendThread / SetThreadPriority on the handle.
  DWORD SuspendThread();
  BOOL SetThreadPriority(int priority);

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                    LPSECURITY_ATTRIBUTES);
  static unsigned __stdcall Start(void* self);

  AFX_THREADPROC m_pfnThreadProc;
  LPVOID m_pThreadParams;
};

// Starts `procedure(parameter)` on a new thread with `priority`, `stackSize`
// (0: default) and `createFlags` (CREATE_SUSPENDED keeps it suspended until
// ResumeThread). The thread's exit code is the procedure's result, or
// 0xFFFFFFFF when it ended by a C++ exception. Returns null when the thread
// cannot be created, with GetLastError telling why.
CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
