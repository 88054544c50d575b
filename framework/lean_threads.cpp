// The few calls of the POSIX thread library that the compiler's runtime
// makes (the exception unwinder's once-only set-up and its lock, the
// emergency exception memory's lock, the per-thread exception state, and
// std::thread, std::mutex and std::condition_variable, which the portable
// package reader uses), on the Windows primitives they stand for; and the
// guard of function-local statics, which the runtime would build on that
// library's condition variables.
//
// The library itself, linked whole for these few calls (its threads,
// condition variables, read-write locks and spin locks come with them),
// adds about 30 KB to every program we ship. Our programs create their
// threads with Windows calls and use none of the rest. Should anything ever
// need another part of the library, the linker reports these names defined
// twice, and the shipped-program check of the build reports the library.
//
// Contracts kept: a mutex or condition variable with a static initializer is
// usable at once (a mutex is created on first use, a condition variable is
// the Windows one in place); a key's destructor runs at the exit of each thread
// that left a value in it (fiber-local storage calls it), but not on
// deletion of the key; reading a key keeps the thread's last error, which
// the engine reads after the failing call that throws.
#include <windows.h>
#include <errno.h>
#include <pthread.h>

#include <cstdlib>
#include <ctime>

namespace {

// The values the library's static initializers give a mutex; any other
// value is the critical section it became.
bool IsStaticInitializer(pthread_mutex_t value) { return value < 0 && value >= GENERIC_RECURSIVE_INITIALIZER; }

CRITICAL_SECTION* NewCriticalSection() {
  auto* section = static_cast<CRITICAL_SECTION*>(std::malloc(sizeof(CRITICAL_SECTION)));
  if (section) ::InitializeCriticalSection(section);
  return section;
}

void DeleteCriticalSectionMemory(CRITICAL_SECTION* section) {
  ::DeleteCriticalSection(section);
  std::free(section);
}

// The critical section of a mutex, created when a static initializer still
// stands in for it; two threads that race here agree on the first one.
CRITICAL_SECTION* SectionOf(pthread_mutex_t* mutex) {
  pthread_mutex_t value = __atomic_load_n(mutex, __ATOMIC_ACQUIRE);
  if (!IsStaticInitializer(value)) return reinterpret_cast<CRITICAL_SECTION*>(value);
  CRITICAL_SECTION* created = NewCriticalSection();
  if (!created) return nullptr;
  if (__atomic_compare_exchange_n(mutex, &value, reinterpret_cast<pthread_mutex_t>(created), false, __ATOMIC_ACQ_REL,
                                  __ATOMIC_ACQUIRE))
    return created;
  DeleteCriticalSectionMemory(created);
  return reinterpret_cast<CRITICAL_SECTION*>(value);
}

// Fiber-local storage passes a destructor only the value, so each key gets
// a callback of its own that knows the key's destructor. The runtime uses
// one key; a few spare ones cost nothing.
constexpr unsigned kKeyCount = 4;
struct Key {
  DWORD slot = FLS_OUT_OF_INDEXES;
  void (*destructor)(void*) = nullptr;
};
Key g_keys[kKeyCount];

template <unsigned Index>
void WINAPI RunDestructor(void* value) {
  void (*destructor)(void*) = __atomic_load_n(&g_keys[Index].destructor, __ATOMIC_ACQUIRE);
  if (value && destructor) destructor(value);
}

constexpr PFLS_CALLBACK_FUNCTION kDestructorCallbacks[kKeyCount] = {RunDestructor<0>, RunDestructor<1>,
                                                                    RunDestructor<2>, RunDestructor<3>};
long g_keysTaken = 0;

// A new thread's routine and argument, until it runs.
struct ThreadStart {
  void* (*routine)(void*);
  void* argument;
};

DWORD WINAPI RunThread(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  std::free(parameter);
  start.routine(start.argument);
  return 0;
}

// The Windows condition variable lives in the variable itself, which is as
// large; the static initializer becomes its own initial value on first use.
static_assert(sizeof(pthread_cond_t) == sizeof(CONDITION_VARIABLE), "a condition variable fits in place");
CONDITION_VARIABLE* ConditionOf(pthread_cond_t* cond) {
  pthread_cond_t initializer = PTHREAD_COND_INITIALIZER;
  __atomic_compare_exchange_n(cond, &initializer, 0, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
  return reinterpret_cast<CONDITION_VARIABLE*>(cond);
}

}  // namespace

extern "C" {

// A thread is its Windows handle, closed by join or detach.
int pthread_create(pthread_t* thread, const pthread_attr_t*, void* (*routine)(void*), void* argument) {
  auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
  if (!start) return EAGAIN;
  *start = {routine, argument};
  HANDLE handle = ::CreateThread(nullptr, 0, &RunThread, start, 0, nullptr);
  if (!handle) {
    std::free(start);
    return EAGAIN;
  }
  *thread = reinterpret_cast<pthread_t>(handle);
  return 0;
}

int pthread_join(pthread_t thread, void** result) {
  HANDLE handle = reinterpret_cast<HANDLE>(thread);
  if (::WaitForSingleObject(handle, INFINITE) != WAIT_OBJECT_0) return EINVAL;
  ::CloseHandle(handle);
  if (result) *result = nullptr;
  return 0;
}

int pthread_detach(pthread_t thread) {
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));
  return 0;
}

int pthread_equal(pthread_t first, pthread_t second) { return first == second; }

