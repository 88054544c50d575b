// The machine after the uninstaller's tests and a restart: Windows has
// carried out every deletion the uninstaller left to it, and only the
// user's file remains.
#include <gtest/gtest.h>

#include "tests/demo/installed_state.h"
#include "tests/demo/restart_scenario.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

TEST(AfterRestart, NothingIsLeftPending) {
  EXPECT_TRUE(PendingFileRenames().empty());
}

TEST(AfterRestart, TheUsersFileKeepsItsFolder) {
  EXPECT_EQ(std::vector<std::string>{kUsersFileName}, FolderEntries(kFolderWithUsersFile));
  EXPECT_EQ(kUsersFileText, ReadWholeFile(std::string(kFolderWithUsersFile) + "\\" + kUsersFileName));
}

TEST(AfterRestart, TheFolderEmptiedByTheRestartIsGone) {
  EXPECT_FALSE(DirectoryExists(kFolderEmptiedAtRestart));
}

TEST(AfterRestart, TheReplacementLeftBySetupDoesNotBringTheProgramBack) {
  EXPECT_FALSE(DirectoryExists(kFolderWithPendingReplacement));
}

TEST(AfterRestart, NoDriverServiceComesBack) {
  EXPECT_FALSE(ServiceExists(kControlService));
  EXPECT_FALSE(ServiceExists(kMonitorService));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
