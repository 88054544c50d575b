// Installing one file: new, replaced with a backup, replaced at restart
// when in use, and every failure on the way with the records it leaves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kWarning = "Warning: === Reboot required to complete operation ===";

class InstallFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(nullptr, m_harness.m_constructionFailure); }

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  const std::string& Folder() const { return m_harness.m_folder.Path(); }
  std::string File(const std::string& name) const { return m_harness.m_folder.File(name); }
  std::vector<std::string> LogLines() const { return m_harness.LogLines(); }

  void Install(const std::string& name, const std::string& content) {
    Engine().InstallFile(name, Folder(), reinterpret_cast<const uint8_t*>(content.data()),
                         static_cast<uint32_t>(content.size()));
  }
  std::unique_ptr<CExceptionEx> InstallFails(const std::string& name, const std::string& content) {
    return CatchEngineFailure([&] { Install(name, content); });
  }
  // The names the next backup and temporary file of `name` will get: the
  // generator the engine draws from is reseeded on this same thread.
  std::pair<std::string, std::string> NextTempNames(const std::string& name, unsigned seed) {
    std::srand(seed);
    std::string backup = Engine().MakeTempName(name, Folder());
    std::string temporary = Engine().MakeTempName(name, Folder());
    std::srand(seed);
    return {backup, temporary};
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names = FolderEntries(Folder());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string InstallLine(const std::string& name) const { return "Install File: " + File(name); }
  std::vector<std::string> CreatedKeys() {
    std::vector<std::string> keys;
    for (const auto& entry : Engine().m_created) keys.push_back(entry.first);
    return keys;
  }

  EngineHarness m_harness;
};

