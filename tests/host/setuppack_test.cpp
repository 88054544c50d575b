// The package tool, run as a program in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/md5.h"
#include "package/package_format.h"
#include "package/package_writer.h"
#include "tests/host/package_samples.h"

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, size_t(n));
  return text;
}

// Runs setuppack with args in folder; stdout and stderr captured separately.
RunResult RunTool(const std::string& folder, const std::vector<std::string>& args) {
  std::string outPath = folder + "/.stdout", errPath = folder + "/.stderr";
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(127);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(VELMORA_SETUPPACK_PATH));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(VELMORA_SETUPPACK_PATH, argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  int out = open(outPath.c_str(), O_RDONLY), err = open(errPath.c_str(), O_RDONLY);
  result.out = ReadAll(out);
  result.err = ReadAll(err);
  close(out);
  close(err);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return result;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

std::string Hex(const std::vector<uint8_t>& content) {
  uint8_t digest[kMd5DigestSize];
  Md5Digest(content.data(), content.size(), digest);
  std::string hex;
  char pair[3];
  for (uint8_t b : digest) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    hex += pair;
  }
  return hex;
}

// A temporary folder with the three sample files and a fake setup.
class SetuppackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/setuppack-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    m_dir = pattern;
    for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) WriteFile(Path(name), SampleContent(name));
    WriteFile(Path("setup.exe"), FakeExecutable(1000));
  }
  void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

  std::string Path(const std::string& name) const { return m_dir + "/" + name; }
  RunResult Run(const std::vector<std::string>& args) const { return RunTool(m_dir, args); }
  RunResult BuildSample(const std::string& out, const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> args = {"build", "-o", out};
    args.insert(args.end(), extra.begin(), extra.end());
    for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) args.push_back(name);
    return Run(args);
  }

  // A refusal: exit 1, the message on stderr, no output file.
  void ExpectRefused(const RunResult& result, const std::string& message) const {
    EXPECT_EQ(1, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find(message)) << result.err;
    EXPECT_NE(std::string::npos, result.err.find("nothing written")) << result.err;
    EXPECT_EQ("", result.out);
    EXPECT_FALSE(Exists(Path("out.exe")));
  }

  std::string m_dir;
};

