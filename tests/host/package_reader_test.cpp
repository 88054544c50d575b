#include "package/package_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <new>
#include <thread>
#include <string>
#include <vector>

#include "package/package_file_store.h"
#include "package/package_format.h"
#include "tests/host/package_samples.h"

namespace {

class NamesSink : public CPackageEntrySink {
 public:
  int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]>, uint32_t size) override {
    names.emplace_back(reinterpret_cast<const char*>(entry.name), entry.nameLength);
    sizes.push_back(size);
    return kPackageOk;
  }
  std::vector<std::string> names;
  std::vector<uint32_t> sizes;
};

class ThrowingSink : public CPackageEntrySink {
 public:
  int32_t Accept(const PackageEntryView&, std::unique_ptr<uint8_t[]>, uint32_t) override { throw std::bad_alloc(); }
};

int32_t Unpack(const std::vector<uint8_t>& image, CPackageEntrySink& sink, PackageParseReport* report) {
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  return UnpackPackage(image.data(), uint32_t(image.size()), buffer.data(), uint32_t(buffer.size()), sink, report);
}

// The same through the store's buffer with the given options; the area and
// the entries read the image unless other sources are given.
int32_t UnpackOn(const PackageUnpackOptions& options, const std::vector<uint8_t>& image, CPackageEntrySink& sink,
                 PackageParseReport* report, IPackageSource* areaSource = nullptr,
                 IPackageSource* entrySource = nullptr) {
  CMemorySource source(image.data(), uint32_t(image.size()));
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  return UnpackPackageFrom(areaSource ? *areaSource : source, entrySource ? *entrySource : source, buffer.data(),
                           uint32_t(buffer.size()), sink, options, report);
}

PackageUnpackOptions WithThreads(uint32_t helperThreads, PackageProgress* progress = nullptr) {
  PackageUnpackOptions options;
  options.helperThreads = helperThreads;
  options.progress = progress;
  return options;
}

TEST(PackageReader, DeliversEntriesInPackageOrderWithTheirSizes) {
  std::vector<uint8_t> image = Concatenate(FakeExecutable(700), Package(SampleItems()));
  NamesSink sink;
  PackageParseReport report;
  ASSERT_EQ(kPackageOk, Unpack(image, sink, &report));
  EXPECT_EQ((std::vector<std::string>{"license.rtf", "readme.txt", "velmora.exe"}), sink.names);
  EXPECT_EQ(SampleContent("readme.txt").size(), sink.sizes[1]);
  EXPECT_TRUE(report.headerFound);
  EXPECT_EQ(700u, report.headerOffset);
  EXPECT_EQ(0x5a, report.key);
  EXPECT_EQ(3u, report.entryCount);
}

TEST(PackageReader, AllocationFailureInTheSinkIsMemoryExhaustedNotAnException) {
  ThrowingSink sink;
  PackageParseReport report;
  EXPECT_EQ(kPackageNoMemory, Unpack(Package(SampleItems()), sink, &report));
  EXPECT_EQ(PackageFault::kNoMemory, report.fault);
}

TEST(PackageReader, ReportNamesTheFailingEntry) {
  std::vector<PackageItem> items = SampleItems();
  items[1].contentDigest[3] ^= 1;
  std::vector<uint8_t> image = Package(items);
  NamesSink sink;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, Unpack(image, sink, &report));
  EXPECT_EQ(PackageFault::kEntryDigestMismatch, report.fault);
  EXPECT_EQ(1u, report.faultEntry);
  EXPECT_EQ("readme.txt", report.faultEntryName);
  EXPECT_EQ(1u, sink.names.size());  // the first entry was delivered before the failure
}

TEST(PackageReader, ReportTellsTheKindOfDamage) {
  NamesSink sink;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, Unpack(FakeExecutable(400), sink, &report));
  EXPECT_EQ(PackageFault::kNoHeader, report.fault);

  std::vector<uint8_t> image = Package(SampleItems());
  image[100] ^= 4;
  EXPECT_EQ(kPackageDamaged, Unpack(image, sink, &report));
  EXPECT_EQ(PackageFault::kAreaDigestMismatch, report.fault);

  std::vector<PackageItem> items = {MakePackageItem("empty", {})};
  EXPECT_EQ(kPackageDamaged, Unpack(Package(items), sink, &report));
  EXPECT_EQ(PackageFault::kEntryEmpty, report.fault);
}

