#pragma once
// Finding, verifying and unpacking the package, read from its source in
// blocks of a fixed size. Portable (no Win32): the setup's file store, the
// package tool, the fuzz target and the benchmark all go through it. Nothing
// outside the source is ever read, whatever the header says.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "package/package_source.h"
#include "package/package_status.h"

// One entry as it lies in the entry area. The pointers stay valid only
// while the sink's Accept runs.
struct PackageEntryView {
  uint32_t index = 0;  // position in the package, from 0
  const uint8_t* name = nullptr;
  uint32_t nameLength = 0;
  uint32_t compressedOffset = 0;  // of the zlib stream, in the source
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
  kEntryTooLarge,       // the stream inflates past the format's 32-bit size
  kNoMemory,            // an allocation failed
  kReadFailed,          // the source did not give bytes within its size
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
  // The failing entry's name, when its bounds were sound.
  std::string faultEntryName;
};

// Receives every entry once inflated and verified, in package order, with
// its content in a buffer of its exact size, or none (null) when the entry
// was verified but is too large to keep. Returns kPackageOk to go on; any
// other status ends the parse with it. May throw std::bad_alloc.
class CPackageEntrySink {
 public:
  virtual ~CPackageEntrySink() = default;
  virtual int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) = 0;
};

// How far a parse has come: bytes read by the area digest and by the
// entries, each at most the area length once the header is found (0 before).
struct PackageProgress {
  std::atomic<uint32_t> areaLength{0};
  std::atomic<uint32_t> areaDone{0};
  std::atomic<uint32_t> entriesDone{0};
};

struct PackageUnpackOptions {
  // Contents above keepLimit bytes, or beyond keepBudget bytes kept in all,
  // are verified but not kept (the sink gets no buffer).
  uint32_t keepLimit = UINT32_MAX;
  uint32_t keepBudget = UINT32_MAX;
  // The name of an entry kept whatever its size and the budget left (the
  // license the wizard shows); null for none. Its size counts to the budget.
  const char* keepWhole = nullptr;
  // Threads the parse may start beside the calling one. 0: the area is
  // checked first and the entries only after it passed, all on the calling
  // thread. 1: the area digest runs on a thread of its own (reading
  // areaSource) beside the entries. 2: the content digests on a thread of
  // their own, fed by the inflater on the calling thread through a small ring
  // of blocks; the area digest is done, a block at a time, by whichever of
  // the two would otherwise wait on the ring. A thread that cannot be started
  // leaves its work to the calling thread; the results are the same.
  uint32_t helperThreads = 0;
  PackageProgress* progress = nullptr;  // optional
};

// Block sizes of the reads from the source: large enough that a file read
// costs little beside inflating (under Wine, reading a large package in 64
// KiB blocks took three times as long), small beside the memory bound.
constexpr uint32_t kPackageReadBlockSize = 256 * 1024;

// The offset of the first magic text followed by a valid check field; false
// when there is none.
bool FindPackageHeader(const uint8_t* image, uint32_t size, uint32_t* headerOffset);

// The same, reading the source in blocks: kNone with the offset, kNoHeader,
// kReadFailed or kNoMemory.
PackageFault FindPackageHeaderIn(IPackageSource& source, uint32_t* headerOffset);

// Finds the header, verifies the area digest and unpacks every entry into
// sink, inflating through buffer (bufferSize bytes); the area digest reads
// areaSource, everything else entrySource (both the same bytes). Returns
// kPackageOk, kPackageReadFailed, kPackageDamaged or kPackageNoMemory; report
// (optional) says why. Never throws.
int32_t UnpackPackageFrom(IPackageSource& areaSource, IPackageSource& entrySource, uint8_t* buffer,
                          uint32_t bufferSize, CPackageEntrySink& sink, const PackageUnpackOptions& options,
                          PackageParseReport* report = nullptr) noexcept;

// UnpackPackageFrom on a whole image in memory, keeping every content.
int32_t UnpackPackage(const uint8_t* image, uint32_t size, uint8_t* buffer, uint32_t bufferSize,
                      CPackageEntrySink& sink, PackageParseReport* report = nullptr) noexcept;

// A short English description of a fault, for the package tool.
const char* DescribePackageFault(PackageFault fault);
