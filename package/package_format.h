#pragma once
// The installation package appended to the setup executable: an 88-byte
// header found by its magic text and check field, then an entry area of N
// back-to-back entries (24-byte head, name, one zlib stream). All integers
// are unsigned 32-bit little-endian; there is no padding anywhere.

#include <cstddef>
#include <cstdint>

// Without its terminating zero: 31 characters. The zero that follows it in
// the program's data is what keeps this copy from passing as a header.
// One copy in a program: two copies side by side in its data would read as a
// header with key 0, whose check field is the magic itself.
inline constexpr char kPackageMagic[] = "Marrowfield Co installer system";
constexpr size_t kPackageMagicSize = sizeof(kPackageMagic) - 1;
constexpr size_t kPackageCheckFieldSize = 32;

struct PackageHeader {
  char magic[31];
  uint8_t key;
  uint8_t checkField[32];  // byte i = (magic, key)[i] XOR key; the last is always 0
  uint32_t areaLength;
  uint32_t entryCount;
  uint8_t areaDigest[16];  // MD5 of the areaLength bytes that follow the header
};

struct PackageEntryHead {
  uint32_t compressedSize;
  uint32_t nameLength;
  uint8_t contentDigest[16];  // MD5 of the inflated content
  // followed by nameLength name bytes, then compressedSize bytes of zlib stream
};

constexpr size_t kPackageHeaderSize = 88;
constexpr size_t kPackageEntryHeadSize = 24;

static_assert(kPackageMagicSize == 31, "magic text is 31 characters");
static_assert(sizeof(PackageHeader) == kPackageHeaderSize, "header is 88 bytes");
static_assert(offsetof(PackageHeader, key) == 31, "key follows the magic");
static_assert(offsetof(PackageHeader, checkField) == 32, "check field at 32");
static_assert(offsetof(PackageHeader, areaLength) == 64, "area length at 64");
static_assert(offsetof(PackageHeader, entryCount) == 68, "entry count at 68");
static_assert(offsetof(PackageHeader, areaDigest) == 72, "area digest at 72");
static_assert(sizeof(PackageEntryHead) == kPackageEntryHeadSize, "entry head is 24 bytes");
static_assert(offsetof(PackageEntryHead, nameLength) == 4, "name length at 4");
static_assert(offsetof(PackageEntryHead, contentDigest) == 8, "content digest at 8");

// Reads an unsigned 32-bit little-endian value at p.
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Writes v at p as unsigned 32-bit little-endian.
inline void WriteLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// The check field byte at index i (0..31) for the 32 bytes magic + key at
// header: header[i] XOR key.
inline uint8_t CheckFieldByte(const uint8_t* header, size_t i) {
  return uint8_t(header[i] ^ header[offsetof(PackageHeader, key)]);
}