// Reads in blocks: the header straddles the first block boundary, and the
// large entry is verified but not kept.
TEST(PackageReader, StreamsFromTheSourceAndKeepsOnlyContentsWithinTheLimit) {
  std::vector<PackageItem> items = SampleItems();
  items.push_back(MakePackageItem("large.bin", PseudoRandomBytes(3 * kPackageReadBlockSize, 7)));
  std::vector<uint8_t> image = Concatenate(FakeExecutable(kPackageReadBlockSize - 40), Package(items));
  class KeptSink : public NamesSink {
   public:
    int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) override {
      kept.push_back(content != nullptr);
      return NamesSink::Accept(entry, std::move(content), size);
    }
    std::vector<bool> kept;
  } sink;
  PackageUnpackOptions options;
  options.keepLimit = kPackageReadBlockSize;
  PackageProgress progress;
  options.progress = &progress;
  PackageParseReport report;
  ASSERT_EQ(kPackageOk, UnpackOn(options, image, sink, &report));
  EXPECT_EQ(kPackageReadBlockSize - 40, report.headerOffset);
  EXPECT_EQ((std::vector<bool>{true, true, true, false}), sink.kept);
  EXPECT_EQ(3 * kPackageReadBlockSize, sink.sizes[3]);
  EXPECT_EQ(report.areaLength, progress.areaDone.load());
  EXPECT_EQ(report.areaLength, progress.entriesDone.load());
}

// Two jobs at once: a damaged area is reported as such, whatever the
// entries job found meanwhile.
TEST(PackageReader, BesideTheEntriesTheAreaDigestStillDecides) {
  std::vector<PackageItem> items = SampleItems();
  items[2].contentDigest[0] ^= 1;
  std::vector<uint8_t> image = Package(items);
  image[offsetof(PackageHeader, areaDigest)] ^= 1;
  NamesSink sink;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, UnpackOn(WithThreads(2), image, sink, &report));
  EXPECT_EQ(PackageFault::kAreaDigestMismatch, report.fault);
  image[offsetof(PackageHeader, areaDigest)] ^= 1;
  EXPECT_EQ(kPackageDamaged, UnpackOn(WithThreads(2), image, sink, &report));
  EXPECT_EQ(PackageFault::kEntryDigestMismatch, report.fault);
}

// An entry of 4 GiB and one MiB of zeros, from a stream of a few MB: one
// deflated MiB repeated (the reader gives up before the stream's end).
TEST(PackageReader, AnEntryInflatingPast4GiBIsADamagedPackage) {
  std::vector<uint8_t> zeros(1u << 20), chunk(1u << 20), stream;
  z_stream deflater{};
  ASSERT_EQ(Z_OK, deflateInit(&deflater, 9));
  std::vector<uint8_t> block;
  for (int pass = 0; pass < 2; ++pass) {
    deflater.next_in = zeros.data();
    deflater.avail_in = uint32_t(zeros.size());
    deflater.next_out = chunk.data();
    deflater.avail_out = uint32_t(chunk.size());
    ASSERT_EQ(Z_OK, deflate(&deflater, Z_FULL_FLUSH));
    block.assign(chunk.data(), deflater.next_out);
    stream.insert(stream.end(), block.begin(), block.end());
  }
  deflateEnd(&deflater);
  for (int mib = 2; mib <= 4097; ++mib) stream.insert(stream.end(), block.begin(), block.end());
  PackageItem item;
  item.name = "huge.bin";
  item.compressed = stream;
  NamesSink sink;
  PackageUnpackOptions options;
  options.keepLimit = 0;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, UnpackOn(options, Package({item}), sink, &report));
  EXPECT_EQ(PackageFault::kEntryTooLarge, report.fault);
  EXPECT_EQ("huge.bin", report.faultEntryName);
}