TEST_F(InstallFileTest, TempNameIsTheFileNameWithEightDigitsFromOneToNine) {
  for (int i = 0; i < 200; ++i) {
    const std::string name = Engine().MakeTempName("velmora.exe", Folder());
    ASSERT_TRUE(IsTempNameOf(name, File("velmora.exe"))) << name;
  }
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(InstallFileTest, NewFileIsCreatedAndRecorded) {
  Install("velmora.exe", "new content");

  EXPECT_EQ("new content", ReadWholeFile(File("velmora.exe")));
  EXPECT_EQ(std::vector<std::string>{"velmora.exe"}, Entries());
  EXPECT_EQ(std::vector<std::string>{File("velmora.exe")}, CreatedKeys());
  EXPECT_EQ(KindFile, Engine().m_created.at(File("velmora.exe")));
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_EQ(std::vector<std::string>{InstallLine("velmora.exe")}, LogLines());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(InstallFileTest, ExistingFileIsBackedUpAndReplaced) {
  ASSERT_TRUE(WriteWholeFile(File("velmora.exe"), "old content"));
  Install("velmora.exe", "new content");

  EXPECT_EQ("new content", ReadWholeFile(File("velmora.exe")));
  ASSERT_EQ(1u, Engine().m_backups.size());
  const std::string backup = Engine().m_backups.at(File("velmora.exe"));
  EXPECT_TRUE(IsTempNameOf(backup, File("velmora.exe"))) << backup;
  EXPECT_EQ("old content", ReadWholeFile(backup));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(2u, Entries().size());
  EXPECT_EQ(std::vector<std::string>{InstallLine("velmora.exe")}, LogLines());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(InstallFileTest, FileInUseIsReplacedAtRestart) {
  ScopedPendingRenames keepPendingRenames;
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old content"));
  HeldFile running(target);
  ASSERT_TRUE(running.Held());

  Install("velmora.exe", "new content");

  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{InstallLine("velmora.exe"), kWarning}), LogLines());
  // The target keeps its content until the restart.
  EXPECT_EQ("old content", ReadWholeFile(target));
  const std::string backup = Engine().m_backups.at(target);
  EXPECT_EQ("old content", ReadWholeFile(backup));
  ASSERT_EQ(1u, Engine().m_created.size());
  const std::string temporary = Engine().m_created.begin()->first;
  EXPECT_TRUE(IsTempNameOf(temporary, target)) << temporary;
  EXPECT_NE(backup, temporary);
  EXPECT_EQ(KindFile, Engine().m_created.begin()->second);
  EXPECT_EQ("new content", ReadWholeFile(temporary));
  EXPECT_EQ(3u, Entries().size());

  bool scheduled = false;
  for (const PendingRename& rename : PendingFileRenames()) {
    if (rename.from == temporary && rename.to == target) scheduled = rename.replace;
  }
  EXPECT_TRUE(scheduled) << "no pending replacement of " << target << " by " << temporary;
}

TEST_F(InstallFileTest, ZeroSizeContentMakesAnEmptyFile) {
  Engine().InstallFile("empty.txt", Folder(), nullptr, 0);
  Install("empty-too.txt", "");

  EXPECT_TRUE(FileExists(File("empty.txt")));
  EXPECT_EQ("", ReadWholeFile(File("empty.txt")));
  EXPECT_TRUE(FileExists(File("empty-too.txt")));
  EXPECT_EQ(2u, Engine().m_created.size());
}

TEST_F(InstallFileTest, ExistingFileReplacedByEmptyContentIsTruncated) {
  ASSERT_TRUE(WriteWholeFile(File("readme.txt"), "a longer old text"));
  Install("readme.txt", "");
  EXPECT_TRUE(FileExists(File("readme.txt")));
  EXPECT_EQ("", ReadWholeFile(File("readme.txt")));
}

TEST_F(InstallFileTest, SameFileTwiceBacksUpTheFirstResultAndReplacesTheBackupEntry) {
  ASSERT_TRUE(WriteWholeFile(File("velmora.exe"), "original"));
  Install("velmora.exe", "first");
  const std::string firstBackup = Engine().m_backups.at(File("velmora.exe"));
  Install("velmora.exe", "second");
  const std::string secondBackup = Engine().m_backups.at(File("velmora.exe"));

  EXPECT_EQ("second", ReadWholeFile(File("velmora.exe")));
  EXPECT_EQ(1u, Engine().m_backups.size());
  EXPECT_NE(firstBackup, secondBackup);
  EXPECT_EQ("first", ReadWholeFile(secondBackup));
  EXPECT_EQ("original", ReadWholeFile(firstBackup));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ((std::vector<std::string>{InstallLine("velmora.exe"), InstallLine("velmora.exe")}), LogLines());
}

TEST_F(InstallFileTest, NewFileInstalledTwiceStaysRecordedAsCreated) {
  Install("velmora.exe", "first");
  Install("velmora.exe", "second");
  EXPECT_EQ("second", ReadWholeFile(File("velmora.exe")));
  EXPECT_EQ(KindFile, Engine().m_created.at(File("velmora.exe")));
  EXPECT_EQ("first", ReadWholeFile(Engine().m_backups.at(File("velmora.exe"))));
}

// Failures through the real system.

TEST_F(InstallFileTest, MissingFolderFailsWith579AndLeavesNoRecord) {
  const std::string folder = File("missing");
  auto failure = CatchEngineFailure([&] {
    Engine().InstallFile("velmora.exe", folder, reinterpret_cast<const uint8_t*>("x"), 1);
  });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(579, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_PATH_NOT_FOUND), failure->m_arg0);
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_EQ(std::vector<std::string>{"Install File: " + folder + "\\velmora.exe"}, LogLines());
}

TEST_F(InstallFileTest, TargetThatIsADirectoryCountsAsExistingAndFailsTheBackupWith386) {
  ASSERT_TRUE(CreateDirectoryA(File("velmora.exe").c_str(), nullptr));
  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(386, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), failure->m_arg0);
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(DirectoryExists(File("velmora.exe")));
  EXPECT_EQ(std::vector<std::string>{InstallLine("velmora.exe")}, LogLines());
}

