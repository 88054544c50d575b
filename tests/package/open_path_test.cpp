// Reading package files through the Win32 file calls.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "package/package_file_store.h"
#include "tests/host/package_samples.h"

namespace {

class OpenPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, folder));
    m_folder = std::string(folder) + "velmora-package-test";
    CreateDirectoryA(m_folder.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& path : m_written) DeleteFileA(path.c_str());
    RemoveDirectoryA(m_folder.c_str());
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = m_folder + "\\" + name;
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    EXPECT_TRUE(file.valid());
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    m_written.push_back(path);
    return path;
  }

  std::string SampleSetupFile() { return Write("setup.exe", Concatenate(FakeExecutable(4096), Package(SampleItems()))); }

  std::string m_folder;
  std::vector<std::string> m_written;
};

std::vector<uint8_t> ContentOf(const CPackageFileStore& store, const std::string& name) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!store.Lookup(name, &data, &size)) return {};
  return std::vector<uint8_t>(data, data + size);
}

TEST_F(OpenPathTest, ReadsTheWholeFileAndUnpacksIt) {
  CPackageFileStore store;
  EXPECT_EQ(0, store.OpenPath(SampleSetupFile().c_str()));
  EXPECT_EQ(3u, store.EntryCount());
  EXPECT_EQ(SampleContent("velmora.exe"), ContentOf(store, "velmora.exe"));
}

TEST_F(OpenPathTest, MissingFileIsReadFailureAndEmptiesTheIndex) {
  CPackageFileStore store;
  ASSERT_EQ(0, store.OpenPath(SampleSetupFile().c_str()));
  EXPECT_EQ(-1, store.OpenPath((m_folder + "\\missing.exe").c_str()));
  EXPECT_EQ(-1, store.Status());
  EXPECT_EQ(0u, store.EntryCount());
}

TEST_F(OpenPathTest, FolderIsReadFailure) {
  CPackageFileStore store;
  EXPECT_EQ(-1, store.OpenPath(m_folder.c_str()));
}

TEST_F(OpenPathTest, FileLockedWithoutSharingIsReadFailure) {
  std::string path = SampleSetupFile();
  unique_hfile lock(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock.valid());
  CPackageFileStore store;
  EXPECT_EQ(-1, store.OpenPath(path.c_str()));
}

TEST_F(OpenPathTest, FileOpenForWritingElsewhereIsStillRead) {
  std::string path = SampleSetupFile();
  unique_hfile writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer.valid());
  CPackageFileStore store;
  EXPECT_EQ(0, store.OpenPath(path.c_str()));
}

TEST_F(OpenPathTest, EmptyFileIsDamaged) {
  CPackageFileStore store;
  EXPECT_EQ(-2, store.OpenPath(Write("empty.exe", {}).c_str()));
}

TEST_F(OpenPathTest, DamagedFileAfterASuccessEmptiesTheIndex) {
  std::vector<uint8_t> image = Concatenate(FakeExecutable(4096), Package(SampleItems()));
  CPackageFileStore store;
  ASSERT_EQ(0, store.OpenPath(Write("good.exe", image).c_str()));
  image[4096 + 88 + 7] ^= 0x80;
  EXPECT_EQ(-2, store.OpenPath(Write("bad.exe", image).c_str()));
  EXPECT_EQ(0u, store.EntryCount());
}

TEST_F(OpenPathTest, BytesAfterThePackageAreReadAndIgnored) {
  std::vector<uint8_t> signed_ = Concatenate(Concatenate(FakeExecutable(4096), Package(SampleItems())),
                                             PseudoRandomBytes(5000, 77));
  CPackageFileStore store;
  EXPECT_EQ(0, store.OpenPath(Write("signed.exe", signed_).c_str()));
  EXPECT_EQ(3u, store.EntryCount());
}

TEST_F(OpenPathTest, AReadThatComesUpShortOfTheSizeIsReadFailureNotParsed) {
  // A Linux sysfs file (seen through Wine's Z: drive) claims a size of a
  // whole page but reads as a few bytes: the reads end before the size
  // said, and the rest of the buffer must not be taken for the file.
  const char* path = "Z:\\sys\\devices\\system\\cpu\\online";
  unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) GTEST_SKIP() << "no sysfs on this machine";
  std::vector<char> bytes(GetFileSize(file.get(), nullptr) + 1);
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr));
  ASSERT_LT(read, bytes.size() - 1) << "the file reads as long as it claims";
  file.reset();
  CPackageFileStore store;
  EXPECT_EQ(-1, store.OpenPath(path));
  EXPECT_EQ(-1, store.Status());
}

TEST_F(OpenPathTest, AFileOf4GiBOrMoreIsReadFailureNotItsFirstBytes) {
  // A sound setup followed by 4 GiB of nothing (a sparse file): the low 32
  // bits of its size are those of the setup alone.
  std::string path = SampleSetupFile();
  {
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    ASSERT_TRUE(file.valid());
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(file.get(), &size));
    LARGE_INTEGER end{};
    end.QuadPart = size.QuadPart + (LONGLONG(1) << 32);
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
  }
  CPackageFileStore store;
  EXPECT_EQ(-1, store.OpenPath(path.c_str()));
  EXPECT_EQ(0u, store.EntryCount());
}

}  // namespace