TEST_F(SetuppackTest, BuildAppendsThePackageToTheSetupPaddedTo512Bytes) {
  RunResult build = BuildSample("setup-packed.exe", {"--setup", "setup.exe"});
  ASSERT_EQ(0, build.exitCode) << build.err;
  std::vector<uint8_t> setup = ReadFile(Path("setup.exe"));
  std::vector<uint8_t> packed = ReadFile(Path("setup-packed.exe"));
  ASSERT_GT(packed.size(), 1024u + 88u);
  EXPECT_TRUE(std::equal(setup.begin(), setup.end(), packed.begin()));
  EXPECT_TRUE(std::all_of(packed.begin() + 1000, packed.begin() + 1024, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(0, std::memcmp(packed.data() + 1024, kPackageMagic, 31));
  EXPECT_EQ(packed.size() - 1024 - 88, ReadLe32(packed.data() + 1024 + 64));  // the package runs to the end

  RunResult verify = Run({"verify", "setup-packed.exe"});
  EXPECT_EQ(0, verify.exitCode) << verify.err;
  EXPECT_EQ("ok\n", verify.out);
}

TEST_F(SetuppackTest, SetupOfAWholeNumberOfSectorsIsNotPadded) {
  WriteFile(Path("setup.exe"), FakeExecutable(1536));
  ASSERT_EQ(0, BuildSample("out.exe", {"--setup", "setup.exe"}).exitCode);
  std::vector<uint8_t> packed = ReadFile(Path("out.exe"));
  EXPECT_EQ(0, std::memcmp(packed.data() + 1536, kPackageMagic, 31));
}

TEST_F(SetuppackTest, WithoutSetupTheOutputIsTheBarePackage) {
  ASSERT_EQ(0, BuildSample("package.bin", {"--key", "0x21"}).exitCode);
  std::vector<uint8_t> package = ReadFile(Path("package.bin"));
  ASSERT_GT(package.size(), 88u);
  EXPECT_EQ(0, std::memcmp(package.data(), kPackageMagic, 31));
  EXPECT_EQ(0x21, package[31]);
  EXPECT_EQ(3u, ReadLe32(package.data() + 68));
}

TEST_F(SetuppackTest, ListShowsEveryEntryInOrderWithSizesAndDigests) {
  ASSERT_EQ(0, BuildSample("out.exe", {"--setup", "setup.exe"}).exitCode);
  RunResult list = Run({"list", "out.exe"});
  ASSERT_EQ(0, list.exitCode) << list.err;
  EXPECT_NE(std::string::npos, list.out.find("package at offset 1024, key 0x5a, 3 entries"));
  size_t previous = 0;
  for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) {
    std::vector<uint8_t> content = SampleContent(name);
    PackageItem item = MakePackageItem(name, content);
    char line[200];
    std::snprintf(line, sizeof line, "%10zu  %10zu  %s  %s\n", content.size(), item.compressed.size(),
                  Hex(content).c_str(), name);
    size_t at = list.out.find(line);
    EXPECT_NE(std::string::npos, at) << line << " in\n" << list.out;
    EXPECT_GT(at, previous);
    previous = at;
  }
}

TEST_F(SetuppackTest, EveryStreamHasTheBestCompressionHeader) {
  ASSERT_EQ(0, BuildSample("package.bin").exitCode);
  std::vector<uint8_t> package = ReadFile(Path("package.bin"));
  size_t at = 88;
  for (int i = 0; i < 3; ++i) {
    uint32_t compressed = ReadLe32(package.data() + at);
    uint32_t nameLength = ReadLe32(package.data() + at + 4);
    size_t stream = at + 24 + nameLength;
    EXPECT_EQ(0x78, package[stream]);
    EXPECT_EQ(0xda, package[stream + 1]);
    at = stream + compressed;
  }
  EXPECT_EQ(package.size(), at);
}

TEST_F(SetuppackTest, SameInputsGiveByteIdenticalOutput) {
  ASSERT_EQ(0, BuildSample("first.exe", {"--setup", "setup.exe"}).exitCode);
  ASSERT_EQ(0, BuildSample("second.exe", {"--setup", "setup.exe"}).exitCode);
  EXPECT_EQ(ReadFile(Path("first.exe")), ReadFile(Path("second.exe")));
}

TEST_F(SetuppackTest, KeyZeroRepeatsTheMagicInTheCheckField) {
  ASSERT_EQ(0, BuildSample("package.bin", {"--key", "0"}).exitCode);
  std::vector<uint8_t> package = ReadFile(Path("package.bin"));
  EXPECT_EQ(0, std::memcmp(package.data() + 32, kPackageMagic, 31));
  EXPECT_EQ(0, package[63]);
  EXPECT_EQ(0, Run({"verify", "package.bin"}).exitCode);
}

TEST_F(SetuppackTest, EntryNamesAreTheBaseNames) {
  ASSERT_EQ(0, mkdir(Path("sub").c_str(), 0755));
  WriteFile(Path("sub/velctl.sys"), PseudoRandomBytes(500, 1));
  ASSERT_EQ(0, Run({"build", "-o", "package.bin", "sub/velctl.sys", Path("readme.txt")}).exitCode);
  RunResult list = Run({"list", "package.bin"});
  EXPECT_NE(std::string::npos, list.out.find("  velctl.sys\n"));
  EXPECT_NE(std::string::npos, list.out.find("  readme.txt\n"));
  EXPECT_EQ(std::string::npos, list.out.find("sub"));
}

TEST_F(SetuppackTest, RefusesTwoFilesWithOneName) {
  ASSERT_EQ(0, mkdir(Path("other").c_str(), 0755));
  WriteFile(Path("other/readme.txt"), Bytes("another readme"));
  ExpectRefused(Run({"build", "-o", "out.exe", "readme.txt", "other/readme.txt"}), "readme.txt");
}

TEST_F(SetuppackTest, RefusesAnEmptyFile) {
  WriteFile(Path("empty.txt"), {});
  ExpectRefused(Run({"build", "-o", "out.exe", "readme.txt", "empty.txt"}), "empty.txt: is empty");
}

TEST_F(SetuppackTest, RefusesAMissingOrUnreadableFile) {
  ExpectRefused(Run({"build", "-o", "out.exe", "readme.txt", "missing.txt"}), "missing.txt");
  ExpectRefused(Run({"build", "-o", "out.exe", "readme.txt", "."}), "cannot be an entry");
  if (geteuid() != 0) {  // root reads anything
    WriteFile(Path("secret.txt"), Bytes("secret"));
    chmod(Path("secret.txt").c_str(), 0);
    ExpectRefused(Run({"build", "-o", "out.exe", "secret.txt"}), "secret.txt");
  }
}

TEST_F(SetuppackTest, RefusesAFileOfFourGibibytes) {
  // A sparse file: measured, never read.
  int fd = open(Path("huge.bin").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, ftruncate(fd, off_t(0x100000000LL)));
  close(fd);
  ExpectRefused(Run({"build", "-o", "out.exe", "readme.txt", "huge.bin"}), "4 GiB");
}

TEST_F(SetuppackTest, RefusesANameThatCannotBeAWindowsFileName) {
  WriteFile(Path("a\\b.txt"), Bytes("x"));
  WriteFile(Path("con.txt"), Bytes("x"));
  ExpectRefused(Run({"build", "-o", "out.exe", "a\\b.txt"}), "folder part");
  ExpectRefused(Run({"build", "-o", "out.exe", "con.txt"}), "device name");
}

TEST_F(SetuppackTest, RefusesASetupThatAlreadyCarriesAPackage) {
  ASSERT_EQ(0, BuildSample("packed.exe", {"--setup", "setup.exe"}).exitCode);
  ExpectRefused(BuildSample("out.exe", {"--setup", "packed.exe"}), "already carries a package");
  ExpectRefused(BuildSample("out.exe", {"--setup", "missing.exe"}), "missing.exe");
}

// A setup with PE headers whose certificate table entry is set as a signing
// tool sets it: the signature's blob at the end of the file, its offset and
// size in the fifth data directory.
std::vector<uint8_t> PeExecutable(uint16_t magic, bool signed_) {
  std::vector<uint8_t> image = FakeExecutable(2048);
  const size_t pe = 0x80, optional = pe + 24;
  WriteLe32(image.data() + 0x3c, pe);
  std::memcpy(image.data() + pe, "PE\0\0", 4);
  image[optional] = uint8_t(magic);
  image[optional + 1] = uint8_t(magic >> 8);
  const size_t count = optional + (magic == 0x20b ? 108 : 92);
  WriteLe32(image.data() + count, 16);
  WriteLe32(image.data() + count + 4 + 4 * 8, signed_ ? 1536 : 0);
  WriteLe32(image.data() + count + 4 + 4 * 8 + 4, signed_ ? 512 : 0);
  return image;
}

TEST_F(SetuppackTest, RefusesASignedSetupAndPacksTheSameSetupUnsigned) {
  for (uint16_t magic : {uint16_t(0x10b), uint16_t(0x20b)}) {
    SCOPED_TRACE(magic);
    WriteFile(Path("signed.exe"), PeExecutable(magic, true));
    ExpectRefused(BuildSample("out.exe", {"--setup", "signed.exe"}), "signed.exe: already carries a signature");
    ExpectRefused(BuildSample("out.exe", {"--setup", "signed.exe"}), "sign the result");

    WriteFile(Path("unsigned.exe"), PeExecutable(magic, false));
    RunResult build = BuildSample("packed.exe", {"--setup", "unsigned.exe"});
    EXPECT_EQ(0, build.exitCode) << build.err;
    EXPECT_EQ("ok\n", Run({"verify", "packed.exe"}).out);
  }
}

TEST_F(SetuppackTest, RefusalLeavesAnExistingOutputUntouched) {
  WriteFile(Path("previous.exe"), Bytes("previous build"));
  WriteFile(Path("empty.txt"), {});
  RunResult result = Run({"build", "-o", "previous.exe", "readme.txt", "empty.txt"});
  EXPECT_EQ(1, result.exitCode);
  EXPECT_EQ(Bytes("previous build"), ReadFile(Path("previous.exe")));
}

TEST_F(SetuppackTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"pack"},
      {"build"},
      {"build", "readme.txt"},
      {"build", "-o", "out.exe"},
      {"build", "-o", "out.exe", "--key", "256", "readme.txt"},
      {"build", "-o", "out.exe", "--key", "-1", "readme.txt"},
      {"build", "-o", "out.exe", "--key", "abc", "readme.txt"},
      {"build", "-o", "out.exe", "--level", "9", "readme.txt"},
      {"build", "-o"},
      {"list"},
      {"list", "a", "b"},
      {"verify"},
      {"extract", "out.exe"},
      {"extract", "-d", "dir"},
  };
  for (const auto& args : misuses) {
    RunResult result = Run(args);
    std::string shown;
    for (const std::string& arg : args) shown += arg + " ";
    EXPECT_EQ(2, result.exitCode) << shown;
    EXPECT_FALSE(result.err.empty()) << shown;
    EXPECT_EQ("", result.out) << shown;
  }
  EXPECT_FALSE(Exists(Path("out.exe")));
}

