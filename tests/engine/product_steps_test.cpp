// The product's own steps: program files from the package, and the Start
// Menu folder with its shortcuts and the optional icons.

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "base/product.h"
#include "tests/support/engine_harness.h"
#include "tests/support/shortcut_reader.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_package.h"

namespace {

const std::string kStubFile = std::string(product::kStubFilePrefix) + product::kStubFileSuffix;

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? std::string(path) : std::string();
}

// Removes a file or folder when the test ends, whatever it left there.
class ScopedRemoval {
 public:
  explicit ScopedRemoval(std::string path) : m_path(std::move(path)) { RemoveTree(m_path); }
  ~ScopedRemoval() { RemoveTree(m_path); }

 private:
  std::string m_path;
};

// Program files

class ProgramFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, m_harness.m_constructionFailure);
    ASSERT_TRUE(CreateDirectoryA(Dest().c_str(), nullptr));
  }
  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  std::string Dest() const { return m_harness.m_owner.m_destFolder; }

  EngineHarness m_harness;
};

TEST_F(ProgramFilesTest, EveryProgramFileIsInstalledInOrderAndRecorded) {
  ASSERT_EQ(CPackageFileStore::kOk, FillStore(Engine().Store(), ProductPackageFiles()));

  Engine().InstallProgramFiles();

  const std::vector<std::string> expectedOrder = {product::kProgramFile, kStubFile,
                                                  product::kLicenseTextFile, product::kReadmeFile,
                                                  product::kUninstallerFile, product::kHelpFile};
  std::vector<std::string> expectedLines;
  for (const std::string& name : expectedOrder) {
    expectedLines.push_back("Install File: " + Dest() + "\\" + name);
    EXPECT_EQ("content of " + name + "\r\n", ReadWholeFile(Dest() + "\\" + name)) << name;
    EXPECT_EQ(KindFile, Engine().m_created.at(Dest() + "\\" + name)) << name;
  }
  EXPECT_EQ(expectedLines, m_harness.LogLines());
  // The license text for the license page and the drivers stay out of the folder.
  EXPECT_EQ(6u, FolderEntries(Dest()).size());
  EXPECT_FALSE(FileExists(Dest() + "\\" + product::kLicenseRtfFile));
}

struct MissingFile {
  const char* name;
  uint16_t code;
  size_t installedBefore;
};

class MissingProgramFile : public ProgramFilesTest, public ::testing::WithParamInterface<MissingFile> {};

TEST_P(MissingProgramFile, StopsWithItsCodeAfterTheFilesBeforeIt) {
  const MissingFile& missing = GetParam();
  const std::string name = missing.name[0] != '\0' ? missing.name : kStubFile;
  ASSERT_EQ(CPackageFileStore::kOk, FillStore(Engine().Store(), ProductPackageFilesWithout(name)));

  auto failure = CatchEngineFailure([&] { Engine().InstallProgramFiles(); });

  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(missing.code, failure->m_code);
  EXPECT_EQ(1, failure->m_module);
  EXPECT_EQ(missing.installedBefore, Engine().m_created.size());
  EXPECT_EQ(missing.installedBefore, m_harness.LogLines().size());
  EXPECT_EQ(missing.installedBefore, FolderEntries(Dest()).size());
}

INSTANTIATE_TEST_SUITE_P(EachEntry, MissingProgramFile,
                         ::testing::Values(MissingFile{product::kProgramFile, 132, 0},
                                           MissingFile{"", 144, 1},  // the stub, named at run time
                                           MissingFile{product::kLicenseTextFile, 149, 2},
                                           MissingFile{product::kReadmeFile, 154, 3},
                                           MissingFile{product::kUninstallerFile, 159, 4},
                                           MissingFile{product::kHelpFile, 164, 5}),
                         [](const ::testing::TestParamInfo<MissingFile>& info) {
                           return "Code" + std::to_string(info.param.code);
                         });

// Start Menu items

class StartMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, m_harness.m_constructionFailure);
    ASSERT_FALSE(m_programs.empty());
    m_harness.m_owner.m_startMenuFolder = m_menuName;
    ASSERT_TRUE(CreateDirectoryA(Dest().c_str(), nullptr));
  }
  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  std::string Dest() const { return m_harness.m_owner.m_destFolder; }
  std::string Menu() const { return m_programs + "\\" + m_menuName; }
  std::string MenuItem(const std::string& name) const { return Menu() + "\\" + name; }

  EngineHarness m_harness;
  const std::string m_programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
  const std::string m_menuName = "Velmora Test " + std::to_string(GetCurrentProcessId());
  ScopedRemoval m_menuRemoval{Menu()};
};

TEST_F(StartMenuTest, FolderWithFourShortcutsAndTheWebShortcut) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().CreateStartMenuItems();

  struct Expected {
    const char* link;
    const char* target;
  };
  const Expected links[] = {{"Velmora", product::kProgramFile},
                            {"Velmora Help", product::kHelpFile},
                            {"Velmora License", product::kLicenseTextFile},
                            {"Velmora Uninstall Wizard", product::kUninstallerFile}};
  for (const Expected& expected : links) {
    const std::string path = MenuItem(std::string(expected.link) + ".lnk");
    const ShortcutInfo link = ReadShortcut(path);
    ASSERT_TRUE(link.loaded) << path;
    EXPECT_EQ(Dest() + "\\" + expected.target, link.path);
    EXPECT_EQ(expected.link, link.description);
    EXPECT_EQ(Dest(), link.workingDirectory);
    EXPECT_EQ(Dest() + "\\" + expected.target, link.iconLocation);
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_EQ(KindFile, Engine().m_created.at(path));
  }
  EXPECT_EQ(std::string("[InternetShortcut]\r\nURL=") + product::kWebPageUrl,
            ReadWholeFile(MenuItem("Velmora on Web.url")));
  EXPECT_EQ(KindDirectory, Engine().m_created.at(Menu()));
  EXPECT_EQ(6u, Engine().m_created.size());
  EXPECT_EQ(5u, FolderEntries(Menu()).size());

  const std::vector<std::string> expectedLines = {
      "CreateDirectory: " + Menu(),
      "CreateShortcuts: " + MenuItem("Velmora.lnk"),
      "CreateShortcuts: " + MenuItem("Velmora Help.lnk"),
      "CreateShortcuts: " + MenuItem("Velmora License.lnk"),
      "CreateShortcuts: " + MenuItem("Velmora Uninstall Wizard.lnk"),
      "Install File: " + MenuItem("Velmora on Web.url"),
  };
  EXPECT_EQ(expectedLines, m_harness.LogLines());
  // Neither icon was chosen: only the Programs folder was asked for.
  EXPECT_EQ(1, calls.Count("SHGetSpecialFolderPathA"));
}

TEST_F(StartMenuTest, ExistingFolderIsNotRecordedButItsShortcutsAre) {
  ASSERT_TRUE(CreateDirectoryA(Menu().c_str(), nullptr));
  Engine().CreateStartMenuItems();
  EXPECT_EQ(0u, Engine().m_created.count(Menu()));
  EXPECT_EQ(5u, Engine().m_created.size());
}

TEST_F(StartMenuTest, NestedFolderIsCreatedWithItsMissingParent) {
  m_harness.m_owner.m_startMenuFolder = m_menuName + "\\Tools";
  Engine().CreateStartMenuItems();
  EXPECT_EQ(KindDirectory, Engine().m_created.at(Menu()));
  EXPECT_EQ(KindDirectory, Engine().m_created.at(Menu() + "\\Tools"));
  EXPECT_TRUE(FileExists(Menu() + "\\Tools\\Velmora.lnk"));
}