int pthread_num_processors_np(void) {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return 1;
  int count = 0;
  for (; process != 0; process &= process - 1) ++count;
  return count;
}

// Only std::this_thread::sleep_for would call it; linked with std::thread.
int nanosleep(const struct timespec* request, struct timespec* remain) {
  ::Sleep(DWORD(request->tv_sec * 1000 + request->tv_nsec / 1000000));
  if (remain) *remain = {};
  return 0;
}

int pthread_cond_init(pthread_cond_t* cond, const pthread_condattr_t*) {
  ::InitializeConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(cond));
  return 0;
}

// A Windows condition variable holds nothing to free.
int pthread_cond_destroy(pthread_cond_t*) { return 0; }

int pthread_cond_signal(pthread_cond_t* cond) {
  ::WakeConditionVariable(ConditionOf(cond));
  return 0;
}

int pthread_cond_broadcast(pthread_cond_t* cond) {
  ::WakeAllConditionVariable(ConditionOf(cond));
  return 0;
}

int pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex) {
  CRITICAL_SECTION* section = SectionOf(mutex);
  if (!section) return ENOMEM;
  return ::SleepConditionVariableCS(ConditionOf(cond), section, INFINITE) ? 0 : EINVAL;
}

// once: 0 before, 1 while init runs, 2 after.
int pthread_once(pthread_once_t* once, void (*init)(void)) {
  for (;;) {
    long state = __atomic_load_n(once, __ATOMIC_ACQUIRE);
    if (state == 2) return 0;
    if (state == 0 && __atomic_compare_exchange_n(once, &state, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      init();
      __atomic_store_n(once, 2, __ATOMIC_RELEASE);
      return 0;
    }
    ::Sleep(1);
  }
}

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
  CRITICAL_SECTION* section = NewCriticalSection();
  if (!section) return ENOMEM;
  *mutex = reinterpret_cast<pthread_mutex_t>(section);
  return 0;
}

int pthread_mutex_destroy(pthread_mutex_t* mutex) {
  if (!IsStaticInitializer(*mutex)) DeleteCriticalSectionMemory(reinterpret_cast<CRITICAL_SECTION*>(*mutex));
  *mutex = PTHREAD_MUTEX_INITIALIZER;
  return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
  CRITICAL_SECTION* section = SectionOf(mutex);
  if (!section) return ENOMEM;
  ::EnterCriticalSection(section);
  return 0;
}

int pthread_mutex_trylock(pthread_mutex_t* mutex) {
  CRITICAL_SECTION* section = SectionOf(mutex);
  if (!section) return ENOMEM;
  return ::TryEnterCriticalSection(section) ? 0 : EBUSY;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
  ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(*mutex));
  return 0;
}

int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  const long index = __atomic_fetch_add(&g_keysTaken, 1, __ATOMIC_ACQ_REL);
  if (index >= static_cast<long>(kKeyCount)) return EAGAIN;
  Key& entry = g_keys[index];
  __atomic_store_n(&entry.destructor, destructor, __ATOMIC_RELEASE);
  entry.slot = ::FlsAlloc(kDestructorCallbacks[index]);
  if (entry.slot == FLS_OUT_OF_INDEXES) return EAGAIN;
  *key = static_cast<pthread_key_t>(index);
  return 0;
}

int pthread_key_delete(pthread_key_t key) {
  if (key >= kKeyCount) return EINVAL;
  // Freeing the slot calls the callback for every thread's value; deleting
  // a key runs no destructor.
  __atomic_store_n(&g_keys[key].destructor, nullptr, __ATOMIC_RELEASE);
  ::FlsFree(g_keys[key].slot);
  return 0;
}

void* pthread_getspecific(pthread_key_t key) {
  if (key >= kKeyCount) return nullptr;
  const DWORD lastError = ::GetLastError();
  void* value = ::FlsGetValue(g_keys[key].slot);
  ::SetLastError(lastError);
  return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
  if (key >= kKeyCount) return EINVAL;
  const DWORD lastError = ::GetLastError();
  const BOOL stored = ::FlsSetValue(g_keys[key].slot, const_cast<void*>(value));
  ::SetLastError(lastError);
  return stored ? 0 : ENOMEM;
}

// The guard of a function-local static: the compiler checks the first
// byte of the 64-bit guard itself and calls here only while it is zero; a
// busy flag lives in the guard's second word.
int __cxa_guard_acquire(long long* guard) {
  char* done = reinterpret_cast<char*>(guard);
  int* busy = reinterpret_cast<int*>(guard) + 1;
  for (;;) {
    if (__atomic_load_n(done, __ATOMIC_ACQUIRE)) return 0;
    int idle = 0;
    if (__atomic_compare_exchange_n(busy, &idle, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      // Another thread may have finished between the two looks.
      if (!__atomic_load_n(done, __ATOMIC_ACQUIRE)) return 1;
      __atomic_store_n(busy, 0, __ATOMIC_RELEASE);
      return 0;
    }
    ::Sleep(1);
  }
}

void __cxa_guard_release(long long* guard) {
  __atomic_store_n(reinterpret_cast<char*>(guard), 1, __ATOMIC_RELEASE);
  __atomic_store_n(reinterpret_cast<int*>(guard) + 1, 0, __ATOMIC_RELEASE);
}

void __cxa_guard_abort(long long* guard) { __atomic_store_n(reinterpret_cast<int*>(guard) + 1, 0, __ATOMIC_RELEASE); }

}  // extern "C"
