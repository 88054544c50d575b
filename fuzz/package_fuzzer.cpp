// Fuzz target for the package parser. The first input byte chooses how the
// rest is used:
//   bit 0 clear: the rest is a whole file image, parsed as is;
//   bit 0 set:   the rest is an entry area, put behind a valid header so the
//                area digest passes and the fuzzer reaches the entry walk;
//   bit 1 set:   (with bit 0) every entry that inflates gets its true digest,
//                so the fuzzer reaches the index;
//   bit 2 set:   (with bit 0) the entry count claims one entry more than fit.
// Invariants: the status is 0, -2 or -3; a failed parse leaves the index
// empty; parsing the same image again gives the same result; with the
// digests on threads of their own the status, the fault, its entry and the
// entries delivered are the same as on the calling thread alone.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/inflate_entry.h"
#include "package/md5.h"
#include "package/package_file_store.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "package/package_writer.h"

namespace {

// The digest of an entry's content, as it is inflated.
class CDigestOutput : public IInflateOutput {
 public:
  CDigestOutput() { Md5Init(&m_md5); }
  bool Put(const uint8_t* data, uint32_t n) override {
    Md5Update(&m_md5, data, n);
    return true;
  }
  void Finish(uint8_t* digest) { Md5Final(&m_md5, digest); }

 private:
  Md5Context m_md5;
};

// Walks the entries that fit in the area; optionally sets their digests.
uint32_t WalkEntries(std::vector<uint8_t>& area, bool fixDigests) {
  std::vector<uint8_t> input(kPackageReadBlockSize);
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  const InflateBuffers buffers = {input.data(), uint32_t(input.size()), buffer.data(), uint32_t(buffer.size())};
  CMemorySource source(area.data(), uint32_t(area.size()));
  size_t at = 0;
  uint32_t count = 0;
  while (area.size() - at >= kPackageEntryHeadSize) {
    uint32_t compressedSize = ReadLe32(area.data() + at);
    uint32_t nameLength = ReadLe32(area.data() + at + 4);
    size_t left = area.size() - at - kPackageEntryHeadSize;
    if (nameLength > left || compressedSize > left - nameLength) break;
    if (fixDigests) {
      const uint32_t stream = uint32_t(at + kPackageEntryHeadSize + nameLength);
      CDigestOutput content;
      if (InflateEntry(source, stream, compressedSize, buffers, content) == InflateResult::kStreamEnd) {
        content.Finish(area.data() + at + 8);
      }
    }
    at += kPackageEntryHeadSize + nameLength + compressedSize;
    ++count;
  }
  return count;
}

std::vector<uint8_t> WrapArea(const uint8_t* data, size_t size, uint8_t mode) {
  std::vector<uint8_t> area(data, data + size);
  uint32_t count = WalkEntries(area, (mode & 2) != 0);
  if (mode & 4) ++count;
  std::vector<uint8_t> image = EncodeHeader(0x5a, area, count);
  image.insert(image.end(), area.begin(), area.end());
  return image;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

class CCountingSink : public CPackageEntrySink {
 public:
  int32_t Accept(const PackageEntryView&, std::unique_ptr<uint8_t[]>, uint32_t) override {
    ++count;
    return kPackageOk;
  }
  uint32_t count = 0;
};

struct Verdict {
  int32_t status;
  PackageFault fault;
  uint32_t faultEntry;
  uint32_t delivered;
  bool operator==(const Verdict& other) const {
    return status == other.status && fault == other.fault && faultEntry == other.faultEntry &&
           delivered == other.delivered;
  }
};

Verdict UnpackOn(uint32_t helperThreads, const std::vector<uint8_t>& image) {
  CMemorySource source(image.empty() ? nullptr : image.data(), uint32_t(image.size()));
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  PackageUnpackOptions options;
  options.helperThreads = helperThreads;
  CCountingSink sink;
  PackageParseReport report;
  const int32_t status =
      UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options, &report);
  return {status, report.fault, report.faultEntry, sink.count};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 24)) return 0;
  uint8_t mode = data[0];
  // An exact-size copy: a read past the image is a read past the block.
  std::vector<uint8_t> image = (mode & 1) ? WrapArea(data + 1, size - 1, mode) : std::vector<uint8_t>(data + 1, data + size);
  image.shrink_to_fit();

  CPackageFileStore store;
  int32_t status = store.ParseImage(image.empty() ? nullptr : image.data(), uint32_t(image.size()));
  Require(status == 0 || status == -2 || status == -3);
  Require(store.Status() == status);
  Require(status == 0 || store.EntryCount() == 0);
  size_t entries = store.EntryCount();

  int32_t again = store.ParseImage(image.empty() ? nullptr : image.data(), uint32_t(image.size()));
  Require(again == status);
  Require(store.EntryCount() == entries);

  const Verdict alone = UnpackOn(0, image);
  Require(alone.status == status);
  Verdict beside = UnpackOn(2, image);
  // With the area digest beside the entries, how many entries reached the
  // sink before a damaged area was known depends on the threads' pace; the
  // verdict itself may not.
  if (alone.fault == PackageFault::kAreaDigestMismatch) beside.delivered = alone.delivered;
  Require(beside == alone);
  return 0;
}
