// Start-up: flags, log file, default folders, the engine's construction
// failures and the messages they show, the package status messages.

#include <gtest/gtest.h>

#include <shlobj.h>

#include "app/text_ids.h"
#include "engine/product.h"
#include "res/resource.h"
#include "tests/app/app_harness.h"
#include "tests/support/test_files.h"

TEST(StartUp, FlagsStartAsTheWizardExpects) {
  AppHarness harness(AppHarness::StartUp::None);
  CSetupApp& app = harness.m_app;
  app.m_restartRequired = 1;
  app.m_restartPageUsed = 1;
  app.SetInitialFlags();
  EXPECT_EQ(app.m_desktopIcon, 1);
  EXPECT_EQ(app.m_quickLaunchIcon, 1);
  EXPECT_EQ(app.m_licenseAccepted, 0);
  EXPECT_EQ(app.m_launchProduct, 1);
  EXPECT_EQ(app.m_restartRequired, 0);
  EXPECT_EQ(app.m_restartPageUsed, 0);
  EXPECT_EQ(app.m_openQuickStart, 0);
  EXPECT_EQ(app.m_installFailed, 0);
  EXPECT_EQ(app.m_engine, nullptr);
  EXPECT_FALSE(app.m_hLogFile.valid());
}

TEST(StartUp, DefaultFoldersAreProgramFilesVelmoraAndVelmora) {
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_app.SetDefaultFolders();
  char programFiles[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE));
  EXPECT_EQ(harness.m_app.m_destFolder.str(), std::string(programFiles) + "\\Velmora");
  EXPECT_EQ(harness.m_app.m_startMenuFolder.str(), "Velmora");
}

TEST(StartUp, TheLogFileIsCreatedEmptyInTheSystemDirectory) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string path = std::string(system) + "\\velmora-install.log";
  ASSERT_TRUE(WriteWholeFile(path, "lines of an earlier run\r\n"));
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_app.CreateLogFile();
  EXPECT_EQ(harness.m_app.LogFilePath().str(), path);
  EXPECT_TRUE(harness.m_app.m_hLogFile.valid());
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(StartUp, TheEngineIsBuiltOverTheLogFileWithTheApplicationAsOwner) {
  AppHarness harness;
  ASSERT_NE(harness.m_app.m_engine, nullptr);
  EXPECT_EQ(harness.m_app.m_engine->m_app, static_cast<IInstallOwner*>(&harness.m_app));
  harness.m_app.m_engine->Log("probe line");
  EXPECT_NE(harness.LogText().find("probe line\r\n"), std::string::npos);
  EXPECT_TRUE(harness.m_calls.MessageBoxes().empty());
}

TEST(EngineConstruction, ArgumentsMapToTheirMessages) {
  EXPECT_EQ(ConstructionFailureTextId(1150), static_cast<UINT>(IDS_OLD_WINDOWS));
  EXPECT_EQ(ConstructionFailureTextId(1313), static_cast<UINT>(IDS_NOT_ADMINISTRATOR));
  EXPECT_EQ(ConstructionFailureTextId(0xE0000233), static_cast<UINT>(IDS_WIN32_ONLY));
  EXPECT_EQ(ConstructionFailureTextId(5), static_cast<UINT>(IDS_INIT_ERROR));
  EXPECT_EQ(ConstructionFailureTextId(0), static_cast<UINT>(IDS_INIT_ERROR));
  EXPECT_EQ(ConstructionFailureTextId(0xfffffffd), static_cast<UINT>(IDS_INIT_ERROR));
  EXPECT_EQ(ProductText(IDS_OLD_WINDOWS),
            "You have to run this program on the OS not lower Windows 2000 Service Pack 4.");
  EXPECT_EQ(ProductText(IDS_WIN32_ONLY), "You have to run this Setup Wizard on Windows 32bit platform only!");
}

TEST(EngineConstruction, ANonAdministratorSeesMessage20AndTheLogStays) {
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_faults.FailCallsFrom("OpenProcessToken", ERROR_ACCESS_DENIED);
  harness.m_app.SetInitialFlags();
  harness.m_app.CreateLogFile();
  EXPECT_FALSE(harness.m_app.ConstructEngine());
  EXPECT_EQ(harness.m_app.m_engine, nullptr);
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].viaAfx);
  EXPECT_EQ(boxes[0].text, "You have to be logged in as an administrator while installing this program!");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(harness.LogText(), "Error: No such admin privilege\r\n");
}

TEST(EngineConstruction, AServiceManagerThatCannotBeOpenedShowsMessage26) {
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_faults.FailCall("OpenSCManagerA", ERROR_ACCESS_DENIED);
  harness.m_app.CreateLogFile();
  EXPECT_FALSE(harness.m_app.ConstructEngine());
  const auto boxes = harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Setup Wizard initialization error");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(harness.LogText(), "Error: Init Service Control Manager\r\n");
}

TEST(EngineConstruction, TheRunEndsAfterTheMessageWithoutAnyPage) {
  AppHarness harness(AppHarness::StartUp::None);
  harness.m_faults.FailCallsFrom("OpenProcessToken", ERROR_ACCESS_DENIED);
  // A page would wait for a user here; the test would time out.
  EXPECT_FALSE(harness.m_app.InitInstance());
  EXPECT_EQ(harness.m_calls.MessageBoxes().size(), 1u);
  // The log stays with what the engine wrote, flushed and closed.
  EXPECT_EQ(ReadWholeFile(harness.m_app.LogFilePath().str()), "Error: No such admin privilege\r\n");
  EXPECT_FALSE(harness.m_app.m_hLogFile.valid());
  EXPECT_EQ(harness.m_app.m_engine, nullptr);
}

TEST(PackageStatus, EachStatusHasItsMessage) {
  EXPECT_EQ(ProductText(PackageStatusTextId(-1)), "Error of modules unpacking");
  EXPECT_EQ(ProductText(PackageStatusTextId(-2)), "Installation package is damaged");
  EXPECT_EQ(ProductText(PackageStatusTextId(-3)), "System resourses are not enough to complete the installation");
  EXPECT_EQ(ProductText(PackageStatusTextId(7)), "There is an error occurred while modules initialization");
  EXPECT_EQ(ProductText(PackageStatusTextId(-4)), "There is an error occurred while modules initialization");
}

TEST(PackageStatus, AnExecutableWithoutPackageIsReportedDamaged) {
  AppHarness harness;
  CString message = "untouched";
  EXPECT_EQ(harness.m_app.InitializePackage(message), -2);
  EXPECT_EQ(message.str(), "Installation package is damaged");
}

TEST(TaskTexts, EveryIndexHasItsTextAndNineAndOutsideHaveNone) {
  const char* expected[] = {"Copying files is in progress...", "Installing kernel mode drivers...",
                            "Install main program module...",  "Starting drivers...",
                            "Create start menu items...",      "Finish installation...",
                            "Stop running services...",        "Remove installed services...",
                            "Clear registry entry...",         "",
                            "Delete created files...",         "Restore overwritten files...",
                            "Delete directory..."};
  for (int task = 0; task < 13; ++task) {
    const UINT id = TaskTextId(task);
    EXPECT_EQ(id != 0 ? ProductText(id) : std::string(), expected[task]) << task;
  }
  EXPECT_EQ(TaskTextId(13), 0u);
  EXPECT_EQ(TaskTextId(-1), 0u);
}
