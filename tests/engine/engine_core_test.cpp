// The engine's construction, teardown, log, restart flag and journal.

#include <gtest/gtest.h>

#include "base/product.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kRunOnceLine = "Create 'RunOnce' registry key entry";


TEST(EngineInitialization, AdministratorGetsAnEngineWithAnEmptyJournal) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  CProductInstallEngine& engine = harness.Engine();
  EXPECT_TRUE(engine.m_scm.valid());
  EXPECT_TRUE(engine.m_created.empty());
  EXPECT_TRUE(engine.m_startedServices.empty());
  EXPECT_TRUE(engine.m_backups.empty());
  EXPECT_TRUE(engine.m_serviceCapture.empty());
  EXPECT_EQ(CPackageFileStore::kOk, engine.Store().Status());
  EXPECT_EQ(0u, engine.Store().EntryCount());
  EXPECT_EQ(&harness.m_owner, engine.m_app);
}

TEST(EngineInitialization, IsAdministratorUnderTheTestAccount) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  EXPECT_TRUE(harness.Engine().IsAdministrator());
}

TEST(EngineInitialization, UnreadableTokenMeansNoAdministratorAndCode61) {
  FaultyCalls calls;
  calls.FailCall("OpenProcessToken", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);
  EngineHarness harness;

  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(61, harness.m_constructionFailure->m_code);
  EXPECT_EQ(19, harness.m_constructionFailure->m_module);
  EXPECT_EQ(1313u, harness.m_constructionFailure->m_arg0);
  EXPECT_EQ(nullptr, harness.m_engine);
  EXPECT_EQ(std::vector<std::string>{"Error: No such admin privilege"}, harness.LogLines());
  // Nothing else is done: no service manager, no registry.
  EXPECT_EQ(0, calls.Count("OpenSCManagerA"));
  EXPECT_EQ(0, calls.MutatingCount());
}

TEST(EngineInitialization, TokenWithoutTheAdministratorsGroupIsRefused) {
  FaultyCalls calls;
  calls.FailCallsFrom("EqualSid", ERROR_SUCCESS);  // no group ever matches
  ScopedSystemCalls seam(calls);
  EngineHarness harness;

  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(61, harness.m_constructionFailure->m_code);
  EXPECT_EQ(1313u, harness.m_constructionFailure->m_arg0);
  EXPECT_GT(calls.Count("EqualSid"), 0);
  EXPECT_EQ(1, calls.Count("FreeSid"));
  EXPECT_EQ(std::vector<std::string>{"Error: No such admin privilege"}, harness.LogLines());
}

TEST(EngineInitialization, UnavailableGroupListIsRefused) {
  FaultyCalls calls;
  calls.FailCall("GetTokenInformation", ERROR_INSUFFICIENT_BUFFER);
  ScopedSystemCalls seam(calls);
  EngineHarness harness;

  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(61, harness.m_constructionFailure->m_code);
  EXPECT_EQ(0, calls.Count("AllocateAndInitializeSid"));
}

TEST(EngineInitialization, RefusedServiceManagerIsCode70WithTheSystemError) {
  FaultyCalls calls;
  calls.FailCall("OpenSCManagerA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);
  EngineHarness harness;

  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(70, harness.m_constructionFailure->m_code);
  EXPECT_EQ(19, harness.m_constructionFailure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), harness.m_constructionFailure->m_arg0);
  EXPECT_EQ(std::vector<std::string>{"Error: Init Service Control Manager"}, harness.LogLines());
  EXPECT_EQ(0, calls.Count("RegCreateKeyExA"));
  EXPECT_EQ(0, calls.Count("CloseServiceHandle"));
}

TEST(EngineInitialization, MissingRunOnceKeyIsCreatedEmptyAndLoggedOnce) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRunOnceKey);
  ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kRunOnceKey));

  EngineHarness harness(EngineHarness::RunOnceKey::AsItIs);
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kRunOnceKey));
  EXPECT_TRUE(RegistryValueNames(HKEY_LOCAL_MACHINE, kRunOnceKey).empty());
  EXPECT_EQ(std::vector<std::string>{kRunOnceLine}, harness.LogLines());

  EngineHarness second;
  EXPECT_TRUE(second.LogLines().empty());
}

TEST(EngineInitialization, ExistingRunOnceKeyIsLeftAloneSilently) {
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kRunOnceKey, "VelmoraProbe", "kept"));
  {
    FaultyCalls calls;
    ScopedSystemCalls seam(calls);
    EngineHarness harness;
    ASSERT_EQ(nullptr, harness.m_constructionFailure);
    EXPECT_TRUE(harness.LogLines().empty());
    // Opening keys is all it does: no value is written.
    EXPECT_EQ(0, calls.Count("RegSetValueExA"));
    EXPECT_EQ(2, calls.Count("RegCreateKeyExA"));
  }
  EXPECT_EQ("kept", ReadRegistryString(HKEY_LOCAL_MACHINE, kRunOnceKey, "VelmoraProbe"));
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "VelmoraProbe");
}

