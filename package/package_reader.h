#pragma once
// Finding, verifying and unpacking the package inside a whole file image in
// memory. Portable (no Win32): the setup's file store, the package tool, the
// fuzz target and the benchmark all go through UnpackPackage. Nothing outside
// the image is ever read, whatever the header says.

#include <cstdint>
#include <memory>

#include "package/package_status.h"

// One entry as it lies in the entry area; every pointer is inside the image.
struct PackageEntryView {
  uint32_t index = 0;  // position in the package, from 0
  const uint8_t* name = nullptr;
  uint32_t nameLength = 0;
  const uint8_t* compressed = nullptr;
  uint32_t compressedSize = 0;
  const uint8_t* contentDigest = nullptr;  // 16 bytes
};

// Why a parse did not end in kPackageOk.
enum class PackageFault {
  kNone,
  kNoHeader,            // no magic with a valid check field
  kHeaderCut,           // the header runs past the end of the image
  kAreaOutsideImage,    // the area length reaches past the end of the image
  kAreaDigestMismatch,  // the entry area does not match the area digest
  kEntryOutsideArea,    // an entry's head, name or stream runs past the area
  kEntryNotInflated,    // corrupt or truncated stream
  kEntryEmpty,          // the stream inflated to nothing
  kEntryDigestMismatch, // the content does not match the entry digest
  kNoMemory,            // an allocation failed
};

// What a parse found, for tools that explain a status.
struct PackageParseReport {
  bool headerFound = false;
  uint32_t headerOffset = 0;
  uint8_t key = 0;
  uint32_t areaLength = 0;
  uint32_t entryCount = 0;
  PackageFault fault = PackageFault::kNone;
  uint32_t faultEntry = 0;  // index of the failing entry, for the entry faults
  // The failing entry's name inside the image, when its bounds were sound.
  const uint8_t* faultEntryName = nullptr;
  uint32_t faultEntryNameLength = 0;
};

// Receives every entry once inflated, copied to a buffer of its exact size
// and verified, in package order. Returns kPackageOk to go on; any other
// status ends the parse with it. May throw std::bad_alloc.
class CPackageEntrySink {
 public:
  virtual ~CPackageEntrySink() = default;
  virtual int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) = 0;
};

// The offset of the first magic text followed by a valid check field; false
// when there is none.
bool FindPackageHeader(const uint8_t* image, uint32_t size, uint32_t* headerOffset);

// Finds the header, verifies the area digest and unpacks every entry into
// sink, inflating through buffer (bufferSize bytes). Returns kPackageOk,
// kPackageDamaged or kPackageNoMemory; report (optional) says why. Never
// throws.
int32_t UnpackPackage(const uint8_t* image, uint32_t size, uint8_t* buffer, uint32_t bufferSize,
                      CPackageEntrySink& sink, PackageParseReport* report = nullptr) noexcept;

// A short English description of a fault, for the package tool.
const char* DescribePackageFault(PackageFault fault);
