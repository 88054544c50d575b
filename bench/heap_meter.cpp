#include "bench/heap_meter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* p);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void Added(void* p) {
  if (p == nullptr) return;
  size_t live = g_live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}

void Removed(void* p) {
  if (p != nullptr) g_live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  void* p = __libc_malloc(size);
  Added(p);
  return p;
}

void free(void* p) {
  Removed(p);
  __libc_free(p);
}

void* calloc(size_t n, size_t size) {
  void* p = __libc_calloc(n, size);
  Added(p);
  return p;
}

void* realloc(void* p, size_t size) {
  Removed(p);
  void* q = __libc_realloc(p, size);
  if (q == nullptr && size != 0) {
    Added(p);  // the old block is still there
    return nullptr;
  }
  Added(q);
  return q;
}

void* memalign(size_t alignment, size_t size) {
  void* p = __libc_memalign(alignment, size);
  Added(p);
  return p;
}

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  void* p = memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}

}  // extern "C"

size_t HeapLiveBytes() { return g_live.load(std::memory_order_relaxed); }
size_t HeapPeakBytes() { return g_peak.load(std::memory_order_relaxed); }
void ResetHeapPeak() { g_peak.store(g_live.load(std::memory_order_relaxed), std::memory_order_relaxed); }
