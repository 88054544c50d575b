// The lean runtime objects, linked as every shipped program links them:
// exceptions thrown and caught on many threads at once, function-local
// statics raced by many threads, the per-thread state freed at thread exit,
// the thread's last error kept, and the runtime's own throws still caught as
// std::exception with their messages. A plain program (the test framework
// would bring the POSIX thread library back): prints one line per failed
// check and exits with 1 when there was any.

#include <windows.h>
#include <pthread.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

void Check(bool passed, const char* what) {
  if (!passed) {
    std::printf("FAILED: %s\n", what);
    ++g_failures;
  }
}

constexpr int kThreads = 8;

// Starts kThreads threads on body and waits for them all.
void RunThreads(LPTHREAD_START_ROUTINE body, void* argument) {
  HANDLE threads[kThreads];
  for (HANDLE& thread : threads) thread = ::CreateThread(nullptr, 0, body, argument, 0, nullptr);
  ::WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  for (HANDLE thread : threads) ::CloseHandle(thread);
}

struct Fault {
  int code;
};

void ThrowAt(int depth, int code) {
  std::string frame(16, 'x');  // a destructor for the unwinder to run
  if (depth == 0) throw Fault{code};
  ThrowAt(depth - 1, code);
}

// Each thread throws through a few frames and catches, many times; the
// unwinder's set-up, its lock and each thread's exception state all serve
// several threads at once.
DWORD WINAPI ThrowMany(void* caught) {
  for (int i = 0; i < 2000; ++i) {
    try {
      ThrowAt(i % 5, i);
    } catch (const Fault& fault) {
      if (fault.code == i) __atomic_fetch_add(static_cast<long*>(caught), 1, __ATOMIC_RELAXED);
    }
  }
  return 0;
}

long g_initializerRuns = 0;
long g_failedFirstTries = 0;

int SlowValue() {
  __atomic_fetch_add(&g_initializerRuns, 1, __ATOMIC_RELAXED);
  ::Sleep(50);
  return 42;
}

// The first try of this initializer throws: the static must be tried again.
int ValueAfterOneFailure() {
  if (__atomic_fetch_add(&g_failedFirstTries, 1, __ATOMIC_RELAXED) == 0) throw Fault{1};
  return 7;
}

DWORD WINAPI ReadStatics(void* wrong) {
  static const int slow = SlowValue();
  int second = 0;
  for (;;) {
    try {
      static const int retried = ValueAfterOneFailure();
      second = retried;
      break;
    } catch (const Fault&) {
    }
  }
  if (slow != 42 || second != 7) __atomic_fetch_add(static_cast<long*>(wrong), 1, __ATOMIC_RELAXED);
  return 0;
}

pthread_mutex_t g_counterLock = PTHREAD_MUTEX_INITIALIZER;
long g_counter = 0;

DWORD WINAPI CountUnderLock(void*) {
  for (int i = 0; i < 20000; ++i) {
    pthread_mutex_lock(&g_counterLock);
    long value = g_counter;  // not atomic: only the lock keeps the count exact
    g_counter = value + 1;
    pthread_mutex_unlock(&g_counterLock);
  }
  return 0;
}

long g_destroyed = 0;
void CountDestruction(void* value) {
  if (value == &g_destroyed) __atomic_fetch_add(&g_destroyed, 1, __ATOMIC_RELAXED);
}

pthread_key_t g_key;
DWORD WINAPI LeaveValue(void*) {
  pthread_setspecific(g_key, &g_destroyed);
  return 0;
}

void CheckExceptionsOnManyThreads() {
  long caught = 0;
  RunThreads(ThrowMany, &caught);
  Check(caught == kThreads * 2000L, "every exception thrown on eight threads is caught by its own thread");
}

void CheckStatics() {
  long wrong = 0;
  RunThreads(ReadStatics, &wrong);
  Check(wrong == 0, "every thread sees the statics' values");
  Check(g_initializerRuns == 1, "a static raced by eight threads is initialized once");
  Check(g_failedFirstTries == 2, "a static whose initializer threw is initialized again, once");
}

void CheckMutex() {
  RunThreads(CountUnderLock, nullptr);
  Check(g_counter == kThreads * 20000L, "a statically initialized mutex excludes eight threads");
}

void CheckKeys() {
  Check(pthread_key_create(&g_key, CountDestruction) == 0, "a key is created");
  HANDLE thread = ::CreateThread(nullptr, 0, LeaveValue, nullptr, 0, nullptr);
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  Check(g_destroyed == 1, "a value left in a key is destroyed when its thread ends");

  pthread_setspecific(g_key, &g_destroyed);
  ::SetLastError(1234);
  void* value = pthread_getspecific(g_key);
  Check(value == &g_destroyed, "a thread reads back its own value");
  Check(::GetLastError() == 1234, "reading a key keeps the thread's last error");
  pthread_key_delete(g_key);
  Check(g_destroyed == 1, "deleting a key runs no destructor");
}

template <typename Body>
std::string CaughtMessage(Body body) {
  try {
    body();
  } catch (const std::exception& exception) {
    return exception.what();
  } catch (...) {
    return "<not a std::exception>";
  }
  return "<nothing thrown>";
}

void CheckRuntimeThrows() {
  std::string message = CaughtMessage([] {
    const char* none = nullptr;
    std::string text(none);
  });
  Check(message.find("null") != std::string::npos, "a string made from a null pointer throws a std::exception");

  message = CaughtMessage([] { std::vector<int>().at(3); });
  Check(message.find("_M_range_check") != std::string::npos, "at() past the end throws a std::exception");

  message = CaughtMessage([] {
    std::vector<char> bytes;
    bytes.reserve(bytes.max_size() + 1);
  });
  Check(message.find("reserve") != std::string::npos, "a length past the maximum throws a std::exception");

  bool outOfMemory = false;
  try {
    std::vector<char> huge(0x7ff00000);
    huge[0] = 1;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  Check(outOfMemory, "memory that cannot be had still throws std::bad_alloc");
}

}  // namespace

int main() {
  CheckExceptionsOnManyThreads();
  CheckStatics();
  CheckMutex();
  CheckKeys();
  CheckRuntimeThrows();
  std::printf("%s: %d failed checks\n", g_failures ? "FAILED" : "passed", g_failures);
  return g_failures ? 1 : 0;
}
