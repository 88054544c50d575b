#pragma once
// Live and peak heap bytes of the process, counted by replacing malloc and
// friends (glibc): every allocation, zlib's and the standard library's
// included.

#include <cstddef>

// Bytes allocated and not yet freed.
size_t HeapLiveBytes();
// The highest live byte count since the last ResetHeapPeak.
size_t HeapPeakBytes();
// Starts a new peak from the current live count.
void ResetHeapPeak();
