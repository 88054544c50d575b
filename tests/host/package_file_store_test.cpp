// The store's behaviour on whole file images. Portable: built natively and
// for Windows (run under Wine there).
#include "package/package_file_store.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/md5.h"
#include "package/package_format.h"
#include "tests/host/package_samples.h"

namespace {

const size_t kExeSize = 1536;

std::vector<uint8_t> SampleSetup() { return Concatenate(FakeExecutable(kExeSize), Package(SampleItems())); }

std::vector<uint8_t> ContentOf(const CPackageFileStore& store, const std::string& name) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!store.Lookup(name, &data, &size)) return {};
  return std::vector<uint8_t>(data, data + size);
}

int32_t Parse(CPackageFileStore& store, const std::vector<uint8_t>& image) {
  return store.ParseImage(image.data(), uint32_t(image.size()));
}

// An item whose stream is given as is, with the digest of content.
PackageItem RawItem(const std::string& name, std::vector<uint8_t> stream, const std::vector<uint8_t>& content) {
  PackageItem item;
  item.name = name;
  item.compressed = std::move(stream);
  Md5Digest(content.data(), content.size(), item.contentDigest);
  return item;
}

// A zlib stream made with the given deflate settings; a dictionary when given.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& content, int level, int windowBits,
                             const std::string& dictionary = "") {
  z_stream stream{};
  EXPECT_EQ(Z_OK, deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY));
  if (!dictionary.empty()) {
    deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()), uInt(dictionary.size()));
  }
  std::vector<uint8_t> out(deflateBound(&stream, uLong(content.size())) + 16);
  stream.next_in = const_cast<Bytef*>(content.data());
  stream.avail_in = uInt(content.size());
  stream.next_out = out.data();
  stream.avail_out = uInt(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

size_t AreaOffset() { return kExeSize + kPackageHeaderSize; }

TEST(PackageFileStore, StartsEmptyWithStatusZero) {
  CPackageFileStore store;
  EXPECT_EQ(0, store.Status());
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, UnpacksEveryEntryOfTheSetup) {
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, SampleSetup()));
  EXPECT_EQ(0, store.Status());
  EXPECT_EQ(3u, store.EntryCount());
  for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) {
    EXPECT_EQ(SampleContent(name), ContentOf(store, name)) << name;
  }
}

TEST(PackageFileStore, FirstValidHeaderAfterADecoyMagicIsUsed) {
  // The fake executable holds the magic followed by a zero, as the setup's
  // own search pattern does; the scan must pass it and find the package.
  std::vector<uint8_t> image = SampleSetup();
  ASSERT_EQ(0, std::memcmp(image.data() + kExeSize / 2, kPackageMagic, 31));
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, image));
  EXPECT_EQ(3u, store.EntryCount());
}

TEST(PackageFileStore, OfTwoValidHeadersTheFirstWins) {
  std::vector<uint8_t> first = Package({MakePackageItem("readme.txt", Bytes("first"))});
  std::vector<uint8_t> second = Package({MakePackageItem("readme.txt", Bytes("second"))});
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, Concatenate(Concatenate(FakeExecutable(kExeSize), first), second)));
  EXPECT_EQ(Bytes("first"), ContentOf(store, "readme.txt"));
}

TEST(PackageFileStore, MagicWithAWrongCheckFieldOnlyIsDamaged) {
  std::vector<uint8_t> image = SampleSetup();
  image[kExeSize + 40] ^= 0x01;  // one byte of the check field
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, NonZeroLastCheckFieldByteIsNoHeader) {
  std::vector<uint8_t> image = SampleSetup();
  image[kExeSize + 63] = 0x5a;
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
}

TEST(PackageFileStore, ExecutableWithoutPackageIsDamaged) {
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, FakeExecutable(kExeSize)));
  EXPECT_EQ(-2, store.ParseImage(nullptr, 0));
}

TEST(PackageFileStore, EmptyPackageOpensWithAnEmptyIndex) {
  std::vector<uint8_t> image = Concatenate(FakeExecutable(kExeSize), Package({}));
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, image));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, EntryInflatingToNothingIsDamagedEvenWithTheRightDigest) {
  std::vector<PackageItem> items = SampleItems();
  items.insert(items.begin() + 1, MakePackageItem("empty.txt", {}));  // digest of zero bytes
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, Concatenate(FakeExecutable(kExeSize), Package(items))));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, BytesAfterTheStreamWithinTheCompressedSizeAreIgnored) {
  std::vector<uint8_t> content = NumberedLines(50);
  PackageItem item = MakePackageItem("readme.txt", content);
  for (uint8_t junk : {0x00, 0xff, 0x78, 0xda}) item.compressed.push_back(junk);
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, Package({item})));
  EXPECT_EQ(content, ContentOf(store, "readme.txt"));
}

