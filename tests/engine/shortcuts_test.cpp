// Directories, shell-link shortcuts and internet shortcuts.

#include <gtest/gtest.h>

#include "base/product.h"
#include "tests/support/engine_harness.h"
#include "tests/support/shortcut_reader.h"
#include "tests/support/system_call_faults.h"

namespace {

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, m_harness.m_constructionFailure);
    m_programs = m_harness.m_folder.File("Program");
    m_links = m_harness.m_folder.File("Links");
    ASSERT_TRUE(CreateDirectoryA(m_programs.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(m_links.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(m_programs + "\\velmora.exe", "MZ"));
  }

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  std::vector<std::string> LogLines() const { return m_harness.LogLines(); }
  std::string LinkPath(const std::string& name) const { return m_links + "\\" + name + ".lnk"; }
  void MakeShortcut(const char* name = "Velmora", const char* arguments = nullptr) {
    Engine().CreateShortcut("velmora.exe", m_programs, m_links, name, arguments);
  }

  EngineHarness m_harness;
  std::string m_programs;  // the target folder
  std::string m_links;     // the shortcut folder
};

// Directories

TEST_F(ShortcutTest, NewDirectoryIsCreatedAndRecorded) {
  const std::string path = m_harness.m_folder.File("Velmora");
  Engine().CreateDir(path);
  EXPECT_TRUE(DirectoryExists(path));
  EXPECT_EQ(KindDirectory, Engine().m_created.at(path));
  EXPECT_EQ(std::vector<std::string>{"CreateDirectory: " + path}, LogLines());
}

TEST_F(ShortcutTest, ExistingDirectoryIsUsedWithoutRecord) {
  Engine().CreateDir(m_programs);
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(FileExists(m_programs + "\\velmora.exe"));
  EXPECT_EQ(std::vector<std::string>{"CreateDirectory: " + m_programs}, LogLines());
}

TEST_F(ShortcutTest, MissingParentsAreCreatedOutermostFirstAndRecordedExistingOnesAreNot) {
  const std::string outer = m_harness.m_folder.File("Apps");
  const std::string path = outer + "\\Brenthaven\\Velmora";
  Engine().CreateDirWithParents(path);
  EXPECT_TRUE(DirectoryExists(path));
  EXPECT_EQ((std::vector<std::string>{"CreateDirectory: " + outer, "CreateDirectory: " + outer + "\\Brenthaven",
                                      "CreateDirectory: " + path}),
            LogLines());
  EXPECT_EQ(3u, Engine().m_created.size());
  EXPECT_EQ(KindDirectory, Engine().m_created.at(outer));
}