TEST_F(InstallFileTest, BackupNameAlreadyTakenFailsWith386BeforeAnythingChanges) {
  ASSERT_TRUE(WriteWholeFile(File("velmora.exe"), "old"));
  const auto names = NextTempNames("velmora.exe", 4242);
  ASSERT_TRUE(WriteWholeFile(names.first, "someone else's"));

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(386, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_EXISTS), failure->m_arg0);
  EXPECT_EQ("old", ReadWholeFile(File("velmora.exe")));
  EXPECT_EQ("someone else's", ReadWholeFile(names.first));
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(Engine().m_created.empty());
}

TEST_F(InstallFileTest, InUseTargetWhoseTemporaryFileCannotBeCreatedFailsWith601) {
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  const auto names = NextTempNames("velmora.exe", 777);
  ASSERT_TRUE(CreateDirectoryA(names.second.c_str(), nullptr));  // takes the temporary file's name
  HeldFile running(target);

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(601, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), failure->m_arg0);
  EXPECT_EQ(names.first, Engine().m_backups.at(target));
  EXPECT_EQ("old", ReadWholeFile(names.first));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
  EXPECT_EQ(std::vector<std::string>{InstallLine("velmora.exe")}, LogLines());
}

TEST_F(InstallFileTest, ReadOnlyTargetFailsWith579AndIsNotLeftToTheRestart) {
  ScopedPendingRenames keepPendingRenames;
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  // Windows refuses to open a read-only (or hidden or system) file for
  // replacement with access denied; Wine run by root lets it through, so
  // the seam gives the answer Windows gives.
  FaultyCalls calls;
  calls.FailCall("CreateFileA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(579, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), failure->m_arg0);
  EXPECT_EQ("old", ReadWholeFile(target));
  // Nothing changed for this file: no backup, no temporary file, no restart.
  EXPECT_EQ(std::vector<std::string>{"velmora.exe"}, Entries());
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
  EXPECT_EQ(std::vector<std::string>{InstallLine("velmora.exe")}, LogLines());
  for (const PendingRename& rename : PendingFileRenames()) EXPECT_NE(target, rename.to) << rename.from;
}

TEST_F(InstallFileTest, OnlySharingAndLockViolationsWaitForTheRestart) {
  struct Case {
    DWORD error;
    bool deferred;
  };
  for (const Case& c : {Case{ERROR_SHARING_VIOLATION, true}, Case{ERROR_LOCK_VIOLATION, true},
                        Case{ERROR_ACCESS_DENIED, false}, Case{ERROR_WRITE_PROTECT, false}}) {
    ScopedPendingRenames keepPendingRenames;
    TempFolder folder;
    const std::string target = folder.File("velmora.exe");
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    Engine().m_created.clear();
    Engine().m_backups.clear();
    ::InterlockedExchange(&m_harness.m_restartRequired, 0);
    FaultyCalls calls;
    calls.FailCall("CreateFileA", c.error);  // the open of the existing target
    ScopedSystemCalls seam(calls);

    auto failure = CatchEngineFailure([&] {
      Engine().InstallFile("velmora.exe", folder.Path(), reinterpret_cast<const uint8_t*>("new"), 3);
    });

    EXPECT_EQ(c.deferred, failure == nullptr) << c.error;
    EXPECT_EQ(c.deferred ? 1 : 0, m_harness.m_restartRequired) << c.error;
    EXPECT_EQ(c.deferred ? 1u : 0u, Engine().m_created.size()) << c.error;
    EXPECT_EQ(c.deferred ? 1u : 0u, Engine().m_backups.size()) << c.error;
    if (!c.deferred && failure) {
      EXPECT_EQ(579, failure->m_code);
      EXPECT_EQ(c.error, failure->m_arg0);
      EXPECT_EQ(std::vector<std::string>{"velmora.exe"}, FolderEntries(folder.Path())) << c.error;
    }
    for (const auto& entry : Engine().m_created) DeleteFileA(entry.first.c_str());
    for (const auto& entry : Engine().m_backups) DeleteFileA(entry.second.c_str());
  }
}

TEST_F(InstallFileTest, ARefusedTargetInstalledTwiceKeepsTheFirstBackup) {
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  Install("velmora.exe", "first");
  const std::string firstBackup = Engine().m_backups.at(target);
  FaultyCalls calls;
  calls.FailCall("CreateFileA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "second");

  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(579, failure->m_code);
  EXPECT_EQ(firstBackup, Engine().m_backups.at(target));
  EXPECT_EQ("old", ReadWholeFile(firstBackup));
  EXPECT_EQ(2u, Entries().size());
}

// Failures that only the seam produces.

TEST_F(InstallFileTest, ShortWriteIntoTheTemporaryFileFailsWith611AfterSchedulingTheMove) {
  ScopedPendingRenames keepPendingRenames;
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  FaultyCalls calls;
  calls.FailCall("WriteFile", ERROR_DISK_FULL);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(611, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), failure->m_arg0);
  EXPECT_EQ(1u, Engine().m_backups.count(target));
  ASSERT_EQ(1u, Engine().m_created.size());
  const std::string temporary = Engine().m_created.begin()->first;
  EXPECT_TRUE(IsTempNameOf(temporary, target));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{InstallLine("velmora.exe"), kWarning}), LogLines());
  EXPECT_EQ(1, calls.Count("MoveFileExA"));
  EXPECT_TRUE(HasPendingRename(temporary, target));
}

