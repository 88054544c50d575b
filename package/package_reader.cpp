#include "package/package_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "package/inflate_entry.h"
#include "package/md5.h"
#include "package/package_format.h"

namespace {

// The magic and the 33 bytes of key and check field.
constexpr uint32_t kHeaderProbeSize = uint32_t(kPackageMagicSize + 1 + kPackageCheckFieldSize);
// Gathered contents are held in pieces of this size, never in one block
// that grows.
constexpr uint32_t kPieceSize = 64 * 1024;

bool CheckFieldIsValid(const uint8_t* header) {
  const uint8_t* check = header + offsetof(PackageHeader, checkField);
  for (size_t i = 0; i < kPackageCheckFieldSize; ++i) {
    if (check[i] != CheckFieldByte(header, i)) return false;
  }
  return true;
}

std::unique_ptr<uint8_t[]> Block(uint32_t size) { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]); }

// Counts what a source gave into one progress figure, and refuses to read on
// once `stop` is set.
class CCountingSource : public IPackageSource {
 public:
  CCountingSource(IPackageSource& source, std::atomic<uint32_t>* done, const std::atomic<bool>* stop)
      : m_source(source), m_done(done), m_stop(stop) {}
  bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) override {
    if (m_stop != nullptr && m_stop->load()) return false;
    if (!m_source.Read(offset, buffer, n)) return false;
    if (m_done != nullptr) m_done->fetch_add(n);
    return true;
  }
  uint32_t Size() const override { return m_source.Size(); }

 private:
  IPackageSource& m_source;
  std::atomic<uint32_t>* m_done;
  const std::atomic<bool>* m_stop;
};

// Digests an entry's content as it is inflated and gathers it in pieces
// while it stays within keepUpTo bytes.
class CEntryContent : public IInflateOutput {
 public:
  explicit CEntryContent(uint32_t keepUpTo) : m_keepUpTo(keepUpTo) { Md5Init(&m_md5); }

  bool Put(const uint8_t* data, uint32_t n) override {
    // The format's sizes are 32-bit: no packer writes a larger content.
    if (n > UINT32_MAX - m_size) return Stop(PackageFault::kEntryTooLarge);
    m_size += n;
    Md5Update(&m_md5, data, n);
    if (!m_keeping) return true;
    if (m_size > m_keepUpTo) {
      m_keeping = false;
      m_pieces.clear();
      return true;
    }
    while (n != 0) {
      const uint32_t used = (m_size - n) % kPieceSize;
      if (used == 0) {
        m_pieces.push_back(Block(kPieceSize));
        if (!m_pieces.back()) return Stop(PackageFault::kNoMemory);
      }
      const uint32_t part = std::min(n, kPieceSize - used);
      std::memcpy(m_pieces.back().get() + used, data, part);
      data += part;
      n -= part;
    }
    return true;
  }

  uint32_t Size() const { return m_size; }
  PackageFault StopFault() const { return m_fault; }
  bool DigestMatches(const uint8_t* expected) {
    uint8_t digest[kMd5DigestSize];
    Md5Final(&m_md5, digest);
    return std::memcmp(digest, expected, kMd5DigestSize) == 0;
  }
  // The content in one buffer of its exact size; null when it was not kept.
  // Sets noMemory when that buffer cannot be had.
  std::unique_ptr<uint8_t[]> TakeContent(bool* noMemory) {
    *noMemory = false;
    if (!m_keeping) return nullptr;
    std::unique_ptr<uint8_t[]> content = Block(m_size);
    if (!content) {
      *noMemory = true;
      return nullptr;
    }
    uint32_t at = 0;
    for (const auto& piece : m_pieces) {
      const uint32_t part = std::min(kPieceSize, m_size - at);
      std::memcpy(content.get() + at, piece.get(), part);
      at += part;
    }
    m_pieces.clear();
    return content;
  }

 private:
  bool Stop(PackageFault fault) {
    m_fault = fault;
    return false;
  }

  Md5Context m_md5;
  uint32_t m_keepUpTo;
  uint32_t m_size = 0;
  bool m_keeping = true;
  PackageFault m_fault = PackageFault::kNone;
  std::vector<std::unique_ptr<uint8_t[]>> m_pieces;
};

int32_t StatusOf(PackageFault fault) {
  switch (fault) {
    case PackageFault::kNone:
      return kPackageOk;
    case PackageFault::kNoMemory:
      return kPackageNoMemory;
    case PackageFault::kReadFailed:
      return kPackageReadFailed;
    default:
      return kPackageDamaged;
  }
}

int32_t Fail(PackageParseReport* report, PackageFault fault, uint32_t entry = 0) {
  report->fault = fault;
  report->faultEntry = entry;
  return StatusOf(fault);
}