// Whatever the threads, the same status, the same fault at the same entry
// and the same entries delivered before it: on the calling thread alone, with
// the area digest beside, and with the content digests fed through the ring.
TEST(PackageReader, EveryWayOfThreadingGivesTheSameStatusFaultAndEntries) {
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
    int32_t status;
    PackageFault fault;
    uint32_t faultEntry;
    size_t delivered;
  };
  auto withItems = [](void (*damage)(std::vector<PackageItem>&)) {
    std::vector<PackageItem> items = SampleItems();
    items.push_back(MakePackageItem("large.txt", NumberedLines(60000)));
    damage(items);
    return Package(items);
  };
  std::vector<Case> cases = {
      {"sound", withItems([](std::vector<PackageItem>&) {}), kPackageOk, PackageFault::kNone, 0, 4},
      {"digest of the second, stream of the third",
       withItems([](std::vector<PackageItem>& items) {
         items[1].contentDigest[0] ^= 1;
         items[2].compressed[40] ^= 0xff;
       }),
       kPackageDamaged, PackageFault::kEntryDigestMismatch, 1, 1},
      {"stream of the large one", withItems([](std::vector<PackageItem>& items) { items[3].compressed.resize(5000); }),
       kPackageDamaged, PackageFault::kEntryNotInflated, 3, 3},
      {"empty content", withItems([](std::vector<PackageItem>& items) { items[2] = MakePackageItem("e", {}); }),
       kPackageDamaged, PackageFault::kEntryEmpty, 2, 2},
  };
  std::vector<uint8_t> cut = withItems([](std::vector<PackageItem>&) {});
  PutLe32(cut, offsetof(PackageHeader, entryCount), 5);
  cases.push_back({"one entry more than the area holds", cut, kPackageDamaged, PackageFault::kEntryOutsideArea, 4, 4});
  std::vector<uint8_t> both = withItems([](std::vector<PackageItem>& items) { items[0].contentDigest[5] ^= 1; });
  both[offsetof(PackageHeader, areaDigest) + 2] ^= 1;
  cases.push_back({"area and entry", both, kPackageDamaged, PackageFault::kAreaDigestMismatch, 0, 0});

  for (const Case& c : cases) {
    for (uint32_t threads : {0u, 1u, 2u}) {
      SCOPED_TRACE(std::string(c.what) + ", helper threads " + std::to_string(threads));
      NamesSink sink;
      PackageParseReport report;
      EXPECT_EQ(c.status, UnpackOn(WithThreads(threads), c.image, sink, &report));
      EXPECT_EQ(c.fault, report.fault);
      EXPECT_EQ(c.faultEntry, report.faultEntry);
      EXPECT_EQ(c.delivered, sink.names.size());
    }
    ThrowingSink throwing;
    PackageParseReport report;
    if (c.status == kPackageOk) {
      EXPECT_EQ(kPackageNoMemory, UnpackOn(WithThreads(2), c.image, throwing, &report));
    }
  }
}

// A fault in one stage ends the others long before the end of the area: a
// wrong content digest stops the inflater, and a damaged area stops both.
TEST(PackageReader, AFaultInOneStageStopsTheOthersEarly) {
  std::vector<PackageItem> items = SampleItems();
  items.push_back(MakePackageItem("large.bin", PseudoRandomBytes(8u << 20, 3)));
  items[2].contentDigest[0] ^= 1;
  std::vector<uint8_t> image = Package(items);
  NamesSink sink;
  PackageParseReport report;
  PackageProgress progress;
  EXPECT_EQ(kPackageDamaged, UnpackOn(WithThreads(2, &progress), image, sink, &report));
  EXPECT_EQ(PackageFault::kEntryDigestMismatch, report.fault);
  EXPECT_LT(progress.entriesDone.load(), 1u << 20);

  // Once the header is found, the entries read only after the area digest
  // has read everything (or, should it never get there while the inflater
  // is held up, after 5 seconds).
  class LateSource : public CMemorySource {
   public:
    LateSource(const std::vector<uint8_t>& image, const PackageProgress& progress)
        : CMemorySource(image.data(), uint32_t(image.size())), m_progress(progress) {}
    bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) override {
      if (m_progress.areaLength != 0) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (m_progress.areaDone < m_progress.areaLength && std::chrono::steady_clock::now() < giveUp) {
          std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return CMemorySource::Read(offset, buffer, n);
    }

   private:
    const PackageProgress& m_progress;
  };
  items[2].contentDigest[0] ^= 1;
  image = Package(items);
  image[offsetof(PackageHeader, areaDigest)] ^= 1;
  PackageProgress late;
  CMemorySource areaSource(image.data(), uint32_t(image.size()));
  LateSource entrySource(image, late);
  EXPECT_EQ(kPackageDamaged, UnpackOn(WithThreads(2, &late), image, sink, &report, &areaSource, &entrySource));
  EXPECT_EQ(PackageFault::kAreaDigestMismatch, report.fault);
  EXPECT_LT(late.entriesDone.load(), 1u << 20);
}

TEST(PackageReader, FindsNoHeaderInImagesTooShortForTheCheckField) {
  std::vector<uint8_t> package = Package({});
  uint32_t offset = 1;
  EXPECT_TRUE(FindPackageHeader(package.data(), 64, &offset));
  EXPECT_EQ(0u, offset);
  EXPECT_FALSE(FindPackageHeader(package.data(), 63, &offset));
  EXPECT_FALSE(FindPackageHeader(nullptr, 0, &offset));
}

}  // namespace
