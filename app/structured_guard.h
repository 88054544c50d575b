#pragma once
// A structured exception handler around a worker's body, for a compiler
// without __try/__except: a hardware fault (access violation, division by
// zero...) or any other structured exception that no inner handler takes
// reaches this guard, the stack is unwound back to it, and the caller learns
// the exception's code and address instead of the process dying.

#include <windows.h>

struct StructuredFault {
  DWORD code = 0;
  void* address = nullptr;
};

// Runs body(context) on the calling thread. True when it returned normally;
// false when a structured exception ended it, with the exception record's
// code and address in *fault. Destructors of the abandoned frames do not
// run, as with __except. C++ exceptions pass through untouched.
bool RunGuarded(void (*body)(void* context), void* context, StructuredFault* fault);
