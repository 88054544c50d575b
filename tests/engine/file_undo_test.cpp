// Undoing the file steps: created files deleted, backups moved back,
// created directories removed, and backups discarded after success.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kWarning = "Warning: === Reboot required to complete operation ===";

// The restart's operations as the system holds them, wide.
std::wstring PendingValue() {
  HKEY key = nullptr;
  std::wstring data(32768, L'\0');
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &key);
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]),
                       &size) != ERROR_SUCCESS) {
    size = 0;
  }
  RegCloseKey(key);
  return data.substr(0, size / sizeof(wchar_t));
}

// A file of that name in the folder, with a pending operation of another
// program on it (a deletion), named in Polish and Japanese.
std::wstring ForeignPendingDeletion(const std::string& folder, const wchar_t* name) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &path[0], MAX_PATH) - 1);
  path += name;
  CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return path;
}

class FileUndoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(nullptr, m_harness.m_constructionFailure); }

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  std::string File(const std::string& name) const { return m_harness.m_folder.File(name); }
  std::vector<std::string> LogLines() const { return m_harness.LogLines(); }
  // A file the installation created, as InstallFile would record it.
  std::string CreatedFile(const std::string& name, const std::string& content = "new") {
    const std::string path = File(name);
    EXPECT_TRUE(WriteWholeFile(path, content));
    Engine().m_created[path] = KindFile;
    return path;
  }
  // A file the installation overwrote, with its backup beside it.
  std::string OverwrittenFile(const std::string& name) {
    const std::string path = File(name);
    EXPECT_TRUE(WriteWholeFile(path, "old " + name));
    Engine().BackupFile(name, m_harness.m_folder.Path());
    EXPECT_TRUE(WriteWholeFile(path, "new " + name));
    return path;
  }
  std::vector<std::string> CallNames(const FaultyCalls& calls) const {
    std::vector<std::string> names;
    for (const auto& call : calls.MutatingCalls()) names.push_back(call.name + " " + call.argument);
    return names;
  }

  EngineHarness m_harness;
};

// RemoveInstallFiles

TEST_F(FileUndoTest, CreatedFilesAreDeletedInAscendingOrderWithOneLineEach) {
  const std::string second = CreatedFile("b.exe");
  const std::string first = CreatedFile("a.exe");
  const std::string directory = File("dir");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  Engine().m_created[directory] = KindDirectory;
  Engine().m_created["velctl"] = KindCreatedService;

  Engine().RemoveInstallFiles();

  EXPECT_FALSE(FileExists(first));
  EXPECT_FALSE(FileExists(second));
  EXPECT_TRUE(DirectoryExists(directory));
  EXPECT_EQ((std::vector<std::string>{"RemoveInstallFiles: " + first, "RemoveInstallFiles: " + second}), LogLines());
  EXPECT_EQ(0, m_harness.m_restartRequired);
  EXPECT_EQ(4u, Engine().m_created.size());  // the journal is read, not emptied
}

TEST_F(FileUndoTest, CreatedFileInUseIsDeletedAtRestart) {
  ScopedPendingRenames keepPendingRenames;
  const std::string path = CreatedFile("velmora.exe");
  HeldFile running(path);

  Engine().RemoveInstallFiles();

  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(HasPendingRename(path, ""));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{"RemoveInstallFiles: " + path, kWarning}), LogLines());
}

TEST_F(FileUndoTest, CreatedFileAlreadyGoneIsDoneWithoutARestart) {
  ScopedPendingRenames keepPendingRenames;
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  const std::string gone = CreatedFile("gone.exe");
  ASSERT_TRUE(DeleteFileA(gone.c_str()));
  const std::string inMissingFolder = File("missing\\velmora.chm");
  Engine().m_created[inMissingFolder] = KindFile;

  Engine().RemoveInstallFiles();

  // Nothing for the next start: it would delete whatever has that name then,
  // such as the file of a later installation.
  EXPECT_EQ(0, calls.Count("MoveFileExA"));
  EXPECT_FALSE(HasPendingRename(gone, ""));
  EXPECT_FALSE(HasPendingRename(inMissingFolder, ""));
  EXPECT_EQ(0, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{"RemoveInstallFiles: " + gone, "RemoveInstallFiles: " + inMissingFolder}),
            LogLines());
}

TEST_F(FileUndoTest, ACreatedFileThatCannotBeDeletedForAnotherReasonStillWaitsForTheRestart) {
  ScopedPendingRenames keepPendingRenames;
  FaultyCalls calls;
  calls.FailCall("DeleteFileA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);
  const std::string path = CreatedFile("velmora.exe");

  Engine().RemoveInstallFiles();

  EXPECT_TRUE(HasPendingRename(path, ""));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{"RemoveInstallFiles: " + path, kWarning}), LogLines());
}

