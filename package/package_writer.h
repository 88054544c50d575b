#pragma once
// Writing packages: compressing contents, laying out entries and header.
// Used by setuppack, the tests and the benchmark; the setup only reads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/md5.h"

// One entry as it will be written. The fields are free so that tests can
// write damaged entries too.
struct PackageItem {
  std::string name;
  std::vector<uint8_t> compressed;  // one zlib stream, or any bytes
  uint8_t contentDigest[kMd5DigestSize] = {};
};

constexpr int kBestCompression = 9;

// One zlib stream of the content at the given level (9 starts with 78 DA).
// Throws std::length_error for contents of 4 GiB or more.
std::vector<uint8_t> CompressContent(const uint8_t* data, size_t size, int level = kBestCompression);

// The item for a file: the compressed content and the digest of the content.
PackageItem MakePackageItem(const std::string& name, const std::vector<uint8_t>& content,
                            int level = kBestCompression);

// The bytes of one entry: head, name, compressed content.
std::vector<uint8_t> EncodeEntry(const PackageItem& item);

// The whole package (header, then the area of the items in order) with the
// given key. Throws std::length_error when a size exceeds 32 bits.
std::vector<uint8_t> BuildPackage(const std::vector<PackageItem>& items, uint8_t key);

// The 88-byte header for an entry area, with the check field for key.
std::vector<uint8_t> EncodeHeader(uint8_t key, const std::vector<uint8_t>& area, uint32_t entryCount);