// One entry's place in the area, its head and its name.
struct EntryAt {
  PackageEntryView view;
  uint8_t digest[kMd5DigestSize];
  std::string name;
};

// Reads the entry at offset `at`, with `left` bytes of the area from there;
// the fault when its head, name or stream runs past them or cannot be read.
PackageFault TakeEntry(IPackageSource& source, uint32_t& at, uint32_t& left, EntryAt* entry) {
  if (left < kPackageEntryHeadSize) return PackageFault::kEntryOutsideArea;
  uint8_t head[kPackageEntryHeadSize];
  if (!source.Read(at, head, uint32_t(kPackageEntryHeadSize))) return PackageFault::kReadFailed;
  const uint32_t compressedSize = ReadLe32(head + offsetof(PackageEntryHead, compressedSize));
  const uint32_t nameLength = ReadLe32(head + offsetof(PackageEntryHead, nameLength));
  const uint32_t afterHead = left - uint32_t(kPackageEntryHeadSize);
  if (nameLength > afterHead || compressedSize > afterHead - nameLength) return PackageFault::kEntryOutsideArea;

  entry->name.resize(nameLength);
  const uint32_t nameAt = at + uint32_t(kPackageEntryHeadSize);
  if (nameLength != 0 && !source.Read(nameAt, reinterpret_cast<uint8_t*>(&entry->name[0]), nameLength)) {
    return PackageFault::kReadFailed;
  }
  std::memcpy(entry->digest, head + offsetof(PackageEntryHead, contentDigest), kMd5DigestSize);
  entry->view.name = reinterpret_cast<const uint8_t*>(entry->name.data());
  entry->view.nameLength = nameLength;
  entry->view.contentDigest = entry->digest;
  entry->view.compressedOffset = nameAt + nameLength;
  entry->view.compressedSize = compressedSize;
  const uint32_t entrySize = uint32_t(kPackageEntryHeadSize) + nameLength + compressedSize;
  at += entrySize;
  left -= entrySize;
  return PackageFault::kNone;
}

PackageFault FaultOf(InflateResult result, const CEntryContent& content) {
  switch (result) {
    case InflateResult::kStreamEnd:
      return PackageFault::kNone;
    case InflateResult::kNoMemory:
      return PackageFault::kNoMemory;
    case InflateResult::kReadFailed:
      return PackageFault::kReadFailed;
    case InflateResult::kStopped:
      return content.StopFault();
    case InflateResult::kFailed:
      break;
  }
  return PackageFault::kEntryNotInflated;
}

// The state both jobs of a parse share.
struct Parse {
  IPackageSource* areaSource;
  IPackageSource* entrySource;
  uint8_t* buffer;
  uint32_t bufferSize;
  CPackageEntrySink* sink;
  const PackageUnpackOptions* options;
  uint32_t areaOffset;
  uint32_t areaLength;
  uint32_t entryCount;
  const uint8_t* areaDigest;
  std::atomic<bool> areaFailed{false};
  PackageFault areaFault = PackageFault::kNone;
  PackageParseReport entriesReport;
  int32_t entriesStatus = kPackageOk;
  std::atomic<uint32_t> unused{0};
};

std::atomic<uint32_t>* Counter(Parse& parse, std::atomic<uint32_t> PackageProgress::*member) {
  return parse.options->progress != nullptr ? &(parse.options->progress->*member) : &parse.unused;
}

PackageFault DigestArea(Parse& parse) {
  std::unique_ptr<uint8_t[]> block = Block(kPackageReadBlockSize);
  if (!block) return PackageFault::kNoMemory;
  CCountingSource source(*parse.areaSource, Counter(parse, &PackageProgress::areaDone), nullptr);
  Md5Context md5;
  Md5Init(&md5);
  for (uint32_t done = 0; done < parse.areaLength;) {
    const uint32_t n = std::min(kPackageReadBlockSize, parse.areaLength - done);
    if (!source.Read(parse.areaOffset + done, block.get(), n)) return PackageFault::kReadFailed;
    Md5Update(&md5, block.get(), n);
    done += n;
  }
  uint8_t digest[kMd5DigestSize];
  Md5Final(&md5, digest);
  return std::memcmp(digest, parse.areaDigest, kMd5DigestSize) == 0 ? PackageFault::kNone
                                                                      : PackageFault::kAreaDigestMismatch;
}

void AreaJob(void* argument) {
  Parse& parse = *static_cast<Parse*>(argument);
  try {
    parse.areaFault = DigestArea(parse);
  } catch (...) {
    parse.areaFault = PackageFault::kNoMemory;
  }
  if (parse.areaFault != PackageFault::kNone) parse.areaFailed = true;
}

int32_t FailEntry(PackageParseReport* report, PackageFault fault, const EntryAt& entry) {
  report->faultEntryName = entry.name;
  return Fail(report, fault, entry.view.index);
}

