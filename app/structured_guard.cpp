#include "app/structured_guard.h"

#include <intrin.h>

#if !defined(__i386__)
#error "the guard registers an x86 exception frame (fs:0 chain)"
#endif

namespace {

// One registration on the thread's exception chain (fs:0), followed by what
// the handler needs to get back to RunGuarded. The registration must come
// first: the system hands its address back as the establisher frame.
struct GuardFrame {
  EXCEPTION_REGISTRATION_RECORD registration;
  void* resume[5];  // __builtin_setjmp buffer
  DWORD code;
  void* address;
};

EXCEPTION_DISPOSITION NTAPI GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  GuardFrame* frame = static_cast<GuardFrame*>(establisher);
  frame->code = record->ExceptionCode;
  frame->address = record->ExceptionAddress;
  // Let the inner frames' handlers clean up, leaving this frame on top of
  // the chain, then continue behind the guard as __except would.
  RtlUnwind(establisher, nullptr, record, nullptr);
  __builtin_longjmp(frame->resume, 1);
}

EXCEPTION_REGISTRATION_RECORD* ChainHead() {
  return reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* head) { __writefsdword(0, reinterpret_cast<DWORD>(head)); }

}  // namespace

__attribute__((noinline)) bool RunGuarded(void (*body)(void* context), void* context, StructuredFault* fault) {
  // The frame lives on this function's stack, as the system requires of
  // every registration.
  volatile GuardFrame frame = {};
  GuardFrame* guard = const_cast<GuardFrame*>(&frame);
  guard->registration.Next = ChainHead();
  guard->registration.Handler = &GuardHandler;
  if (__builtin_setjmp(guard->resume) == 0) {
    SetChainHead(&guard->registration);
    try {
      body(context);
    } catch (...) {
      // A C++ exception unwinds by its own tables, past this frame: take the
      // registration off the chain before it leaves.
      SetChainHead(guard->registration.Next);
      throw;
    }
    SetChainHead(guard->registration.Next);
    return true;
  }
  SetChainHead(guard->registration.Next);
  if (fault) {
    fault->code = guard->code;
    fault->address = guard->address;
  }
  return false;
}