TEST_F(SetuppackTest, HelpForTheToolAndEveryCommand) {
  RunResult tool = Run({"--help"});
  EXPECT_EQ(0, tool.exitCode);
  for (const char* command : {"build", "list", "verify", "extract"}) {
    EXPECT_NE(std::string::npos, tool.out.find(command));
    RunResult help = Run({command, "--help"});
    EXPECT_EQ(0, help.exitCode) << command;
    EXPECT_EQ(0u, help.out.find(std::string("Usage: setuppack ") + command)) << help.out;
    EXPECT_EQ("", help.err);
  }
}

TEST_F(SetuppackTest, VerifyReportsTheStatusOfADamagedPackage) {
  ASSERT_EQ(0, BuildSample("out.exe", {"--setup", "setup.exe"}).exitCode);
  std::vector<uint8_t> packed = ReadFile(Path("out.exe"));
  packed[1024 + 88 + 10] ^= 0x40;
  WriteFile(Path("damaged.exe"), packed);
  RunResult verify = Run({"verify", "damaged.exe"});
  EXPECT_EQ(1, verify.exitCode);
  EXPECT_EQ("", verify.out);
  EXPECT_NE(std::string::npos, verify.err.find("status -2: the package is damaged")) << verify.err;
  EXPECT_NE(std::string::npos, verify.err.find("MD5")) << verify.err;

  RunResult list = Run({"list", "damaged.exe"});
  EXPECT_EQ(1, list.exitCode);
  EXPECT_NE(std::string::npos, list.err.find("status -2")) << list.err;
}