TEST_F(FileUndoTest, OneFailedDeletionDoesNotStopTheOthers) {
  FaultyCalls calls;
  calls.FailCall("DeleteFileA", ERROR_ACCESS_DENIED, 1);
  calls.FailCall("MoveFileExA", ERROR_ACCESS_DENIED, 1);
  ScopedSystemCalls seam(calls);
  const std::string first = CreatedFile("a.exe");
  const std::string second = CreatedFile("b.exe");

  Engine().RemoveInstallFiles();

  EXPECT_TRUE(FileExists(first));
  EXPECT_FALSE(FileExists(second));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{"RemoveInstallFiles: " + first, kWarning, "RemoveInstallFiles: " + second}),
            LogLines());
}

// RollBackInstallFiles

TEST_F(FileUndoTest, BackupsAreMovedBackOverTheirFiles) {
  const std::string first = OverwrittenFile("a.dll");
  const std::string second = OverwrittenFile("b.dll");
  const std::string firstBackup = Engine().m_backups.at(first);

  Engine().RollBackInstallFiles();

  EXPECT_EQ("old a.dll", ReadWholeFile(first));
  EXPECT_EQ("old b.dll", ReadWholeFile(second));
  EXPECT_FALSE(FileExists(firstBackup));
  EXPECT_EQ(2u, FolderEntries(m_harness.m_folder.Path()).size());
  EXPECT_EQ((std::vector<std::string>{"RollBackInstallFiles: " + first, "RollBackInstallFiles: " + second}),
            LogLines());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(FileUndoTest, RestoreOfAFileInUseWaitsForTheRestartAndKeepsTheBackup) {
  ScopedPendingRenames keepPendingRenames;
  const std::string path = OverwrittenFile("velmora.exe");
  const std::string backup = Engine().m_backups.at(path);
  HeldFile running(path);

  Engine().RollBackInstallFiles();

  EXPECT_EQ("new velmora.exe", ReadWholeFile(path));
  EXPECT_EQ("old velmora.exe", ReadWholeFile(backup));
  EXPECT_TRUE(HasPendingRename(backup, path));
  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ((std::vector<std::string>{"RollBackInstallFiles: " + path, kWarning}), LogLines());
}

TEST_F(FileUndoTest, EmptyBackupMapWritesNoLine) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  Engine().RollBackInstallFiles();
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(0, calls.MutatingCount());
}

TEST_F(FileUndoTest, InUseReplacementIsUndoneByDeletingTheTemporaryAndDeferringTheRestore) {
  ScopedPendingRenames keepPendingRenames;
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  Engine().InstallFile("velmora.exe", m_harness.m_folder.Path(), reinterpret_cast<const uint8_t*>("new"), 3);
  const std::string temporary = Engine().m_created.begin()->first;
  const std::string backup = Engine().m_backups.at(target);

  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();

  EXPECT_FALSE(FileExists(temporary));
  EXPECT_EQ("old", ReadWholeFile(target));
  EXPECT_EQ("old", ReadWholeFile(backup));
  EXPECT_TRUE(HasPendingRename(backup, target));
  EXPECT_FALSE(HasPendingRename(temporary, target));
  EXPECT_EQ(1, m_harness.m_restartRequired);
}