int32_t UnpackEntries(Parse& parse, PackageParseReport* report) {
  std::unique_ptr<uint8_t[]> input = Block(kPackageReadBlockSize);
  if (!input) return Fail(report, PackageFault::kNoMemory);
  const InflateBuffers buffers = {input.get(), kPackageReadBlockSize, parse.buffer, parse.bufferSize};
  // Once the area is known to be damaged, nothing more is read.
  CCountingSource source(*parse.entrySource, Counter(parse, &PackageProgress::entriesDone), &parse.areaFailed);
  const PackageUnpackOptions& options = *parse.options;
  uint64_t kept = 0;
  uint32_t at = parse.areaOffset;
  uint32_t left = parse.areaLength;
  EntryAt entry;
  for (uint32_t i = 0; i < parse.entryCount; ++i) {
    entry.view.index = i;
    const PackageFault taken = TakeEntry(source, at, left, &entry);
    if (taken != PackageFault::kNone) return Fail(report, taken, i);

    const bool whole = options.keepWhole != nullptr && entry.name == options.keepWhole;
    const uint32_t budgetLeft = kept < options.keepBudget ? uint32_t(options.keepBudget - kept) : 0;
    const uint32_t keepUpTo = whole ? UINT32_MAX : std::min(options.keepLimit, budgetLeft);
    CEntryContent content(keepUpTo);
    const PackageFault fault = FaultOf(
        InflateEntry(source, entry.view.compressedOffset, entry.view.compressedSize, buffers, content), content);
    if (fault != PackageFault::kNone) return FailEntry(report, fault, entry);
    if (content.Size() == 0) return FailEntry(report, PackageFault::kEntryEmpty, entry);
    if (!content.DigestMatches(entry.digest)) return FailEntry(report, PackageFault::kEntryDigestMismatch, entry);
    bool noMemory = false;
    std::unique_ptr<uint8_t[]> data = content.TakeContent(&noMemory);
    if (noMemory) return FailEntry(report, PackageFault::kNoMemory, entry);
    if (data) kept += content.Size();

    const int32_t status = parse.sink->Accept(entry.view, std::move(data), content.Size());
    if (status != kPackageOk) {
      report->fault = status == kPackageNoMemory ? PackageFault::kNoMemory : PackageFault::kNone;
      report->faultEntry = i;
      return status;
    }
  }
  return kPackageOk;
}

void EntriesJob(void* argument) {
  Parse& parse = *static_cast<Parse*>(argument);
  try {
    parse.entriesStatus = UnpackEntries(parse, &parse.entriesReport);
  } catch (...) {
    // std::bad_alloc from a piece list or the sink; nothing else is thrown.
    parse.entriesStatus = Fail(&parse.entriesReport, PackageFault::kNoMemory, parse.entriesReport.faultEntry);
  }
}

int32_t Unpack(IPackageSource& areaSource, IPackageSource& entrySource, uint8_t* buffer, uint32_t bufferSize,
               CPackageEntrySink& sink, const PackageUnpackOptions& options, PackageParseReport* report) {
  const uint32_t size = entrySource.Size();
  uint32_t headerOffset = 0;
  const PackageFault search = FindPackageHeaderIn(entrySource, &headerOffset);
  if (search != PackageFault::kNone) return Fail(report, search);
  report->headerFound = true;
  report->headerOffset = headerOffset;
  if (size - headerOffset < kPackageHeaderSize) {
    uint8_t probe[kHeaderProbeSize];
    if (!entrySource.Read(headerOffset, probe, kHeaderProbeSize)) return Fail(report, PackageFault::kReadFailed);
    report->key = probe[offsetof(PackageHeader, key)];
    return Fail(report, PackageFault::kHeaderCut);
  }
  uint8_t header[kPackageHeaderSize];
  if (!entrySource.Read(headerOffset, header, uint32_t(kPackageHeaderSize))) {
    return Fail(report, PackageFault::kReadFailed);
  }
  report->key = header[offsetof(PackageHeader, key)];

  Parse parse;
  parse.areaSource = &areaSource;
  parse.entrySource = &entrySource;
  parse.buffer = buffer;
  parse.bufferSize = bufferSize;
  parse.sink = &sink;
  parse.options = &options;
  parse.areaLength = ReadLe32(header + offsetof(PackageHeader, areaLength));
  parse.entryCount = ReadLe32(header + offsetof(PackageHeader, entryCount));
  parse.areaDigest = header + offsetof(PackageHeader, areaDigest);
  report->areaLength = parse.areaLength;
  report->entryCount = parse.entryCount;
  parse.areaOffset = headerOffset + uint32_t(kPackageHeaderSize);
  if (parse.areaLength > size - parse.areaOffset) return Fail(report, PackageFault::kAreaOutsideImage);
  if (options.progress != nullptr) options.progress->areaLength = parse.areaLength;

  if (options.jobs != nullptr) {
    options.jobs->RunBoth(&AreaJob, &parse, &EntriesJob, &parse);
  } else {
    AreaJob(&parse);
    if (parse.areaFault == PackageFault::kNone) EntriesJob(&parse);
  }
  // The area is checked before any entry: its fault is the one reported.
  if (parse.areaFault != PackageFault::kNone) return Fail(report, parse.areaFault);
  report->fault = parse.entriesReport.fault;
  report->faultEntry = parse.entriesReport.faultEntry;
  report->faultEntryName = parse.entriesReport.faultEntryName;
  return parse.entriesStatus;
}

}  // namespace