TEST_F(ShortcutTest, AParentThatIsAFileFailsWith684PathNotFound) {
  auto failure = CatchEngineFailure([&] { Engine().CreateDirWithParents(m_programs + "\\velmora.exe\\Velmora"); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(684, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), failure->m_arg0);
  EXPECT_TRUE(Engine().m_created.empty());
}

TEST_F(ShortcutTest, DirectoryWithAMissingParentFailsWith684) {
  const std::string path = m_harness.m_folder.File("Missing\\Velmora");
  auto failure = CatchEngineFailure([&] { Engine().CreateDir(path); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(684, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), failure->m_arg0);
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(std::vector<std::string>{"CreateDirectory: " + path}, LogLines());
}

TEST_F(ShortcutTest, DirectoryNamedLikeAnExistingFileIsUsedWithoutRecord) {
  // CreateDirectoryA reports ERROR_ALREADY_EXISTS for a file of that name too.
  Engine().CreateDir(m_programs + "\\velmora.exe");
  EXPECT_TRUE(Engine().m_created.empty());
}

// Shell links

TEST_F(ShortcutTest, ShortcutReadsBackWithPathDescriptionFolderAndIcon) {
  MakeShortcut();

  const ShortcutInfo link = ReadShortcut(LinkPath("Velmora"));
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(m_programs + "\\velmora.exe", link.path);
  EXPECT_EQ("Velmora", link.description);
  EXPECT_EQ(m_programs, link.workingDirectory);
  EXPECT_EQ(m_programs + "\\velmora.exe", link.iconLocation);
  EXPECT_EQ(0, link.iconIndex);
  EXPECT_EQ("", link.arguments);
  EXPECT_EQ(KindFile, Engine().m_created.at(LinkPath("Velmora")));
  EXPECT_EQ(1u, Engine().m_created.size());
  EXPECT_EQ(std::vector<std::string>{"CreateShortcuts: " + LinkPath("Velmora")}, LogLines());
}

TEST_F(ShortcutTest, ArgumentsAreStoredWhenGiven) {
  MakeShortcut("Velmora Open", "-open");
  EXPECT_EQ("-open", ReadShortcut(LinkPath("Velmora Open")).arguments);
}

TEST_F(ShortcutTest, RefusedArgumentsAreIgnored) {
  FaultyCalls calls;
  calls.FailCall("IShellLinkA::SetArguments", ERROR_INVALID_PARAMETER);
  ScopedSystemCalls seam(calls);
  MakeShortcut("Velmora", "-open");
  EXPECT_EQ(1, calls.Count("IShellLinkA::SetArguments"));
  EXPECT_TRUE(ReadShortcut(LinkPath("Velmora")).loaded);
  EXPECT_EQ(1u, Engine().m_created.size());
}

TEST_F(ShortcutTest, NoNameMeansNoDescription) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  Engine().CreateShortcut("velmora.exe", m_programs, m_links, nullptr, nullptr);
  EXPECT_EQ(0, calls.Count("IShellLinkA::SetDescription"));
  EXPECT_EQ(0, calls.Count("IShellLinkA::SetArguments"));
  EXPECT_TRUE(ReadShortcut(m_links + "\\.lnk").loaded);
}

TEST_F(ShortcutTest, ExistingShortcutIsBackedUpAndReplacedNotRecorded) {
  ASSERT_TRUE(WriteWholeFile(LinkPath("Velmora"), "earlier shortcut"));
  MakeShortcut();

  const ShortcutInfo link = ReadShortcut(LinkPath("Velmora"));
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(m_programs + "\\velmora.exe", link.path);
  EXPECT_EQ(0u, Engine().m_created.count(LinkPath("Velmora")));
  ASSERT_EQ(1u, Engine().m_backups.count(LinkPath("Velmora")));
  EXPECT_EQ("earlier shortcut", ReadWholeFile(Engine().m_backups.at(LinkPath("Velmora"))));
}

TEST_F(ShortcutTest, RollbackPutsAnEarlierShortcutBack) {
  ASSERT_TRUE(WriteWholeFile(LinkPath("Velmora"), "earlier shortcut"));
  MakeShortcut();
  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();

  EXPECT_EQ("earlier shortcut", ReadWholeFile(LinkPath("Velmora")));
  EXPECT_EQ(1u, FolderEntries(m_links).size());
}

TEST_F(ShortcutTest, ComIsInitializedAndReleasedOncePerShortcut) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  MakeShortcut("One");
  MakeShortcut("Two");
  EXPECT_EQ(2, calls.Count("CoInitialize"));
  EXPECT_EQ(2, calls.Count("CoUninitialize"));
  EXPECT_EQ(2, calls.Count("IPersistFile::Save"));
  EXPECT_EQ(0, calls.LiveShellLinks());
}

