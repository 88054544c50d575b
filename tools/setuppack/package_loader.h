#pragma once
// Loading a setup (or bare package) file exactly as the setup's store does:
// the whole file, the first valid header, every entry inflated and verified
// through one 16384-byte buffer.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/md5.h"
#include "package/package_reader.h"

struct LoadedEntry {
  std::string name;
  uint32_t size = 0;
  uint32_t compressedSize = 0;
  uint8_t digest[kMd5DigestSize] = {};
  std::unique_ptr<uint8_t[]> content;  // only when contents were asked for
};

struct LoadedPackage {
  int32_t status = kPackageReadFailed;
  std::string readError;  // why the file could not be read, for status -1
  PackageParseReport report;
  std::string faultEntryName;  // the failing entry's name, when it had one
  std::vector<LoadedEntry> entries;  // in package order
};

// Reads and unpacks path; keepContents keeps every entry's bytes.
LoadedPackage LoadPackage(const std::string& path, bool keepContents);

// One line on why the setup would reject the package: "status -2: the
// package is damaged (entry 3 "readme.txt": ...)".
std::string DescribeRejection(const LoadedPackage& package);