TEST_F(SetuppackTest, VerifyNamesTheEntryThatFails) {
  std::vector<PackageItem> items = SampleItems();
  items[1].contentDigest[0] ^= 1;
  WriteFile(Path("bad.bin"), Package(items));
  RunResult verify = Run({"verify", "bad.bin"});
  EXPECT_EQ(1, verify.exitCode);
  EXPECT_NE(std::string::npos, verify.err.find("entry 2 of 3 \"readme.txt\"")) << verify.err;
}

TEST_F(SetuppackTest, VerifyOfAMissingFileIsStatusMinusOne) {
  RunResult verify = Run({"verify", "missing.exe"});
  EXPECT_EQ(1, verify.exitCode);
  EXPECT_NE(std::string::npos, verify.err.find("status -1")) << verify.err;
}

TEST_F(SetuppackTest, VerifyOfASetupWithoutPackageIsDamaged) {
  RunResult verify = Run({"verify", "setup.exe"});
  EXPECT_EQ(1, verify.exitCode);
  EXPECT_NE(std::string::npos, verify.err.find("status -2")) << verify.err;
  EXPECT_NE(std::string::npos, verify.err.find("no package header")) << verify.err;
}

TEST_F(SetuppackTest, ExtractWritesEveryEntryIntoTheFolder) {
  ASSERT_EQ(0, BuildSample("out.exe", {"--setup", "setup.exe"}).exitCode);
  RunResult extract = Run({"extract", "out.exe", "-d", "unpacked/here"});
  ASSERT_EQ(0, extract.exitCode) << extract.err;
  for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) {
    EXPECT_EQ(SampleContent(name), ReadFile(Path(std::string("unpacked/here/") + name))) << name;
  }
}

