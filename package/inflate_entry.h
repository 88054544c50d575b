#pragma once
// Inflation of one entry's zlib stream through a fixed output buffer.

#include <cstdint>

#include "package/growing_buffer.h"

enum class InflateResult {
  kStreamEnd,  // the stream ended; content holds everything it produced
  kFailed,     // corrupt, truncated or otherwise not inflatable; content is empty
  kNoMemory,   // zlib or the content could not get memory; content is empty
  kTooLarge,   // more than 4 GiB - 1 bytes of output; content is empty
};

// Inflates compressed through buffer (bufferSize bytes, reused for every
// call), appending each full buffer and the final part to content, which
// must start empty. Bytes after the end of the stream are ignored.
InflateResult InflateEntry(const uint8_t* compressed, uint32_t compressedSize, uint8_t* buffer, uint32_t bufferSize,
                           CGrowingBuffer& content) noexcept;
