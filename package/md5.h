#pragma once
// MD5 message digest (RFC 1321): initialise, feed bytes in any pieces, finish
// into the 16 digest bytes in their standard order.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kMd5DigestSize = 16;

struct Md5Context {
  uint32_t state[4];
  uint64_t byteCount;
  uint8_t pending[64];  // the unprocessed tail of the input, byteCount % 64 bytes
};

// Starts a new digest.
void Md5Init(Md5Context* context);
// Feeds size bytes; data may be null when size is 0.
void Md5Update(Md5Context* context, const void* data, size_t size);
// Pads, writes the 16 digest bytes and leaves the context spent.
void Md5Final(Md5Context* context, uint8_t digest[kMd5DigestSize]);
// The digest of one buffer in a single call.
void Md5Digest(const void* data, size_t size, uint8_t digest[kMd5DigestSize]);
// The digest as 32 lower-case hexadecimal digits.
std::string Md5Hex(const uint8_t digest[kMd5DigestSize]);
