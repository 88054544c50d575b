#include "package/package_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "package/block_ring.h"
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
  const uint8_t* View(uint32_t offset, uint32_t n) override {
    if (m_stop != nullptr && m_stop->load()) return nullptr;
    const uint8_t* view = m_source.View(offset, n);
    if (view != nullptr && m_done != nullptr) m_done->fetch_add(n);
    return view;
  }

 private:
  IPackageSource& m_source;
  std::atomic<uint32_t>* m_done;
  const std::atomic<bool>* m_stop;
};

// Digests an entry's content as it is inflated and gathers it in pieces
// while it stays within keepUpTo bytes: inflated straight into them on the
// calling thread alone, copied from the ring's blocks beside the inflater.
class CEntryContent : public IInflateOutput {
 public:
  CEntryContent() { Begin(UINT32_MAX); }
  // Starts the next entry.
  void Begin(uint32_t keepUpTo) {
    Md5Init(&m_md5);
    m_keepUpTo = keepUpTo;
    m_size = 0;
    m_keeping = true;
    m_fault = PackageFault::kNone;
    m_inPlace = false;
    m_pieces.clear();
  }

  // While the content is kept, it is inflated straight into its last piece.
  bool Room(uint8_t** room, uint32_t* size) override {
    m_inPlace = false;
    if (!m_keeping || m_size >= m_keepUpTo) return true;
    const uint32_t used = m_size % kPieceSize;
    if (used == 0) {
      m_pieces.push_back(Block(kPieceSize));
      if (!m_pieces.back()) return Stop(PackageFault::kNoMemory);
    }
    *room = m_pieces.back().get() + used;
    *size = kPieceSize - used;
    m_inPlace = true;
    return true;
  }

