#include "package/package_status.h"

const char* PackageStatusMeaning(int32_t status) {
  switch (status) {
    case kPackageOk:
      return "the package is complete";
    case kPackageReadFailed:
      return "the file could not be read";
    case kPackageDamaged:
      return "the package is damaged";
    case kPackageNoMemory:
      return "memory exhausted";
    default:
      return "unknown status";
  }
}
