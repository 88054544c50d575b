#include "package/package_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <new>
#include <string>
#include <thread>
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
  CMemorySource source(image.data(), uint32_t(image.size()));
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
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
  ASSERT_EQ(kPackageOk, UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options,
                                          &report));
  EXPECT_EQ(kPackageReadBlockSize - 40, report.headerOffset);
  EXPECT_EQ((std::vector<bool>{true, true, true, false}), sink.kept);
  EXPECT_EQ(3 * kPackageReadBlockSize, sink.sizes[3]);
  EXPECT_EQ(report.areaLength, progress.areaDone.load());
  EXPECT_EQ(report.areaLength, progress.entriesDone.load());
}

// Two jobs at once: a damaged area is reported as such, whatever the
// entries job found meanwhile.
TEST(PackageReader, BesideTheEntriesTheAreaDigestStillDecides) {
  class Threads : public IJobPair {
   public:
    void RunBoth(void (*first)(void*), void* a, void (*second)(void*), void* b) override {
      std::thread thread(first, a);
      second(b);
      thread.join();
    }
  } threads;
  std::vector<PackageItem> items = SampleItems();
  items[2].contentDigest[0] ^= 1;
  std::vector<uint8_t> image = Package(items);
  image[offsetof(PackageHeader, areaDigest)] ^= 1;
  CMemorySource source(image.data(), uint32_t(image.size()));
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  NamesSink sink;
  PackageUnpackOptions options;
  options.jobs = &threads;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options,
                                               &report));
  EXPECT_EQ(PackageFault::kAreaDigestMismatch, report.fault);
  image[offsetof(PackageHeader, areaDigest)] ^= 1;
  EXPECT_EQ(kPackageDamaged, UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options,
                                               &report));
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
  std::vector<uint8_t> image = Package({item});
  CMemorySource source(image.data(), uint32_t(image.size()));
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  NamesSink sink;
  PackageUnpackOptions options;
  options.keepLimit = 0;
  PackageParseReport report;
  EXPECT_EQ(kPackageDamaged, UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options,
                                               &report));
  EXPECT_EQ(PackageFault::kEntryTooLarge, report.fault);
  EXPECT_EQ("huge.bin", report.faultEntryName);
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