TEST(EngineInitialization, RunOnceFailureIsIgnored) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRunOnceKey);
  {
    FaultyCalls calls;
    calls.FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED, 2);
    ScopedSystemCalls seam(calls);
    EngineHarness harness(EngineHarness::RunOnceKey::AsItIs);
    ASSERT_EQ(nullptr, harness.m_constructionFailure);
    EXPECT_TRUE(harness.LogLines().empty());
  }
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kRunOnceKey));
  CreateRegistryKey(HKEY_LOCAL_MACHINE, kRunOnceKey);
}

TEST(EngineInitialization, WorksWithoutALogFile) {
  CProductInstallEngine* engine = nullptr;
  RecordingOwner owner;
  auto failure = CatchEngineFailure([&] { engine = new CProductInstallEngine(INVALID_HANDLE_VALUE, &owner); });
  EXPECT_EQ(nullptr, failure);
  ASSERT_NE(nullptr, engine);
  engine->Log("Restart System");
  delete engine;
}

TEST(EngineTeardown, ClosesTheServiceManagerOnce) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  {
    EngineHarness harness;
    ASSERT_EQ(nullptr, harness.m_constructionFailure);
    EXPECT_EQ(0, calls.Count("CloseServiceHandle"));
  }
  EXPECT_EQ(1, calls.Count("OpenSCManagerA"));
  EXPECT_EQ(1, calls.Count("CloseServiceHandle"));
}

TEST(EngineTeardown, LeavesBackupFilesOnDisk) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  const std::string target = harness.m_folder.File("app.exe");
  ASSERT_TRUE(WriteWholeFile(target, "old"));
  harness.Engine().BackupFile("app.exe", harness.m_folder.Path());
  ASSERT_EQ(1u, harness.Engine().m_backups.size());
  const std::string backup = harness.Engine().m_backups.begin()->second;

  harness.DestroyEngine();
  EXPECT_EQ("old", ReadWholeFile(backup));
  EXPECT_EQ("old", ReadWholeFile(target));
}

TEST(EngineLog, WritesLabelAndArgumentAsOneLine) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  harness.Engine().Log("Install File: ", "C:\\Program Files\\Velmora\\velmora.exe");
  harness.Engine().Log("Restart System");
  harness.Engine().Log("Restart System", nullptr);
  EXPECT_EQ("Install File: C:\\Program Files\\Velmora\\velmora.exe\r\nRestart System\r\nRestart System\r\n",
            harness.m_log.Text());
}

TEST(EngineRestartFlag, RequireRestartStoresOneAndLogsTheWarning) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  EXPECT_FALSE(harness.Engine().RestartIsRequired());
  harness.Engine().RequireRestart();
  EXPECT_EQ(1, harness.m_restartRequired);
  EXPECT_TRUE(harness.Engine().RestartIsRequired());
  EXPECT_EQ(std::vector<std::string>{"Warning: === Reboot required to complete operation ==="}, harness.LogLines());
}

TEST(EngineRestartFlag, WithoutAFlagOnlyTheWarningIsLogged) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  harness.Engine().m_pRestartRequired = nullptr;
  harness.Engine().RequireRestart();
  EXPECT_FALSE(harness.Engine().RestartIsRequired());
  EXPECT_EQ(1u, harness.LogLines().size());
}

TEST(EngineException, ThrowsAHeapObjectWithItsFields) {
  auto failure = CatchEngineFailure([] { CInstallEngine::Throw(579, 19, ERROR_PATH_NOT_FOUND); });
  ASSERT_NE(nullptr, failure);
  EXPECT_EQ(579, failure->m_code);
  EXPECT_EQ(19, failure->m_module);
  EXPECT_EQ(3u, failure->m_arg0);
}

TEST(EngineJournal, KeysAreCaseSensitiveAndOrderedByUnsignedBytes) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  CInstallEngine& engine = harness.Engine();
  engine.RecordCreatedFile("C:\\velmora\\\xE9t\xE9.txt");
  engine.RecordCreatedFile("C:\\velmora\\a.txt");
  engine.RecordCreatedFile("C:\\velmora\\A.txt");
  engine.RecordCreatedFile("C:\\velmora");

  std::vector<std::string> keys;
  for (const auto& entry : engine.m_created) keys.push_back(entry.first);
  const std::vector<std::string> expected = {"C:\\velmora", "C:\\velmora\\A.txt", "C:\\velmora\\a.txt",
                                             "C:\\velmora\\\xE9t\xE9.txt"};
  EXPECT_EQ(expected, keys);
}

TEST(EngineJournal, RecordingAPathAgainKeepsOneEntryWithTheLastKind) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  CInstallEngine& engine = harness.Engine();
  const std::string path = harness.m_folder.File("made");
  engine.CreateDir(path);
  ASSERT_EQ(KindDirectory, engine.m_created.at(path));
  engine.RecordCreatedFile(path);
  EXPECT_EQ(1u, engine.m_created.size());
  EXPECT_EQ(KindFile, engine.m_created.at(path));
}

TEST(OpenPackage, ExecutableWithoutAPackageReportsItDamaged) {
  EngineHarness harness;
  ASSERT_EQ(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(CPackageFileStore::kDamaged, harness.Engine().OpenPackage());
  EXPECT_EQ(0u, harness.Engine().Store().EntryCount());
}

}  // namespace