TEST(PackageFileStore, FlippedBitInTheAreaFailsTheAreaDigest) {
  std::vector<uint8_t> image = SampleSetup();
  image[AreaOffset() + 30] ^= 0x10;  // inside the first entry's name
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, FailureAtTheThirdEntryLeavesTheIndexEmpty) {
  std::vector<PackageItem> items = SampleItems();
  items[2].contentDigest[0] ^= 0xff;
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, Concatenate(FakeExecutable(kExeSize), Package(items))));
  EXPECT_EQ(0u, store.EntryCount());
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_FALSE(store.Lookup("license.rtf", &data, &size));
  EXPECT_FALSE(store.Lookup("readme.txt", &data, &size));
}

TEST(PackageFileStore, CorruptStreamAtTheThirdEntryLeavesTheIndexEmpty) {
  std::vector<PackageItem> items = SampleItems();
  items[2].compressed[items[2].compressed.size() / 2] ^= 0xff;
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, Package(items)));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, LookupIsCaseSensitive) {
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, SampleSetup()));
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_TRUE(store.Lookup("license.rtf", &data, &size));
  EXPECT_FALSE(store.Lookup("License.rtf", &data, &size));
  EXPECT_FALSE(store.Lookup("LICENSE.RTF", &data, &size));
}

TEST(PackageFileStore, FailedLookupLeavesTheOutputsUntouched) {
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, SampleSetup()));
  const uint8_t marker = 0;
  const uint8_t* data = &marker;
  uint32_t size = 1234;
  EXPECT_FALSE(store.Lookup("velmon.sys", &data, &size));
  EXPECT_EQ(&marker, data);
  EXPECT_EQ(1234u, size);
}

TEST(PackageFileStore, TheLaterOfTwoEntriesWithOneNameWins) {
  std::vector<PackageItem> items = {MakePackageItem("readme.txt", Bytes("earlier")),
                                    MakePackageItem("license.txt", Bytes("license")),
                                    MakePackageItem("readme.txt", Bytes("later"))};
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, Package(items)));
  EXPECT_EQ(2u, store.EntryCount());
  EXPECT_EQ(Bytes("later"), ContentOf(store, "readme.txt"));
}

TEST(PackageFileStore, SecondParseServesTheSameNamesWithEqualContents) {
  std::vector<uint8_t> image = SampleSetup();
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, image));
  std::vector<uint8_t> before = ContentOf(store, "velmora.exe");
  EXPECT_EQ(0, Parse(store, image));
  EXPECT_EQ(3u, store.EntryCount());
  EXPECT_EQ(before, ContentOf(store, "velmora.exe"));
  EXPECT_EQ(SampleContent("readme.txt"), ContentOf(store, "readme.txt"));
}

TEST(PackageFileStore, FailedSecondParseEmptiesTheIndex) {
  std::vector<uint8_t> image = SampleSetup();
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, image));
  image[AreaOffset() + 5] ^= 1;
  EXPECT_EQ(-2, Parse(store, image));
  EXPECT_EQ(-2, store.Status());
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, BytesAfterThePackageDoNotDisturbIt) {
  // An Authenticode signature is appended after the package.
  std::vector<uint8_t> image = Concatenate(SampleSetup(), PseudoRandomBytes(2048, 0x51604e));
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, image));
  EXPECT_EQ(SampleContent("velmora.exe"), ContentOf(store, "velmora.exe"));
}

TEST(PackageFileStore, ReleaseEmptiesTheIndexAndKeepsTheStatus) {
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, SampleSetup()));
  store.Release();
  EXPECT_EQ(0u, store.EntryCount());
  EXPECT_EQ(0, store.Status());
}

TEST(PackageFileStore, ContentsAcrossInflateBufferBoundariesAreExact) {
  // Sizes around the 16384-byte inflate buffer, in compressible and random data.
  std::vector<PackageItem> items;
  std::vector<std::vector<uint8_t>> contents;
  for (size_t size : {1u, 16383u, 16384u, 16385u, 32768u, 100000u}) {
    contents.push_back(PseudoRandomBytes(size, uint32_t(size)));
    items.push_back(MakePackageItem("random" + std::to_string(size), contents.back()));
    contents.push_back(std::vector<uint8_t>(size, 'v'));
    items.push_back(MakePackageItem("repeated" + std::to_string(size), contents.back()));
  }
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, Package(items)));
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(contents[i], ContentOf(store, items[i].name)) << items[i].name;
}

