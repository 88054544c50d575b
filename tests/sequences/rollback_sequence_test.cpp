// The rollback sequence after a failed installation of the demo product on
// a real system: its progress reports and pauses, the order of its undo
// steps, and what it leaves behind.

#include <shlobj.h>

#include <algorithm>

#include "base/product.h"
#include "tests/engine/driver_services.h"
#include "tests/sequences/sequence_fixture.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace {

const std::vector<ProgressEvent> kRollbackEvents = {Position(40),    Report(35, 7), Report(25, 8), Report(15, 10),
                                                    Report(10, 11), Report(1, 12), Report(100, 5)};
const std::vector<DWORD> kRollbackPauses = {2000, 500, 500, 500, 500, 1000};

class RollbackSequence : public SequenceTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, m_harness.m_constructionFailure);
    ASSERT_TRUE(OpenPackage(SequencePackages::s_demo));
  }
  // Runs the installation, which must fail with the code, then the stop
  // step and the rollback; remembers where the rollback's records begin.
  void FailInstallWith(uint16_t code) {
    std::unique_ptr<CExceptionEx> failure = RunInstall();
    ASSERT_NE(nullptr, failure);
    ASSERT_EQ(code, failure->m_code) << m_calls.DescribeMutatingCalls();
    m_installEvents = m_harness.m_owner.m_events.size();
    m_installCalls = m_calls.MutatingCount();
    m_installPauses = m_calls.Sleeps().size();
    m_installLines = LogLines().size();
    RunStopAndRollback();
  }
  // Names of the calls the stop step and the rollback made that changed the
  // system, a run of calls of the same name counted once.
  std::vector<std::string> UndoCallKinds() const {
    std::vector<std::string> kinds;
    const auto& calls = m_calls.MutatingCalls();
    for (size_t i = m_installCalls; i < calls.size(); ++i) {
      if (kinds.empty() || kinds.back() != calls[i].name) kinds.push_back(calls[i].name);
    }
    return kinds;
  }
  std::vector<DWORD> UndoPauses() const {
    return std::vector<DWORD>(m_calls.Sleeps().begin() + static_cast<std::ptrdiff_t>(m_installPauses),
                              m_calls.Sleeps().end());
  }
  std::vector<std::string> UndoLines() const {
    const std::vector<std::string> lines = LogLines();
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(m_installLines), lines.end());
  }

  size_t m_installEvents = 0;
  size_t m_installCalls = 0;
  size_t m_installPauses = 0;
  size_t m_installLines = 0;
};

TEST_F(RollbackSequence, ReportsEveryUndoStepBackwardsWithItsPauses) {
  m_calls.FailCall("CreateDirectoryA", ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(684));

  EXPECT_EQ(kRollbackEvents, EventsFrom(m_installEvents));
  EXPECT_EQ(kRollbackPauses, UndoPauses());
}

TEST_F(RollbackSequence, ARollbackNobodyWatchesWalksTheSameStepsWithoutPausing) {
  Engine().m_skipPauses = true;
  m_calls.FailCall("CreateDirectoryA", ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(684));

  EXPECT_EQ(kRollbackEvents, EventsFrom(m_installEvents));
  EXPECT_TRUE(UndoPauses().empty());
  EXPECT_TRUE(m_calls.Sleeps().empty());
}

TEST_F(RollbackSequence, FailureBeforeAnyChangeStillWalksEveryStepAndTouchesNothing) {
  m_calls.FailMutatingCall(1, ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(579));

  EXPECT_EQ((std::vector<ProgressEvent>{Report(10, 0)}),
            std::vector<ProgressEvent>(m_harness.m_owner.m_events.begin(),
                                       m_harness.m_owner.m_events.begin() + static_cast<std::ptrdiff_t>(m_installEvents)));
  EXPECT_EQ(kRollbackEvents, EventsFrom(m_installEvents));
  EXPECT_EQ(kRollbackPauses, UndoPauses());
  EXPECT_TRUE(UndoCallKinds().empty()) << m_calls.DescribeMutatingCalls();
  EXPECT_TRUE(UndoLines().empty());
  EXPECT_FALSE(FileExists(SystemDriverPath(product::kControlDriverFile)));
}