TEST_F(ShortcutTest, ShortcutSavedIntoAMissingFolderFailsWith818) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  const std::string missing = m_links + "\\Missing";
  auto failure =
      CatchEngineFailure([&] { Engine().CreateShortcut("velmora.exe", m_programs, missing, "Velmora", nullptr); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(818, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), failure->m_arg0);
  // Journaled before the save; the rollback finds nothing there and is done
  // with it without handing anything to the restart.
  EXPECT_EQ(1u, Engine().m_created.count(missing + "\\Velmora.lnk"));
  EXPECT_FALSE(DirectoryExists(missing));
  EXPECT_EQ(std::vector<std::string>{"CreateShortcuts: " + missing + "\\Velmora.lnk"}, LogLines());
  EXPECT_EQ(1, calls.Count("CoUninitialize"));
  Engine().RemoveInstallFiles();
  EXPECT_EQ(0, calls.Count("MoveFileExA"));
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(ShortcutTest, WhatAFailedSaveLeftIsRemovedByTheRollback) {
  FaultyCalls calls;
  calls.FailCall("IPersistFile::Save", ERROR_DISK_FULL);
  ScopedSystemCalls seam(calls);
  auto failure = CatchEngineFailure([&] { MakeShortcut(); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(818, failure->m_code);
  // The save broke off after writing part of the file.
  ASSERT_TRUE(WriteWholeFile(LinkPath("Velmora"), "partial shortcut"));

  Engine().RemoveInstallFiles();

  EXPECT_FALSE(FileExists(LinkPath("Velmora")));
  EXPECT_TRUE(FolderEntries(m_links).empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(ShortcutTest, AFailedSaveOverAnEarlierShortcutIsUndoneFromItsBackup) {
  ASSERT_TRUE(WriteWholeFile(LinkPath("Velmora"), "earlier shortcut"));
  FaultyCalls calls;
  calls.FailCall("IPersistFile::Save", ERROR_DISK_FULL);
  ScopedSystemCalls seam(calls);
  auto failure = CatchEngineFailure([&] { MakeShortcut(); });
  ASSERT_NE(nullptr, failure);
  ASSERT_TRUE(WriteWholeFile(LinkPath("Velmora"), "partial shortcut"));

  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();

  EXPECT_EQ("earlier shortcut", ReadWholeFile(LinkPath("Velmora")));
  EXPECT_EQ(1u, FolderEntries(m_links).size());
}

TEST_F(ShortcutTest, ShortcutPathLongerThanTheBufferFailsWith818WithoutSaving) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  const std::string longName(MAX_PATH, 'v');
  auto failure = CatchEngineFailure(
      [&] { Engine().CreateShortcut("velmora.exe", m_programs, m_links, longName.c_str(), nullptr); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(818, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER), failure->m_arg0);
  EXPECT_EQ(0, calls.Count("IPersistFile::Save"));
  EXPECT_EQ(1, calls.Count("CoUninitialize"));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(FolderEntries(m_links).empty());
}

// Every failing COM step, through the seam.
struct ComFailure {
  const char* call;
  uint16_t code;
  int uninitializations;  // CoUninitialize calls expected afterwards
  bool journaled;         // the shortcut is recorded: the save was attempted
};

class ShortcutComFailure : public ShortcutTest, public ::testing::WithParamInterface<ComFailure> {};

TEST_P(ShortcutComFailure, ThrowsItsCodeWithTheLastErrorAndRecordsOnlyAnAttemptedSave) {
  const ComFailure& step = GetParam();
  FaultyCalls calls;
  calls.FailCall(step.call, ERROR_NOT_ENOUGH_MEMORY);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { MakeShortcut(); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(step.code, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY), failure->m_arg0);
  EXPECT_EQ(1, calls.Count(step.call));
  EXPECT_EQ(step.uninitializations, calls.Count("CoUninitialize"));
  EXPECT_EQ(0, calls.LiveShellLinks());
  EXPECT_EQ(step.journaled ? 1u : 0u, Engine().m_created.size());
  EXPECT_EQ(step.journaled ? 1u : 0u, Engine().m_created.count(LinkPath("Velmora")));
  EXPECT_FALSE(FileExists(LinkPath("Velmora")));
  EXPECT_EQ(std::vector<std::string>{"CreateShortcuts: " + LinkPath("Velmora")}, LogLines());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, ShortcutComFailure,
    ::testing::Values(ComFailure{"CoInitialize", 768, 0, false}, ComFailure{"CoCreateInstance", 776, 1, false},
                      ComFailure{"IShellLinkA::QueryInterface(IPersistFile)", 780, 1, false},
                      ComFailure{"IShellLinkA::SetPath", 784, 1, false},
                      ComFailure{"IShellLinkA::SetDescription", 790, 1, false},
                      ComFailure{"IShellLinkA::SetWorkingDirectory", 802, 1, false},
                      ComFailure{"IShellLinkA::SetIconLocation", 807, 1, false},
                      ComFailure{"IPersistFile::Save", 818, 1, true}),
    [](const ::testing::TestParamInfo<ComFailure>& info) { return "Code" + std::to_string(info.param.code); });

// Internet shortcuts

TEST_F(ShortcutTest, WebShortcutHoldsExactlyTheSectionAndTheUrl) {
  Engine().CreateUrlShortcut("Velmora on Web.url", m_links, product::kWebPageUrl);

  const std::string path = m_links + "\\Velmora on Web.url";
  EXPECT_EQ(std::string("[InternetShortcut]\r\nURL=") + product::kWebPageUrl, ReadWholeFile(path));
  EXPECT_EQ(KindFile, Engine().m_created.at(path));
  EXPECT_EQ(std::vector<std::string>{"Install File: " + path}, LogLines());
}

TEST_F(ShortcutTest, ExistingWebShortcutIsBackedUpAndReplaced) {
  const std::string path = m_links + "\\Velmora on Web.url";
  ASSERT_TRUE(WriteWholeFile(path, "[InternetShortcut]\r\nURL=http://old.example/\r\n"));
  Engine().CreateUrlShortcut("Velmora on Web.url", m_links, "http://new.example/velmora.html");

  EXPECT_EQ("[InternetShortcut]\r\nURL=http://new.example/velmora.html", ReadWholeFile(path));
  EXPECT_EQ("[InternetShortcut]\r\nURL=http://old.example/\r\n", ReadWholeFile(Engine().m_backups.at(path)));
  EXPECT_TRUE(Engine().m_created.empty());
}

TEST_F(ShortcutTest, RecordCreatedFileRecordsAFile) {
  Engine().RecordCreatedFile("C:\\anything.lnk");
  EXPECT_EQ(KindFile, Engine().m_created.at("C:\\anything.lnk"));
  EXPECT_TRUE(LogLines().empty());
}

}  // namespace