TEST(PackageFileStore, AnyValidZlibStreamIsAccepted) {
  std::vector<uint8_t> content = NumberedLines(200);
  std::vector<PackageItem> items = {RawItem("stored", Deflate(content, 0, 15), content),
                                    RawItem("fast", Deflate(content, 1, 15), content),
                                    RawItem("small-window", Deflate(content, 6, 9), content)};
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, Package(items)));
  for (const PackageItem& item : items) EXPECT_EQ(content, ContentOf(store, item.name)) << item.name;
}

TEST(PackageFileStore, StreamsThatAreNotPlainZlibAreDamaged) {
  std::vector<uint8_t> content = NumberedLines(20);
  const std::vector<uint8_t> raw = Deflate(content, 9, -15);
  const std::vector<uint8_t> gzip = Deflate(content, 9, 31);
  const std::vector<uint8_t> withDictionary = Deflate(content, 9, 15, "line of the Velmora readme");
  std::vector<uint8_t> truncated = Deflate(content, 9, 15);
  truncated.resize(truncated.size() - 6);
  for (const auto& stream : {raw, gzip, withDictionary, truncated, std::vector<uint8_t>{}}) {
    CPackageFileStore store;
    EXPECT_EQ(-2, Parse(store, Package({RawItem("readme.txt", stream, content)})));
    EXPECT_EQ(0u, store.EntryCount());
  }
}

TEST(PackageFileStore, EmptyNameIsAnEntryLikeAnyOther) {
  CPackageFileStore store;
  ASSERT_EQ(0, Parse(store, Package({MakePackageItem("", Bytes("nameless"))})));
  EXPECT_EQ(Bytes("nameless"), ContentOf(store, ""));
}

TEST(PackageFileStore, AreaReachingPastTheImageIsDamaged) {
  std::vector<uint8_t> image = SampleSetup();
  size_t header = kExeSize;
  PutLe32(image, header + 64, ReadLe32(image.data() + header + 64) + 1);
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
  PutLe32(image, header + 64, 0xffffffff);
  EXPECT_EQ(-2, Parse(store, image));
}

TEST(PackageFileStore, HeaderCutShortAfterItsCheckFieldIsDamaged) {
  std::vector<uint8_t> image = SampleSetup();
  image.resize(kExeSize + 70);  // check field complete, area length cut
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
}

TEST(PackageFileStore, MoreEntriesThanTheAreaHoldsIsDamaged) {
  std::vector<uint8_t> image = SampleSetup();
  PutLe32(image, kExeSize + 68, 4);
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));
  PutLe32(image, kExeSize + 68, 0xffffffff);
  EXPECT_EQ(-2, Parse(store, image));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, EntryRunningPastTheAreaIsDamagedEvenWithinTheImage) {
  // The last entry's compressed size claims the signature bytes after the
  // area; the area digest is right, so only the bounds check can catch it.
  std::vector<PackageItem> items = SampleItems();
  std::vector<uint8_t> image = Concatenate(Concatenate(FakeExecutable(kExeSize), Package(items)),
                                           PseudoRandomBytes(4096, 3));
  size_t lastEntry = AreaOffset() + 24 * 2 + items[0].name.size() + items[0].compressed.size() +
                     items[1].name.size() + items[1].compressed.size();
  PutLe32(image, lastEntry, uint32_t(items[2].compressed.size() + 100));
  FixAreaDigest(image, kExeSize);
  CPackageFileStore store;
  EXPECT_EQ(-2, Parse(store, image));

  PutLe32(image, lastEntry, uint32_t(items[2].compressed.size()));
  PutLe32(image, lastEntry + 4, 0xfffffff0);  // name length
  FixAreaDigest(image, kExeSize);
  EXPECT_EQ(-2, Parse(store, image));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(PackageFileStore, EntryCountGovernsAndTheRestOfTheAreaIsNotRead) {
  std::vector<uint8_t> image = SampleSetup();
  PutLe32(image, kExeSize + 68, 2);
  CPackageFileStore store;
  EXPECT_EQ(0, Parse(store, image));
  EXPECT_EQ(2u, store.EntryCount());
}

TEST(PackageFileStore, ImageOfEveryLengthBelowTheMagicIsDamaged) {
  std::vector<uint8_t> image = Package(SampleItems());
  CPackageFileStore store;
  for (size_t length = 0; length < 64; ++length) {
    std::vector<uint8_t> cut(image.begin(), image.begin() + length);
    EXPECT_EQ(-2, Parse(store, cut)) << length;
  }
}

}  // namespace