TEST_F(RollbackSequence, UndoesServicesThenCreatedFilesThenRestoresThenDirectories) {
  // An earlier readme in an existing destination folder: the installation
  // backs it up and overwrites it; the rollback must put it back.
  ASSERT_TRUE(CreateDirectoryA(Dest().c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(Dest() + "\\" + product::kReadmeFile, "earlier readme"));
  // The desktop icon is the last shortcut: everything but the registry is done.
  m_calls.FailCall("IPersistFile::Save", ERROR_ACCESS_DENIED, 5);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(818));

  EXPECT_EQ((std::vector<std::string>{"ControlService", "DeleteService", "DeleteFileA", "MoveFileExA",
                                      "RemoveDirectoryA"}),
            UndoCallKinds())
      << m_calls.DescribeMutatingCalls();
  const std::vector<std::string> lines = UndoLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ("Stop Installed Service: velctl", lines[0]);
  EXPECT_EQ("Uninstall Service: velctl", lines[1]);
  EXPECT_EQ("Uninstall Service: velmon", lines[2]);
  EXPECT_EQ("RollBackInstallFiles: " + Dest() + "\\" + product::kReadmeFile, lines.back());

  EXPECT_EQ("earlier readme", ReadWholeFile(Dest() + "\\" + product::kReadmeFile));
  EXPECT_EQ(std::vector<std::string>{product::kReadmeFile}, FolderEntries(Dest()));
  EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
  EXPECT_FALSE(FileExists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk"));
  EXPECT_FALSE(FileExists(SystemDriverPath(product::kControlDriverFile)));
  EXPECT_FALSE(FileExists(SystemDriverPath(product::kMonitorDriverFile)));
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_FALSE(ServiceExists("velmon"));
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(RollbackSequence, StartMenuFailureLeavesNoRegistration) {
  m_calls.FailCall("SHGetSpecialFolderPathA", ERROR_PATH_NOT_FOUND);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(235));

  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, product::UninstallKeyPath()));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kDocumentExtension));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kProgId));
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_FALSE(DirectoryExists(Dest()));
}

TEST_F(RollbackSequence, RestoreOfAProgramInUseWaitsForTheRestart) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease());
  const std::string programPath = Dest() + "\\" + product::kProgramFile;
  const std::string earlierProgram = ReadWholeFile(programPath);
  HeldFile program(programPath);
  ASSERT_TRUE(program.Held());
  m_calls.FailCall("IPersistFile::Save", ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(818));

  // The flag the deferred replacement raised stays raised; the restore of
  // the program is handed to the restart, so its backup must stay.
  EXPECT_EQ(1, m_harness.m_restartRequired);
  program.Release();
  EXPECT_EQ(earlierProgram, ReadWholeFile(programPath));
  const std::vector<std::string> copies = TempCopies(Dest());
  ASSERT_EQ(1u, copies.size()) << "only the program's backup should remain";
  EXPECT_EQ(earlierProgram, ReadWholeFile(Dest() + "\\" + copies[0]));
  EXPECT_EQ(Engine().m_backups.at(programPath), Dest() + "\\" + copies[0]);
  const std::vector<std::string> lines = UndoLines();
  const auto restore = std::find(lines.begin(), lines.end(), "RollBackInstallFiles: " + programPath);
  ASSERT_NE(lines.end(), restore);
  ASSERT_NE(lines.end(), restore + 1);
  EXPECT_EQ(CInstallEngine::kRebootWarning, *(restore + 1));
}

TEST_F(RollbackSequence, ADriverStoppedForTheUpgradeRunsAgainFromItsRestoredFile) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease(true));
  const std::string controlDriver = SystemDriverPath(product::kControlDriverFile);
  const std::string earlierDriver = ReadWholeFile(controlDriver);
  m_calls.UseRealSleep(true);  // the driver's own time to stop
  Engine().m_skipPauses = true;
  // After the new driver was started: the stop step must stop it again.
  m_calls.FailCall("IPersistFile::Save", ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(FailInstallWith(818));

  EXPECT_EQ(earlierDriver, ReadWholeFile(controlDriver));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState("velctl"));
  EXPECT_TRUE(TempCopies(SystemDriverFolder()).empty());
  EXPECT_EQ(0, m_harness.m_restartRequired);
  const std::vector<std::string> lines = UndoLines();
  const auto restore = std::find(lines.begin(), lines.end(), "RollBackInstallFiles: " + controlDriver);
  EXPECT_NE(lines.end(), std::find(restore, lines.end(), "Start Installed Service: velctl"));
}

}  // namespace