TEST_F(FileUndoTest, NothingTheFailedInstallationScheduledTakesEffectAtTheRestart) {
  ScopedPendingRenames keepPendingRenames;
  // Work of another program that waits for the same restart.
  const std::string foreign = File("foreign.dat");
  ASSERT_TRUE(WriteWholeFile(foreign, "foreign"));
  ASSERT_TRUE(MoveFileExA(foreign.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  Engine().InstallFile("velmora.exe", m_harness.m_folder.Path(), reinterpret_cast<const uint8_t*>("new"), 3);
  const std::string temporary = Engine().m_created.begin()->first;
  ASSERT_TRUE(HasPendingRename(temporary, target));
  // Something (a virus scanner, say) holds the temporary file: its deletion
  // too waits for the restart.
  HeldFile scanned(temporary, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(scanned.Held());

  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();

  // At the restart the temporary file is deleted and the earlier content
  // restored; the new content never replaces the target.
  EXPECT_FALSE(HasPendingRename(temporary, target));
  EXPECT_TRUE(HasPendingRename(temporary, ""));
  EXPECT_TRUE(HasPendingRename(Engine().m_backups.at(target), target));
  EXPECT_TRUE(HasPendingRename(foreign, ""));
  EXPECT_EQ(1, m_harness.m_restartRequired);
}

TEST_F(FileUndoTest, CancellingTheOnlyPendingReplacementLeavesNoPendingWork) {
  ScopedPendingRenames keepPendingRenames;
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  Engine().InstallFile("velmora.exe", m_harness.m_folder.Path(), reinterpret_cast<const uint8_t*>("new"), 3);
  ASSERT_EQ(1u, PendingFileRenames().size());

  Engine().RemoveInstallFiles();

  EXPECT_TRUE(PendingFileRenames().empty());
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue).present);
}

TEST_F(FileUndoTest, OtherProgramsPendingWorkKeepsEveryCharacterOutsideTheCodePage) {
  ScopedPendingRenames keepPendingRenames;
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
  // Another program's replacement and deletion, in Polish and Japanese.
  std::wstring folder(MAX_PATH, L'\0');
  folder.resize(MultiByteToWideChar(CP_ACP, 0, m_harness.m_folder.Path().c_str(), -1, &folder[0], MAX_PATH) - 1);
  const std::wstring replaced = folder + L"\\\x141ukasz \x65e5\x672c.dat";
  const std::wstring deleted = folder + L"\\\x30dd\x30fc\x30bf\x30d6\x30eb.tmp";
  for (const std::wstring& name : {replaced, replaced + L".new", deleted}) {
    CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  ASSERT_TRUE(MoveFileExW((replaced + L".new").c_str(), replaced.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(deleted.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  const std::wstring foreign = PendingValue();
  ASSERT_NE(foreign.find(L"\x141ukasz"), std::wstring::npos);
  const std::string target = File("velmora.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  HeldFile running(target);
  Engine().InstallFile("velmora.exe", m_harness.m_folder.Path(), reinterpret_cast<const uint8_t*>("new"), 3);
  ASSERT_NE(foreign, PendingValue());

  Engine().RemoveInstallFiles();

  EXPECT_EQ(foreign, PendingValue());
}

// Operations of the restart that would undo the installation

class WithdrawnOperationsTest : public FileUndoTest {
 protected:
  // Between two operations of another program: an uninstaller's deletion of
  // uninstall.exe and of its folder, and an earlier run's staged copy of
  // velmora.exe waiting to replace it.
  void SetUp() override {
    FileUndoTest::SetUp();
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    ForeignPendingDeletion(m_harness.m_folder.Path(), L"\\\x141ukasz.dat");
    ASSERT_TRUE(CreateDirectoryA(m_folder.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(m_folder + "\\uninstall.exe", "old uninstaller"));
    ASSERT_TRUE(WriteWholeFile(m_folder + "\\velmora.exe", "old program"));
    ASSERT_TRUE(WriteWholeFile(m_staged, "staged program"));
    ASSERT_TRUE(MoveFileExA((m_folder + "\\uninstall.exe").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(m_folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(m_staged.c_str(), (m_folder + "\\velmora.exe").c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    ForeignPendingDeletion(m_harness.m_folder.Path(), L"\\\x30dd\x30fc\x30bf\x30d6\x30eb.tmp");
    m_before = PendingValue();
    ASSERT_EQ(5u, PendingFileRenames().size());
  }
  void InstallIntoTheFolder() {
    Engine().CreateDir(m_folder);
    Engine().InstallFile("uninstall.exe", m_folder, reinterpret_cast<const uint8_t*>("new"), 3);
    Engine().InstallFile("velmora.exe", m_folder, reinterpret_cast<const uint8_t*>("new"), 3);
  }
  // The paths the restart would still touch, either way.
  std::vector<std::string> PendingPaths() const {
    std::vector<std::string> paths;
    for (const PendingRename& rename : PendingFileRenames()) paths.push_back(rename.from + " -> " + rename.to);
    return paths;
  }

  ScopedPendingRenames m_keepPendingRenames;
  const std::string m_folder = File("Velmora");
  const std::string m_staged = File("Velmora") + "\\velmora.exe_12345678.tmp";
  std::wstring m_before;
};

TEST_F(WithdrawnOperationsTest, NothingWaitingForTheRestartUndoesTheInstallation) {
  InstallIntoTheFolder();
  Engine().DiscardBackups();

  EXPECT_EQ(2u, PendingFileRenames().size()) << ::testing::PrintToString(PendingPaths());
  for (const std::string& path : PendingPaths()) EXPECT_EQ(std::string::npos, path.find(m_folder)) << path;
  EXPECT_NE(std::wstring::npos, PendingValue().find(L"\x141ukasz.dat"));
  EXPECT_NE(std::wstring::npos, PendingValue().find(L"\x30dd\x30fc\x30bf\x30d6\x30eb.tmp"));
  EXPECT_FALSE(FileExists(m_staged));
  EXPECT_EQ("new", ReadWholeFile(m_folder + "\\velmora.exe"));
  const std::vector<std::string> lines = LogLines();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "Withdraw Restart Operation: " + m_folder));
  EXPECT_NE(lines.end(),
            std::find(lines.begin(), lines.end(), "Withdraw Restart Operation: " + m_folder + "\\uninstall.exe"));
}

TEST_F(WithdrawnOperationsTest, TheRollbackPutsEveryWithdrawnOperationBackByteForByte) {
  InstallIntoTheFolder();
  ASSERT_NE(m_before, PendingValue());

  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();
  Engine().RestoreRestartOperations();

  EXPECT_EQ(m_before, PendingValue());
  EXPECT_EQ("staged program", ReadWholeFile(m_staged));
  EXPECT_EQ("old uninstaller", ReadWholeFile(m_folder + "\\uninstall.exe"));
}

TEST_F(WithdrawnOperationsTest, AListThatCannotBeWrittenFailsTheFileBeforeItIsTouched) {
  FaultyCalls calls;
  calls.FailCall("RegSetValueExW", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  std::unique_ptr<CExceptionEx> failure(CatchEngineFailure([&] {
    Engine().InstallFile("uninstall.exe", m_folder, reinterpret_cast<const uint8_t*>("new"), 3);
  }));

  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(566, failure->m_code);
  EXPECT_EQ(m_before, PendingValue());
  EXPECT_EQ("old uninstaller", ReadWholeFile(m_folder + "\\uninstall.exe"));
  EXPECT_TRUE(Engine().m_withdrawnOperations.empty());
}

// RemoveCreatedDirectories

TEST_F(FileUndoTest, EmptyCreatedDirectoryIsRemovedSilently) {
  const std::string path = File("Velmora");
  Engine().CreateDir(path);
  const size_t linesBefore = LogLines().size();

  Engine().RemoveCreatedDirectories();

  EXPECT_FALSE(DirectoryExists(path));
  EXPECT_EQ(linesBefore, LogLines().size());
}

TEST_F(FileUndoTest, CreatedDirectoryHoldingAUserFileStaysWithoutReport) {
  const std::string path = File("Velmora");
  Engine().CreateDir(path);
  ASSERT_TRUE(WriteWholeFile(path + "\\notes.txt", "mine"));
  const size_t linesBefore = LogLines().size();

  Engine().RemoveCreatedDirectories();

  EXPECT_TRUE(DirectoryExists(path));
  EXPECT_EQ("mine", ReadWholeFile(path + "\\notes.txt"));
  EXPECT_EQ(linesBefore, LogLines().size());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(FileUndoTest, CreatedFoldersGoInnermostFirstSoACreatedParentGoesToo) {
  const std::string parent = File("Velmora");
  const std::string child = File("Velmora\\Drivers");
  Engine().CreateDirWithParents(child);
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().RemoveCreatedDirectories();

  EXPECT_EQ((std::vector<std::string>{"RemoveDirectoryA " + child, "RemoveDirectoryA " + parent}), CallNames(calls));
  EXPECT_FALSE(DirectoryExists(parent));
  EXPECT_TRUE(DirectoryExists(m_harness.m_folder.Path()));
}

TEST_F(FileUndoTest, DirectoriesThatWereThereBeforeAreNeverTouched) {
  const std::string existing = File("Existing");
  ASSERT_TRUE(CreateDirectoryA(existing.c_str(), nullptr));
  Engine().CreateDir(existing);
  CreatedFile("a.exe");
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().RemoveCreatedDirectories();

  EXPECT_EQ(0, calls.MutatingCount()) << calls.DescribeMutatingCalls();
  EXPECT_TRUE(DirectoryExists(existing));
}

// DiscardBackups

TEST_F(FileUndoTest, DiscardBackupsDeletesTheBackupsAndEmptiesBothMaps) {
  const std::string first = OverwrittenFile("a.dll");
  const std::string second = OverwrittenFile("b.dll");
  const std::string firstBackup = Engine().m_backups.at(first);
  const std::string secondBackup = Engine().m_backups.at(second);
  Engine().m_serviceCapture["velctl"].push_back(CapturedValue{"Start", REG_DWORD, std::string("\2\0\0\0", 4)});
  const size_t linesBefore = LogLines().size();

  Engine().DiscardBackups();

  EXPECT_FALSE(FileExists(firstBackup));
  EXPECT_FALSE(FileExists(secondBackup));
  EXPECT_EQ("new a.dll", ReadWholeFile(first));
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
  EXPECT_EQ(linesBefore, LogLines().size());
}

TEST_F(FileUndoTest, BackupThatCannotBeDeletedStaysQuietly) {
  const std::string path = OverwrittenFile("velmora.exe");
  const std::string backup = Engine().m_backups.at(path);
  HeldFile scanner(backup);

  Engine().DiscardBackups();

  EXPECT_TRUE(FileExists(backup));
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

}  // namespace
