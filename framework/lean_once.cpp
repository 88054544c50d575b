// The runtime's guard for function-local statics: the first thread to reach
// a static with a dynamic initializer runs it, any other waits until it is
// done, and an initializer that throws leaves the static to be tried again.
//
// The runtime's own guard waits on a condition variable of the POSIX thread
// library, which brings about 30 KB of that library into every program. This
// one keeps the same contract with one busy flag per static: a second
// thread seldom meets an initializer still running, and when it does, it
// sleeps a little and looks again. The compiler checks the first byte of the
// 64-bit guard itself and calls here only while it is zero; the busy flag
// lives in the guard's second word.
#include <windows.h>

namespace {

char* DoneFlag(long long* guard) { return reinterpret_cast<char*>(guard); }
int* BusyFlag(long long* guard) { return reinterpret_cast<int*>(guard) + 1; }

}  // namespace

extern "C" {

int __cxa_guard_acquire(long long* guard) {
  for (;;) {
    if (__atomic_load_n(DoneFlag(guard), __ATOMIC_ACQUIRE)) return 0;
    int idle = 0;
    if (__atomic_compare_exchange_n(BusyFlag(guard), &idle, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      // Another thread may have finished between the two looks.
      if (!__atomic_load_n(DoneFlag(guard), __ATOMIC_ACQUIRE)) return 1;
      __atomic_store_n(BusyFlag(guard), 0, __ATOMIC_RELEASE);
      return 0;
    }
    ::Sleep(1);
  }
}

void __cxa_guard_release(long long* guard) {
  __atomic_store_n(DoneFlag(guard), 1, __ATOMIC_RELEASE);
  __atomic_store_n(BusyFlag(guard), 0, __ATOMIC_RELEASE);
}

void __cxa_guard_abort(long long* guard) { __atomic_store_n(BusyFlag(guard), 0, __ATOMIC_RELEASE); }

}  // extern "C"