TEST_F(InstallFileTest, RefusedRestartMoveFailsWith620) {
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  FaultyCalls calls;
  calls.FailCall("MoveFileExA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(620, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), failure->m_arg0);
  EXPECT_EQ(1u, Engine().m_backups.count(target));
  ASSERT_EQ(1u, Engine().m_created.size());
  EXPECT_EQ("new", ReadWholeFile(Engine().m_created.begin()->first));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{InstallLine("velmora.exe"), kWarning}), LogLines());
}

TEST_F(InstallFileTest, RefusedMoveTakesThePlaceOfAShortWrite) {
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  FaultyCalls calls;
  calls.FailCall("WriteFile", ERROR_DISK_FULL);
  calls.FailCall("MoveFileExA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(620, failure->m_code);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), failure->m_arg0);
}

TEST_F(InstallFileTest, ShortWriteIntoANewTargetFailsWith637AndKeepsItRecorded) {
  FaultyCalls calls;
  calls.FailCall("WriteFile", ERROR_DISK_FULL);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new content");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(637, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), failure->m_arg0);
  EXPECT_EQ(KindFile, Engine().m_created.at(File("velmora.exe")));
  EXPECT_EQ("", ReadWholeFile(File("velmora.exe")));
  // The target was closed on the way out: it can be deleted at once.
  EXPECT_TRUE(DeleteFileA(File("velmora.exe").c_str()));
}

TEST_F(InstallFileTest, ShortWriteIntoAnExistingTargetFailsWith637WithTheBackupRecorded) {
  ASSERT_TRUE(WriteWholeFile(File("velmora.exe"), "old"));
  FaultyCalls calls;
  calls.FailCall("WriteFile", ERROR_DISK_FULL);
  ScopedSystemCalls seam(calls);

  auto failure = InstallFails("velmora.exe", "new");
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(637, failure->m_code);
  EXPECT_EQ("old", ReadWholeFile(Engine().m_backups.at(File("velmora.exe"))));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(InstallFileTest, EveryChangeGoesThroughTheSeamInOrder) {
  ASSERT_TRUE(WriteWholeFile(File("velmora.exe"), "old"));
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  Install("velmora.exe", "new");

  std::vector<std::string> names;
  for (const auto& call : calls.MutatingCalls()) names.push_back(call.name);
  const std::vector<std::string> expected = {"CopyFileA", "CreateFileA", "SetEndOfFile", "WriteFile"};
  EXPECT_EQ(expected, names) << calls.DescribeMutatingCalls();
  EXPECT_EQ(1, calls.Count("FindFirstFileA"));
}

}  // namespace
