#include "package/package_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "package/md5.h"
#include "package/package_writer.h"
#include "tests/host/package_samples.h"

namespace {

TEST(PackageFormat, HeaderStartsWithTheMagicTextAndTheKey) {
  std::vector<uint8_t> package = BuildPackage({}, 0x37);
  ASSERT_EQ(kPackageHeaderSize, package.size());
  EXPECT_EQ(0, std::memcmp(package.data(), "Marrowfield Co installer system", 31));
  EXPECT_EQ(0x37, package[31]);
}

TEST(PackageFormat, CheckFieldIsMagicAndKeyXorKeyEndingInZero) {
  for (int key : {0x00, 0x01, 0x5a, 0x80, 0xff}) {
    std::vector<uint8_t> package = BuildPackage({}, uint8_t(key));
    for (size_t i = 0; i < 31; ++i) EXPECT_EQ(uint8_t(package[i] ^ key), package[32 + i]) << "key " << key;
    EXPECT_EQ(0, package[63]) << "key " << key;
  }
}

TEST(PackageFormat, KeyZeroGivesTheMagicTextAgainAndAZero) {
  std::vector<uint8_t> package = BuildPackage({}, 0);
  EXPECT_EQ(0, std::memcmp(package.data() + 32, "Marrowfield Co installer system", 31));
  EXPECT_EQ(0, package[63]);
}

TEST(PackageFormat, EmptyPackageIsTheHeaderAloneWithTheDigestOfNothing) {
  std::vector<uint8_t> package = BuildPackage({}, 0x5a);
  ASSERT_EQ(88u, package.size());
  EXPECT_EQ(0u, ReadLe32(package.data() + 64));
  EXPECT_EQ(0u, ReadLe32(package.data() + 68));
  const uint8_t emptyDigest[16] = {0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                                   0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
  EXPECT_EQ(0, std::memcmp(package.data() + 72, emptyDigest, 16));
}

TEST(PackageFormat, EntriesFollowTheHeaderBackToBack) {
  std::vector<PackageItem> items = SampleItems();
  std::vector<uint8_t> package = BuildPackage(items, 0x5a);

  size_t at = kPackageHeaderSize;
  uint32_t areaLength = 0;
  for (const PackageItem& item : items) {
    ASSERT_LE(at + 24, package.size());
    EXPECT_EQ(item.compressed.size(), ReadLe32(package.data() + at));
    EXPECT_EQ(item.name.size(), ReadLe32(package.data() + at + 4));
    EXPECT_EQ(0, std::memcmp(package.data() + at + 8, item.contentDigest, 16));
    EXPECT_EQ(item.name, std::string(package.begin() + at + 24, package.begin() + at + 24 + item.name.size()));
    size_t entrySize = 24 + item.name.size() + item.compressed.size();
    areaLength += uint32_t(entrySize);
    at += entrySize;
  }
  EXPECT_EQ(package.size(), at);  // the last entry's stream ends the package
  EXPECT_EQ(areaLength, ReadLe32(package.data() + 64));
  EXPECT_EQ(items.size(), ReadLe32(package.data() + 68));
  uint8_t digest[16];
  Md5Digest(package.data() + 88, areaLength, digest);
  EXPECT_EQ(0, std::memcmp(package.data() + 72, digest, 16));
}

TEST(PackageFormat, ContentsAreZlibStreamsAtBestCompression) {
  PackageItem item = MakePackageItem("readme.txt", NumberedLines(10));
  ASSERT_GE(item.compressed.size(), 2u);
  EXPECT_EQ(0x78, item.compressed[0]);
  EXPECT_EQ(0xda, item.compressed[1]);
}

}  // namespace
