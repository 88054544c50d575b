// The demo product's package as the build makes it: the nine entries every
// setup carries, unchanged, then the drivers for 64-bit Windows, each pair
// built for its own processor as a native-subsystem kernel image.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/package_file_store.h"
#include "package/package_format.h"
#include "tests/support/test_files.h"

namespace {

// A build-tree path as the Windows side sees it (Wine's Z: drive is /).
std::string WindowsPath(std::string unixPath) {
  for (char& ch : unixPath) {
    if (ch == '/') ch = '\\';
  }
  return "Z:" + unixPath;
}

const std::string kPackage = WindowsPath(VELMORA_DEMO_PACKAGE);
const std::string kFilesFolder = WindowsPath(VELMORA_DEMO_DIR);

// The entry names in package order, read from the entry heads.
std::vector<std::string> EntryNames(const std::string& image) {
  std::vector<std::string> names;
  size_t at = kPackageHeaderSize;
  while (at + kPackageEntryHeadSize <= image.size()) {
    PackageEntryHead head;
    std::memcpy(&head, image.data() + at, sizeof head);
    names.push_back(image.substr(at + kPackageEntryHeadSize, head.nameLength));
    at += kPackageEntryHeadSize + head.nameLength + head.compressedSize;
  }
  return names;
}

struct KernelImage {
  WORD machine = 0;
  WORD subsystem = 0;
};

// The machine and subsystem of a PE image; zeros when it is none.
KernelImage ImageOf(const uint8_t* content, uint32_t size) {
  KernelImage image;
  IMAGE_DOS_HEADER dos;
  if (size < sizeof dos) return image;
  std::memcpy(&dos, content, sizeof dos);
  const size_t nt = static_cast<size_t>(dos.e_lfanew);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || nt + sizeof(IMAGE_NT_HEADERS64) > size) return image;
  DWORD signature = 0;
  std::memcpy(&signature, content + nt, sizeof signature);
  if (signature != IMAGE_NT_SIGNATURE) return image;
  std::memcpy(&image.machine, content + nt + offsetof(IMAGE_NT_HEADERS32, FileHeader.Machine), sizeof(WORD));
  // The subsystem lies at the same offset in the 32-bit and 64-bit headers.
  static_assert(offsetof(IMAGE_NT_HEADERS32, OptionalHeader.Subsystem) ==
                    offsetof(IMAGE_NT_HEADERS64, OptionalHeader.Subsystem),
                "subsystem offset");
  std::memcpy(&image.subsystem, content + nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.Subsystem), sizeof(WORD));
  return image;
}

class DemoPackage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(m_store.OpenPath(kPackage.c_str()), 0) << kPackage; }

  std::string Entry(const std::string& name) {
    const uint8_t* content = nullptr;
    uint32_t size = 0;
    if (!m_store.Lookup(name, &content, &size)) return std::string();
    return std::string(reinterpret_cast<const char*>(content), size);
  }
  KernelImage ImageOfEntry(const std::string& name) {
    const std::string content = Entry(name);
    return ImageOf(reinterpret_cast<const uint8_t*>(content.data()), static_cast<uint32_t>(content.size()));
  }

  CPackageFileStore m_store;
};

TEST_F(DemoPackage, HoldsTheNineEntriesOfEverySetupThenThe64BitDrivers) {
  EXPECT_EQ(EntryNames(ReadWholeFile(kPackage)),
            (std::vector<std::string>{"velctl.sys", "velmon.sys", "velmora.exe", "velmorastub32.exe", "uninstall.exe",
                                      "velmora.chm", "license.txt", "license.rtf", "readme.txt", "velctl64.sys",
                                      "velmon64.sys"}));
  EXPECT_EQ(m_store.EntryCount(), 11u);
}

TEST_F(DemoPackage, EveryEntryIsTheBuiltFileOfItsName) {
  for (const char* name : {"velctl.sys", "velmon.sys", "velmora.exe", "velmorastub32.exe", "uninstall.exe",
                           "velmora.chm", "license.txt", "license.rtf", "readme.txt", "velctl64.sys",
                           "velmon64.sys"}) {
    const std::string built = ReadWholeFile(kFilesFolder + "\\" + name);
    EXPECT_FALSE(built.empty()) << name;
    EXPECT_EQ(Entry(name), built) << name;
  }
}

TEST_F(DemoPackage, The32BitDriversAreX86KernelImages) {
  for (const char* name : {"velctl.sys", "velmon.sys"}) {
    const KernelImage image = ImageOfEntry(name);
    EXPECT_EQ(image.machine, IMAGE_FILE_MACHINE_I386) << name;
    EXPECT_EQ(image.subsystem, IMAGE_SUBSYSTEM_NATIVE) << name;
  }
}

TEST_F(DemoPackage, The64BitDriversAreX64KernelImages) {
  for (const char* name : {"velctl64.sys", "velmon64.sys"}) {
    const KernelImage image = ImageOfEntry(name);
    EXPECT_EQ(image.machine, IMAGE_FILE_MACHINE_AMD64) << name;
    EXPECT_EQ(image.subsystem, IMAGE_SUBSYSTEM_NATIVE) << name;
  }
}

}  // namespace