TEST_F(StartMenuTest, NestedFolderBelowAFileFailsWith684) {
  ASSERT_TRUE(WriteWholeFile(Menu(), "not a folder"));
  m_harness.m_owner.m_startMenuFolder = m_menuName + "\\Tools";
  auto failure = CatchEngineFailure([&] { Engine().CreateStartMenuItems(); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(684, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), failure->m_arg0);
  EXPECT_TRUE(Engine().m_created.empty());
}

TEST_F(StartMenuTest, DesktopIconGoesToTheAllUsersDesktop) {
  const std::string desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk";
  ScopedRemoval desktopRemoval(desktopLink);
  m_harness.m_owner.m_desktopIcon = 1;

  Engine().CreateStartMenuItems();

  const ShortcutInfo link = ReadShortcut(desktopLink);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(Dest() + "\\" + product::kProgramFile, link.path);
  EXPECT_EQ(KindFile, Engine().m_created.at(desktopLink));
  EXPECT_EQ("CreateShortcuts: " + desktopLink, m_harness.LogLines().back());
}

TEST_F(StartMenuTest, QuickLaunchIconWithoutAQuickLaunchFolderIsSkippedSilently) {
  const std::string quickLaunch = ShellFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
  ASSERT_FALSE(DirectoryExists(quickLaunch));
  m_harness.m_owner.m_quickLaunchIcon = 1;

  Engine().CreateStartMenuItems();

  EXPECT_FALSE(DirectoryExists(quickLaunch));
  EXPECT_EQ(6u, Engine().m_created.size());
  EXPECT_EQ(6u, m_harness.LogLines().size());
}

TEST_F(StartMenuTest, QuickLaunchIconGoesToAnExistingQuickLaunchFolder) {
  const std::string ieFolder = ShellFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer";
  const std::string quickLaunch = ieFolder + "\\Quick Launch";
  ASSERT_FALSE(DirectoryExists(ieFolder));
  ScopedRemoval quickLaunchRemoval(ieFolder);
  ASSERT_TRUE(CreateDirectoryA(ieFolder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(quickLaunch.c_str(), nullptr));
  m_harness.m_owner.m_quickLaunchIcon = 1;

  Engine().CreateStartMenuItems();

  const ShortcutInfo link = ReadShortcut(quickLaunch + "\\Velmora.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(Dest() + "\\" + product::kProgramFile, link.path);
  EXPECT_EQ(KindFile, Engine().m_created.at(quickLaunch + "\\Velmora.lnk"));
}

struct FolderFailure {
  int occurrence;  // which SHGetSpecialFolderPathA call fails
  uint16_t code;
  size_t recordedBefore;
};

class StartMenuFolderFailure : public StartMenuTest, public ::testing::WithParamInterface<FolderFailure> {};

TEST_P(StartMenuFolderFailure, ThrowsItsCodeAndKeepsWhatWasMade) {
  const FolderFailure& step = GetParam();
  const std::string desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk";
  ScopedRemoval desktopRemoval(desktopLink);
  m_harness.m_owner.m_desktopIcon = 1;
  m_harness.m_owner.m_quickLaunchIcon = 1;
  FaultyCalls calls;
  calls.FailCall("SHGetSpecialFolderPathA", ERROR_FILE_NOT_FOUND, step.occurrence);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().CreateStartMenuItems(); });

  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(step.code, failure->m_code);
  EXPECT_EQ(1, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND), failure->m_arg0);
  EXPECT_EQ(step.recordedBefore, Engine().m_created.size());
  // One line for each item made before the failure, none for the folder lookups.
  EXPECT_EQ(step.recordedBefore, m_harness.LogLines().size());
}

INSTANTIATE_TEST_SUITE_P(EachFolder, StartMenuFolderFailure,
                         ::testing::Values(FolderFailure{1, 235, 0},   // all users' Programs
                                           FolderFailure{2, 272, 6},   // all users' desktop
                                           FolderFailure{3, 284, 7}),  // application data
                         [](const ::testing::TestParamInfo<FolderFailure>& info) {
                           return "Code" + std::to_string(info.param.code);
                         });

// A shell that fills the whole buffer without a terminating zero.
class OverlongFolderCalls : public FaultyCalls {
 public:
  BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int, BOOL) override {
    std::memset(path, 'x', MAX_PATH);
    return TRUE;
  }
};

TEST_F(StartMenuTest, FolderThatFillsTheWholeBufferIsAFailureNotAPath) {
  OverlongFolderCalls calls;
  ScopedSystemCalls seam(calls);
  auto failure = CatchEngineFailure([&] { Engine().CreateStartMenuItems(); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(235, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER), failure->m_arg0);
  EXPECT_EQ(0, calls.MutatingCount());
  EXPECT_TRUE(m_harness.LogLines().empty());
}

}  // namespace
