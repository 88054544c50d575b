#pragma once
// What the two worker threads share: their start-up, running a body so that
// no exception ends the process, and joining a worker.

#include <windows.h>

#include "app/structured_guard.h"
#include "framework/win_thread.h"

// The code a C++ exception of any type is reported with.
constexpr DWORD kCppExceptionCode = 0xE06D7363;

// Runs body(context). False when a structured exception or a C++ exception
// ended it; *fault then holds the structured exception's code and address,
// or kCppExceptionCode and a null address.
bool RunWorkerBody(void (*body)(void* context), void* context, StructuredFault* fault);

// Creates a worker running procedure(parameter), suspended and kept after it
// ends (its owner joins it); the caller resumes it once the worker's shared
// state is in place. When it cannot be created: message 37 with the last
// error in a box owned by `owner`, and null.
CWinThread* CreateWorker(AFX_THREADPROC procedure, LPVOID parameter, HWND owner);

// Waits up to 10 seconds for the worker to end, terminates it with exit code
// 0xFFFFFFFF if it has not, deletes the thread object and clears the
// pointer. Does nothing for a null pointer.
void JoinWorker(CWinThread*& thread);
// Waits without a time limit for the worker to end, deletes the thread
// object and clears the pointer. Does nothing for a null pointer.
void AwaitWorker(CWinThread*& thread);
