#pragma once
// The statuses a package parse ends in, shared by the file store and the
// package tool.

#include <cstdint>

enum : int32_t {
  kPackageOk = 0,
  kPackageReadFailed = -1,  // own path not obtained, file not opened, short read
  kPackageDamaged = -2,     // no valid header, digest mismatch, entry not inflated
  kPackageNoMemory = -3,    // an allocation failed
};

// A short English meaning of a status, for tools and diagnostics.
const char* PackageStatusMeaning(int32_t status);