bool FindPackageHeader(const uint8_t* image, uint32_t size, uint32_t* headerOffset) {
  // The magic and the 33 bytes of key and check field must lie in the image.
  if (image == nullptr || size < kHeaderProbeSize) return false;
  const uint8_t* last = image + (size - kHeaderProbeSize);  // last position that can hold them
  const uint8_t* at = image;
  while (at <= last) {
    at = static_cast<const uint8_t*>(std::memchr(at, kPackageMagic[0], size_t(last - at) + 1));
    if (at == nullptr) return false;
    if (std::memcmp(at, kPackageMagic, kPackageMagicSize) == 0 && CheckFieldIsValid(at)) {
      *headerOffset = uint32_t(at - image);
      return true;
    }
    ++at;
  }
  return false;
}

PackageFault FindPackageHeaderIn(IPackageSource& source, uint32_t* headerOffset) {
  // Each block reaches into the next by one probe less a byte, so that a
  // header across a block boundary is seen whole.
  constexpr uint32_t kOverlap = kHeaderProbeSize - 1;
  std::unique_ptr<uint8_t[]> block = Block(kPackageReadBlockSize + kOverlap);
  if (!block) return PackageFault::kNoMemory;
  const uint32_t size = source.Size();
  for (uint32_t at = 0; size - at >= kHeaderProbeSize; at += kPackageReadBlockSize) {
    const uint32_t n = std::min(kPackageReadBlockSize + kOverlap, size - at);
    if (!source.Read(at, block.get(), n)) return PackageFault::kReadFailed;
    uint32_t found = 0;
    if (FindPackageHeader(block.get(), n, &found)) {
      *headerOffset = at + found;
      return PackageFault::kNone;
    }
    if (size - at <= kPackageReadBlockSize + kOverlap) break;
  }
  return PackageFault::kNoHeader;
}

int32_t UnpackPackageFrom(IPackageSource& areaSource, IPackageSource& entrySource, uint8_t* buffer,
                          uint32_t bufferSize, CPackageEntrySink& sink, const PackageUnpackOptions& options,
                          PackageParseReport* report) noexcept {
  PackageParseReport ignored;
  if (report == nullptr) report = &ignored;
  *report = PackageParseReport();
  try {
    return Unpack(areaSource, entrySource, buffer, bufferSize, sink, options, report);
  } catch (...) {
    // std::bad_alloc from a name; nothing else is thrown.
    return Fail(report, PackageFault::kNoMemory, report->faultEntry);
  }
}

int32_t UnpackPackage(const uint8_t* image, uint32_t size, uint8_t* buffer, uint32_t bufferSize,
                      CPackageEntrySink& sink, PackageParseReport* report) noexcept {
  CMemorySource source(image, image == nullptr ? 0 : size);
  return UnpackPackageFrom(source, source, buffer, bufferSize, sink, PackageUnpackOptions(), report);
}

const char* DescribePackageFault(PackageFault fault) {
  switch (fault) {
    case PackageFault::kNone:
      return "no fault";
    case PackageFault::kNoHeader:
      return "no package header with a valid check field";
    case PackageFault::kHeaderCut:
      return "the package header runs past the end of the file";
    case PackageFault::kAreaOutsideImage:
      return "the entry area runs past the end of the file";
    case PackageFault::kAreaDigestMismatch:
      return "the entry area does not match its MD5 digest";
    case PackageFault::kEntryOutsideArea:
      return "the entry runs past the end of the entry area";
    case PackageFault::kEntryNotInflated:
      return "the entry's zlib stream is corrupt or truncated";
    case PackageFault::kEntryEmpty:
      return "the entry's content is empty";
    case PackageFault::kEntryDigestMismatch:
      return "the entry's content does not match its MD5 digest";
    case PackageFault::kEntryTooLarge:
      return "the entry's content inflates to 4 GiB or more";
    case PackageFault::kNoMemory:
      return "memory exhausted";
    case PackageFault::kReadFailed:
      return "the file could not be read";
  }
  return "unknown fault";
}
