// Opens the package of this very executable through Open(). The build
// appends a package to a copy of this program with setuppack; the copy runs
// the PackedCopy tests, the program as built runs the Bare tests.
// VELMORA_PACKAGE_DATA names the folder of the packed files.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/handles.h"
#include "package/package_file_store.h"
#include "package/package_format.h"

namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<uint8_t> bytes;
  if (!file) return bytes;
  bytes.resize(GetFileSize(file.get(), nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

std::vector<uint8_t> ContentOf(const CPackageFileStore& store, const std::string& name) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!store.Lookup(name, &data, &size)) return {};
  return std::vector<uint8_t>(data, data + size);
}

std::string DataFolder() {
  const char* folder = std::getenv("VELMORA_PACKAGE_DATA");
  return folder != nullptr ? folder : "";
}

const char* const kPackedNames[] = {"readme.txt", "license.rtf", "setuppack"};

TEST(OpenOwnExecutable, PackedCopyUnpacksEveryFileItCarries) {
  ASSERT_FALSE(DataFolder().empty()) << "VELMORA_PACKAGE_DATA is not set";
  CPackageFileStore store;
  ASSERT_EQ(0, store.Open());
  EXPECT_EQ(3u, store.EntryCount());
  for (const char* name : kPackedNames) {
    std::vector<uint8_t> expected = ReadWholeFile(DataFolder() + "\\" + name);
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(expected, ContentOf(store, name)) << name;
  }
}

TEST(OpenOwnExecutable, PackedCopyOpensASecondTimeWithEqualContents) {
  CPackageFileStore store;
  ASSERT_EQ(0, store.Open());
  std::vector<uint8_t> first = ContentOf(store, "setuppack");
  ASSERT_EQ(0, store.Open());
  EXPECT_EQ(3u, store.EntryCount());
  EXPECT_EQ(first, ContentOf(store, "setuppack"));
}

TEST(OpenOwnExecutable, PackedCopyLookupIsCaseSensitive) {
  CPackageFileStore store;
  ASSERT_EQ(0, store.Open());
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_TRUE(store.Lookup("license.rtf", &data, &size));
  EXPECT_FALSE(store.Lookup("License.rtf", &data, &size));
}

TEST(OpenOwnExecutable, BareExecutableHoldsOnlyTheSearchPatternAndIsDamaged) {
  // The program's own data holds the magic text (the reader's search
  // pattern) followed by a zero: the scan must reject it.
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, DWORD(MAX_PATH));
  const std::vector<uint8_t> image = ReadWholeFile(self);
  ASSERT_FALSE(image.empty());
  const std::string pattern(kPackageMagic, kPackageMagicSize);
  size_t patterns = 0;
  size_t patternsWithZero = 0;
  for (auto at = image.begin();
       (at = std::search(at, image.end(), pattern.begin(), pattern.end())) != image.end(); ++at) {
    ++patterns;
    if (at + pattern.size() < image.end() && *(at + pattern.size()) == 0) ++patternsWithZero;
  }
  ASSERT_GE(patterns, 1u) << "the scan has nothing to reject";
  EXPECT_GE(patternsWithZero, 1u);
  CPackageFileStore store;
  EXPECT_EQ(-2, store.Open());
  EXPECT_EQ(0u, store.EntryCount());
}

TEST(OpenOwnExecutable, LongPathCopyIsReadFailureNotTheFileItsCutPathNames) {
  std::vector<char> path(32768);
  const DWORD length = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
  ASSERT_GE(length, DWORD(MAX_PATH)) << "to be run from a path of 260 characters or more";
  // The first 259 characters name another setup, one without a package.
  const std::string cut(path.data(), MAX_PATH - 1);
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cut.c_str())) << "no decoy at " << cut;
  CPackageFileStore store;
  EXPECT_EQ(-1, store.Open());
  EXPECT_EQ(0u, store.EntryCount());
}

}  // namespace
