#pragma once
// Inflation of one entry's zlib stream, read from its source in blocks
// through a fixed input buffer and handed on through a fixed output buffer:
// memory stays the two buffers and zlib's state, whatever the entry's size.

#include <cstdint>
#include <vector>

#include "package/package_source.h"

enum class InflateResult {
  kStreamEnd,   // the stream ended; the output took everything it produced
  kFailed,      // corrupt, truncated or otherwise not inflatable
  kNoMemory,    // zlib could not get memory for its state
  kReadFailed,  // the source did not give the compressed bytes
  kStopped,     // the output refused a block; it knows why
};

// Receives the inflated content block by block, in order.
class IInflateOutput {
 public:
  virtual ~IInflateOutput() = default;
  // Takes n bytes (n may be 0); false stops the inflation (kStopped).
  virtual bool Put(const uint8_t* data, uint32_t n) = 0;
  // Where the next bytes are to be inflated: left as given (the fixed output
  // buffer), or room of the output's own; false stops the inflation.
  virtual bool Room(uint8_t** room, uint32_t* size) {
    (void)room;
    (void)size;
    return true;
  }
};

// The two buffers, reused for every entry.
struct InflateBuffers {
  uint8_t* input;
  uint32_t inputSize;
  uint8_t* output;
  uint32_t outputSize;
};

// Inflates the compressedSize bytes at offset of source, handing every full
// output room and the final part to output. Bytes after the end of the
// stream are ignored.
InflateResult InflateEntry(IPackageSource& source, uint32_t offset, uint32_t compressedSize,
                           const InflateBuffers& buffers, IInflateOutput& output) noexcept;

// Inflates a whole zlib stream held in memory (a resource) into `content`;
// false when it does not inflate to its end.
bool InflateWhole(const uint8_t* data, uint32_t size, std::vector<uint8_t>* content);
