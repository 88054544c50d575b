// Exhaustive damage to a small setup image: every bit of the entry area, every
// length of the file, every byte of the area rewritten with a valid area
// digest. Each image is copied to a buffer of exactly its length, so that
// under AddressSanitizer a read past the image would stop the test.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "package/package_file_store.h"
#include "package/package_format.h"
#include "tests/host/package_samples.h"

namespace {

const size_t kExeSize = 512;

std::vector<PackageItem> SmallItems() {
  return {MakePackageItem("license.rtf", Bytes("{\\rtf1 license}")),
          MakePackageItem("readme.txt", NumberedLines(3)),
          MakePackageItem("velctl.sys", PseudoRandomBytes(40, 11))};
}

// Parses a copy of the first length bytes held in a heap block of exactly
// that size.
int32_t ParseExactCopy(CPackageFileStore& store, const std::vector<uint8_t>& image, size_t length) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[length == 0 ? 1 : length]);
  std::copy(image.begin(), image.begin() + length, copy.get());
  return store.ParseImage(length == 0 ? nullptr : copy.get(), uint32_t(length));
}

TEST(PackageSweep, EveryFlippedBitOfTheAreaIsDamaged) {
  std::vector<uint8_t> image = Concatenate(FakeExecutable(kExeSize), Package(SmallItems()));
  const size_t areaStart = kExeSize + kPackageHeaderSize;
  CPackageFileStore store;
  ASSERT_EQ(0, ParseExactCopy(store, image, image.size()));
  size_t flips = 0;
  for (size_t at = areaStart; at < image.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      image[at] ^= uint8_t(1 << bit);
      ASSERT_EQ(-2, ParseExactCopy(store, image, image.size())) << "byte " << at << " bit " << bit;
      ASSERT_EQ(0u, store.EntryCount());
      image[at] ^= uint8_t(1 << bit);
      ++flips;
    }
  }
  EXPECT_GT(flips, 8u * 200);
}

TEST(PackageSweep, EveryFlippedBitOfTheHeaderButTheEntryCountIsDamaged) {
  // A smaller entry count is still a valid package of fewer entries.
  std::vector<uint8_t> image = Concatenate(FakeExecutable(kExeSize), Package(SmallItems()));
  CPackageFileStore store;
  for (size_t at = kExeSize; at < kExeSize + kPackageHeaderSize; ++at) {
    if (at >= kExeSize + 68 && at < kExeSize + 72) continue;
    for (int bit = 0; bit < 8; ++bit) {
      image[at] ^= uint8_t(1 << bit);
      ASSERT_EQ(-2, ParseExactCopy(store, image, image.size())) << "byte " << at << " bit " << bit;
      image[at] ^= uint8_t(1 << bit);
    }
  }
}

TEST(PackageSweep, CutAtEveryLengthNeverOpensAndNeverReadsOutside) {
  std::vector<uint8_t> setup = Concatenate(FakeExecutable(kExeSize), Package(SmallItems()));
  std::vector<uint8_t> image = Concatenate(setup, PseudoRandomBytes(300, 99));  // a signature after it
  CPackageFileStore store;
  for (size_t length = 0; length <= image.size(); ++length) {
    int32_t expected = length < setup.size() ? -2 : 0;
    ASSERT_EQ(expected, ParseExactCopy(store, image, length)) << "length " << length;
    ASSERT_EQ(expected == 0 ? 3u : 0u, store.EntryCount()) << "length " << length;
  }
}

TEST(PackageSweep, EveryAreaByteRewrittenUnderAValidDigestNeverReadsOutside) {
  // With the area digest fixed up, damage reaches the entry walk and inflate.
  const std::vector<uint8_t> original = Concatenate(FakeExecutable(kExeSize), Package(SmallItems()));
  const size_t areaStart = kExeSize + kPackageHeaderSize;
  CPackageFileStore store;
  std::vector<uint8_t> values = PseudoRandomBytes(original.size(), 0xdecade);
  for (size_t at = areaStart; at < original.size(); ++at) {
    for (uint8_t value : {uint8_t(0x00), uint8_t(0xff), uint8_t(original[at] + 1), values[at]}) {
      std::vector<uint8_t> image = original;
      image[at] = value;
      FixAreaDigest(image, kExeSize);
      int32_t status = ParseExactCopy(store, image, image.size());
      ASSERT_TRUE(status == 0 || status == -2) << "byte " << at << " status " << status;
      ASSERT_EQ(status == 0, store.EntryCount() > 0) << "byte " << at;
    }
  }
}

}  // namespace