  bool Put(const uint8_t* data, uint32_t n) override {
    // The format's sizes are 32-bit: no packer writes a larger content.
    if (n > UINT32_MAX - m_size) return Stop(PackageFault::kEntryTooLarge);
    m_size += n;
    Md5Update(&m_md5, data, n);
    if (!m_keeping) return true;
    if (m_size > m_keepUpTo) {
      Drop();
      return true;
    }
    if (m_inPlace) return true;
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
  void Drop() {
    m_keeping = false;
    m_pieces.clear();
  }
  bool Stop(PackageFault fault) {
    m_fault = fault;
    return false;
  }

  Md5Context m_md5;
  uint32_t m_keepUpTo;
  uint32_t m_size;
  bool m_keeping;
  bool m_inPlace;  // the last room was the free part of the last piece
  PackageFault m_fault;
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

// The fault an inflation ended with; stopFault when its output stopped it.
PackageFault FaultOf(InflateResult result, PackageFault stopFault) {
  switch (result) {
    case InflateResult::kStreamEnd:
      return PackageFault::kNone;
    case InflateResult::kNoMemory:
      return PackageFault::kNoMemory;
    case InflateResult::kReadFailed:
      return PackageFault::kReadFailed;
    case InflateResult::kStopped:
      return stopFault;
    case InflateResult::kFailed:
      break;
  }
  return PackageFault::kEntryNotInflated;
}

// What the inflater hands the content digests through the ring, in package
// order.
enum class RingMessage : uint8_t {
  kEntry,     // the next entry begins: the slot's entry
  kContent,   // the slot's block holds the next `size` bytes of its content
  kEntryEnd,  // its stream ended
  kFault,     // the inflater stopped at the slot's fault
  kFinished,  // every entry was handed over
};

struct RingSlot {
  RingMessage message = RingMessage::kFinished;
  uint32_t size = 0;
  PackageFault fault = PackageFault::kNone;
  uint32_t faultEntry = 0;
  bool faultNamed = false;  // the fault is the current entry's, reported with its name
  EntryAt entry;
};

// The ring between the inflater and the content digests: a few blocks, so
// that memory stays bounded whatever the package's size, but enough (half a
// MiB with the store's buffer) that the inflater rarely waits while the other
// thread is digesting the area or has lost its processor for a while.
constexpr uint32_t kRingSlots = 32;  // a power of two: the turns count round it

struct Pipeline {
  explicit Pipeline(uint32_t size) : ring(kRingSlots), blockSize(size) {}
  uint8_t* Block(uint32_t slot) { return blocks.get() + size_t(slot) * blockSize; }

  CBlockRing ring;
  uint32_t blockSize;
  std::unique_ptr<uint8_t[]> blocks;
  RingSlot slots[kRingSlots];
};

// The state the jobs of a parse share.
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
  Pipeline* pipeline = nullptr;  // set before any helper thread starts
  // The area digest, block by block, by one thread at a time.
  std::mutex areaTurn;
  std::unique_ptr<uint8_t[]> areaBlock;
  Md5Context areaMd5;
  uint32_t areaDigestedBytes = 0;
  std::atomic<bool> areaDigested{false};
  std::atomic<bool> areaFailed{false};
  PackageFault areaFault = PackageFault::kNone;
  PackageParseReport entriesReport;
  int32_t entriesStatus = kPackageOk;
  std::atomic<uint32_t> unused{0};
};

std::atomic<uint32_t>* Counter(Parse& parse, std::atomic<uint32_t> PackageProgress::*member) {
  return parse.options->progress != nullptr ? &(parse.options->progress->*member) : &parse.unused;
}

// The area's digest was compared, or could not be had: a damaged area is
// the fault reported, and the entries need not go on.
void EndArea(Parse& parse, PackageFault fault) {
  parse.areaFault = fault;
  parse.areaDigested = true;
  if (fault == PackageFault::kNone) return;
  parse.areaFailed = true;
  if (parse.pipeline != nullptr) parse.pipeline->ring.Stop();
}

// The area digest's next block, and at the area's end the comparison. Only
// the holder of the area's turn calls it.
void DigestAreaBlock(Parse& parse) {
  if (!parse.areaBlock) {
    parse.areaBlock = Block(kPackageReadBlockSize);
    if (!parse.areaBlock) return EndArea(parse, PackageFault::kNoMemory);
  }
  CCountingSource source(*parse.areaSource, Counter(parse, &PackageProgress::areaDone), nullptr);
  const uint32_t offset = parse.areaOffset + parse.areaDigestedBytes;
  const uint32_t n = std::min(kPackageReadBlockSize, parse.areaLength - parse.areaDigestedBytes);
  const uint8_t* bytes = source.Bytes(offset, n, parse.areaBlock.get());
  if (bytes == nullptr) return EndArea(parse, PackageFault::kReadFailed);
  Md5Update(&parse.areaMd5, bytes, n);
  parse.areaDigestedBytes += n;
  if (parse.areaDigestedBytes < parse.areaLength) return;
  uint8_t digest[kMd5DigestSize];
  Md5Final(&parse.areaMd5, digest);
  EndArea(parse, std::memcmp(digest, parse.areaDigest, kMd5DigestSize) == 0 ? PackageFault::kNone
                                                                           : PackageFault::kAreaDigestMismatch);
}

// The ring's idle work: a block of the area digest, unless it is done or
// the other thread is at it.
bool AreaPiece(void* argument) {
  Parse& parse = *static_cast<Parse*>(argument);
  if (parse.areaDigested) return false;
  std::unique_lock<std::mutex> turn(parse.areaTurn, std::try_to_lock);
  if (!turn.owns_lock()) return false;
  if (!parse.areaDigested) DigestAreaBlock(parse);
  return true;
}

// The rest of the area digest, waiting for the turn when the other thread
// is at a block.
void DigestWholeArea(Parse& parse) {
  std::lock_guard<std::mutex> turn(parse.areaTurn);
  while (!parse.areaDigested) DigestAreaBlock(parse);
}

void AreaJob(void* argument) { DigestWholeArea(*static_cast<Parse*>(argument)); }

int32_t FailEntry(PackageParseReport* report, PackageFault fault, const EntryAt& entry) {
  report->faultEntryName = entry.name;
  return Fail(report, fault, entry.view.index);
}

// The bytes of an entry to keep in memory: the named whole entry always, any
// other within the limit and what is left of the budget.
uint32_t KeepUpTo(const PackageUnpackOptions& options, const std::string& name, uint64_t kept) {
  if (options.keepWhole != nullptr && name == options.keepWhole) return UINT32_MAX;
  const uint32_t budgetLeft = kept < options.keepBudget ? uint32_t(options.keepBudget - kept) : 0;
  return std::min(options.keepLimit, budgetLeft);
}

// The checks after an entry's stream ended, in their order (size,
// allocation, digest), then the sink; kPackageOk to go on.
int32_t FinishEntry(Parse& parse, CEntryContent& content, EntryAt& entry, uint64_t& kept,
                    PackageParseReport* report) {
  if (content.Size() == 0) return FailEntry(report, PackageFault::kEntryEmpty, entry);
  if (!content.DigestMatches(entry.digest)) return FailEntry(report, PackageFault::kEntryDigestMismatch, entry);
  bool noMemory = false;
  std::unique_ptr<uint8_t[]> data = content.TakeContent(&noMemory);
  if (noMemory) return FailEntry(report, PackageFault::kNoMemory, entry);
  if (data) kept += content.Size();

  entry.view.name = reinterpret_cast<const uint8_t*>(entry.name.data());
  entry.view.contentDigest = entry.digest;
  const int32_t status = parse.sink->Accept(entry.view, std::move(data), content.Size());
  if (status != kPackageOk) {
    report->fault = status == kPackageNoMemory ? PackageFault::kNoMemory : PackageFault::kNone;
    report->faultEntry = entry.view.index;
  }
  return status;
}

// Every entry on the calling thread: inflated, digested and checked one
// after the other.
int32_t UnpackEntries(Parse& parse, PackageParseReport* report) {
  std::unique_ptr<uint8_t[]> input = Block(kPackageReadBlockSize);
  if (!input) return Fail(report, PackageFault::kNoMemory);
  const InflateBuffers buffers = {input.get(), kPackageReadBlockSize, parse.buffer, parse.bufferSize};
  // Once the area is known to be damaged, nothing more is read.
  CCountingSource source(*parse.entrySource, Counter(parse, &PackageProgress::entriesDone), &parse.areaFailed);
  uint64_t kept = 0;
  uint32_t at = parse.areaOffset;
  uint32_t left = parse.areaLength;
  EntryAt entry;
  CEntryContent content;
  for (uint32_t i = 0; i < parse.entryCount; ++i) {
    entry.view.index = i;
    const PackageFault taken = TakeEntry(source, at, left, &entry);
    if (taken != PackageFault::kNone) return Fail(report, taken, i);

    content.Begin(KeepUpTo(*parse.options, entry.name, kept));
    const InflateResult result =
        InflateEntry(source, entry.view.compressedOffset, entry.view.compressedSize, buffers, content);
    const PackageFault fault = FaultOf(result, content.StopFault());
    if (fault != PackageFault::kNone) return FailEntry(report, fault, entry);
    const int32_t status = FinishEntry(parse, content, entry, kept, report);
    if (status != kPackageOk) return status;
  }
  return kPackageOk;
}

void EntriesJob(Parse& parse) {
  try {
    parse.entriesStatus = UnpackEntries(parse, &parse.entriesReport);
  } catch (...) {
    // std::bad_alloc from a piece list or the sink; nothing else is thrown.
    parse.entriesStatus = Fail(&parse.entriesReport, PackageFault::kNoMemory, parse.entriesReport.faultEntry);
  }
}

// The inflater's output: each block is inflated straight into a slot of the
// ring and handed on.
class CRingOutput : public IInflateOutput {
 public:
  explicit CRingOutput(Pipeline& pipeline) : m_pipeline(pipeline) {}
  bool Room(uint8_t** room, uint32_t* size) override {
    if (!m_pipeline.ring.Claim(&m_slot)) return false;
    *room = m_pipeline.Block(m_slot);
    *size = m_pipeline.blockSize;
    return true;
  }
  bool Put(const uint8_t*, uint32_t n) override {
    if (n != 0) {
      m_pipeline.slots[m_slot].message = RingMessage::kContent;
      m_pipeline.slots[m_slot].size = n;
      m_pipeline.ring.Publish(false);
    }
    return !m_pipeline.ring.Stopped();
  }