TEST_F(SetuppackTest, ExtractGivesTheLaterOfTwoEntriesWithOneName) {
  WriteFile(Path("dup.bin"), Package({MakePackageItem("readme.txt", Bytes("earlier")),
                                      MakePackageItem("readme.txt", Bytes("later"))}));
  ASSERT_EQ(0, Run({"extract", "dup.bin", "-d", "out"}).exitCode);
  EXPECT_EQ(Bytes("later"), ReadFile(Path("out/readme.txt")));
}

TEST_F(SetuppackTest, ExtractNeverWritesOutsideTheFolder) {
  ASSERT_EQ(0, mkdir(Path("out").c_str(), 0755));
  for (const char* evil : {"../escape.txt", "/tmp/setuppack-escape.txt", "sub/inner.txt", "..", "C:escape.txt",
                           "..\\escape.txt"}) {
    WriteFile(Path("evil.bin"), Package({MakePackageItem("readme.txt", Bytes("fine")),
                                         MakePackageItem(evil, Bytes("escaped"))}));
    RunResult extract = Run({"extract", "evil.bin", "-d", "out"});
    EXPECT_EQ(1, extract.exitCode) << evil;
    EXPECT_NE(std::string::npos, extract.err.find("nothing extracted")) << extract.err;
    EXPECT_FALSE(Exists(Path("escape.txt"))) << evil;
    EXPECT_FALSE(Exists("/tmp/setuppack-escape.txt")) << evil;
    EXPECT_FALSE(Exists(Path("out/readme.txt"))) << evil;  // nothing at all
    EXPECT_FALSE(Exists(Path("out/sub"))) << evil;
  }
}

TEST_F(SetuppackTest, ExtractReplacesALinkInTheFolderInsteadOfWritingThroughIt) {
  ASSERT_EQ(0, mkdir(Path("out").c_str(), 0755));
  WriteFile(Path("outside.txt"), Bytes("outside"));
  ASSERT_EQ(0, symlink("../outside.txt", Path("out/readme.txt").c_str()));
  ASSERT_EQ(0, BuildSample("package.bin").exitCode);
  ASSERT_EQ(0, Run({"extract", "package.bin", "-d", "out"}).exitCode);
  EXPECT_EQ(Bytes("outside"), ReadFile(Path("outside.txt")));
  struct stat info;
  ASSERT_EQ(0, lstat(Path("out/readme.txt").c_str(), &info));
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(SampleContent("readme.txt"), ReadFile(Path("out/readme.txt")));
}

TEST_F(SetuppackTest, ExtractOfADamagedPackageWritesNothing) {
  std::vector<PackageItem> items = SampleItems();
  items[2].contentDigest[0] ^= 1;
  WriteFile(Path("bad.bin"), Package(items));
  RunResult extract = Run({"extract", "bad.bin", "-d", "out"});
  EXPECT_EQ(1, extract.exitCode);
  EXPECT_NE(std::string::npos, extract.err.find("status -2"));
  EXPECT_FALSE(Exists(Path("out")));
}

}  // namespace