 private:
  Pipeline& m_pipeline;
  uint32_t m_slot = 0;
};

// How the inflater's walk ended.
struct WalkEnd {
  bool stopped = false;  // the ring was stopped: nothing more is handed over
  PackageFault fault = PackageFault::kNone;
  uint32_t faultEntry = 0;
  bool faultNamed = false;
};

// Hands over one message but for its content; false once the ring stopped.
bool Send(Pipeline& pipeline, RingMessage message, const EntryAt* entry, const WalkEnd* end) {
  uint32_t slot = 0;
  if (!pipeline.ring.Claim(&slot)) return false;
  RingSlot& at = pipeline.slots[slot];
  at.message = message;
  if (entry != nullptr) {
    at.entry.view = entry->view;
    std::memcpy(at.entry.digest, entry->digest, kMd5DigestSize);
    at.entry.name = entry->name;
  }
  if (end != nullptr) {
    at.fault = end->fault;
    at.faultEntry = end->faultEntry;
    at.faultNamed = end->faultNamed;
  }
  pipeline.ring.Publish(message != RingMessage::kEntry);
  return true;
}

WalkEnd Stopped() {
  WalkEnd end;
  end.stopped = true;
  return end;
}

WalkEnd Fault(PackageFault fault, uint32_t entry, bool named) {
  WalkEnd end;
  end.fault = fault;
  end.faultEntry = entry;
  end.faultNamed = named;
  return end;
}

// The inflater's walk: every entry's head, its content block by block and
// its end, or the fault that stopped it, which the content digests report
// in its turn.
WalkEnd InflateEntries(Parse& parse) {
  Pipeline& pipeline = *parse.pipeline;
  std::unique_ptr<uint8_t[]> input = Block(kPackageReadBlockSize);
  if (!input) return Fault(PackageFault::kNoMemory, 0, false);
  const InflateBuffers buffers = {input.get(), kPackageReadBlockSize, nullptr, 0};
  CCountingSource source(*parse.entrySource, Counter(parse, &PackageProgress::entriesDone), &parse.areaFailed);
  CRingOutput output(pipeline);
  uint32_t at = parse.areaOffset;
  uint32_t left = parse.areaLength;
  EntryAt entry;
  for (uint32_t i = 0; i < parse.entryCount; ++i) {
    entry.view.index = i;
    const PackageFault taken = TakeEntry(source, at, left, &entry);
    if (taken != PackageFault::kNone) return Fault(taken, i, false);
    if (!Send(pipeline, RingMessage::kEntry, &entry, nullptr)) return Stopped();
    const InflateResult result =
        InflateEntry(source, entry.view.compressedOffset, entry.view.compressedSize, buffers, output);
    if (result == InflateResult::kStopped) return Stopped();
    if (result != InflateResult::kStreamEnd) return Fault(FaultOf(result, PackageFault::kNone), i, true);
    if (!Send(pipeline, RingMessage::kEntryEnd, nullptr, nullptr)) return Stopped();
  }
  return WalkEnd();
}

void InflaterJob(Parse& parse) {
  WalkEnd end;
  try {
    end = InflateEntries(parse);
  } catch (...) {
    // std::bad_alloc from a name, as on the calling thread alone.
    end = Fault(PackageFault::kNoMemory, 0, false);
  }
  if (end.stopped) return;
  Send(*parse.pipeline, end.fault == PackageFault::kNone ? RingMessage::kFinished : RingMessage::kFault, nullptr,
       &end);
}

// The content digests' side of the ring: the same checks as on the calling
// thread alone, in package order, so that the first fault the walk meets,
// here or in the inflater, is the one reported.
int32_t DigestEntries(Parse& parse, PackageParseReport* report) {
  Pipeline& pipeline = *parse.pipeline;
  CEntryContent content;
  EntryAt entry;
  uint64_t kept = 0;
  uint32_t slot = 0;
  // Stopped from outside: the area is damaged, and that is the fault reported.
  while (pipeline.ring.Take(&slot)) {
    RingSlot& at = pipeline.slots[slot];
    int32_t status = kPackageOk;
    bool last = false;
    switch (at.message) {
      case RingMessage::kEntry:
        entry.view = at.entry.view;
        std::memcpy(entry.digest, at.entry.digest, kMd5DigestSize);
        entry.name.swap(at.entry.name);
        content.Begin(KeepUpTo(*parse.options, entry.name, kept));
        break;
      case RingMessage::kContent:
        if (!content.Put(pipeline.Block(slot), at.size)) status = FailEntry(report, content.StopFault(), entry);
        break;
      case RingMessage::kEntryEnd:
        status = FinishEntry(parse, content, entry, kept, report);
        break;
      case RingMessage::kFault:
        status = at.faultNamed ? FailEntry(report, at.fault, entry) : Fail(report, at.fault, at.faultEntry);
        break;
      case RingMessage::kFinished:
        last = true;
        break;
    }
    pipeline.ring.Release();
    if (status != kPackageOk || last) return status;
  }
  return kPackageOk;
}

void DigestJob(void* argument) {
  Parse& parse = *static_cast<Parse*>(argument);
  try {
    parse.entriesStatus = DigestEntries(parse, &parse.entriesReport);
  } catch (...) {
    parse.entriesStatus = Fail(&parse.entriesReport, PackageFault::kNoMemory, parse.entriesReport.faultEntry);
  }
  // A fault here stops the inflater; at the end there is nothing left to stop.
  parse.pipeline->ring.Stop();
}

// A helper thread, joined however the parse ends.
class CJoinedThread {
 public:
  CJoinedThread() = default;
  CJoinedThread(const CJoinedThread&) = delete;
  CJoinedThread& operator=(const CJoinedThread&) = delete;
  ~CJoinedThread() { Join(); }
  // False when no thread could be had; the job has not run then.
  bool Start(void (*job)(void*), void* argument) noexcept {
    try {
      m_thread = std::thread(job, argument);
      return true;
    } catch (...) {
      return false;
    }
  }
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::thread m_thread;
};

std::unique_ptr<Pipeline> NewPipeline(uint32_t blockSize) {
  std::unique_ptr<Pipeline> pipeline(new (std::nothrow) Pipeline(blockSize));
  if (pipeline) pipeline->blocks = Block(kRingSlots * blockSize);
  if (pipeline && !pipeline->blocks) pipeline.reset();
  return pipeline;
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

  Md5Init(&parse.areaMd5);

  std::unique_ptr<Pipeline> pipeline;
  if (options.helperThreads >= 2) pipeline = NewPipeline(bufferSize);
  parse.pipeline = pipeline.get();
  if (pipeline) pipeline->ring.SetIdleWork(&AreaPiece, &parse);
  {
    CJoinedThread areaThread;
    CJoinedThread digestThread;
    if (pipeline && digestThread.Start(&DigestJob, &parse)) {
      // Two threads for three jobs: the area digest is taken up by whichever
      // of them would wait on the ring, and what is left of it once the
      // inflater is through, the calling thread finishes.
      InflaterJob(parse);
      DigestWholeArea(parse);
    } else {
      if (options.helperThreads == 0 || !areaThread.Start(&AreaJob, &parse)) {
        AreaJob(&parse);
        if (parse.areaFault != PackageFault::kNone) return Fail(report, parse.areaFault);
      }
      EntriesJob(parse);
    }
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
