// The uninstaller against hand-made installed states. It must remove what
// the setup installs and nothing else, and leave what is in use to the
// restart; demo_after_restart_test checks the machine after that restart.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/handles.h"
#include "base/product.h"
#include "tests/demo/installed_state.h"
#include "tests/demo/restart_scenario.h"
#include "tests/demo/running_program.h"
#include "tests/demo/window_probe.h"
#include "tests/framework/resource_languages.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace {
constexpr DWORD kUninstallTimeoutMs = 60000;
constexpr DWORD kWindowTimeoutMs = 20000;
constexpr DWORD kRemovedNow = 0;
constexpr DWORD kRemovedAtRestart = ERROR_SUCCESS_REBOOT_REQUIRED;
constexpr const char* kCaption = "Velmora Uninstall";

bool IsPendingDeletion(const std::string& path) {
  return HasPendingRename(path, "");
}

DWORD RunUninstaller(const std::string& folder, const std::string& arguments) {
  return RunProgram(UninstallerCommand(folder, arguments), kUninstallTimeoutMs).exitCode;
}

// Everything the setup puts outside the destination folder is gone.
void ExpectNothingLeftOutsideTheFolder(const InstallChoice& choice) {
  for (const std::string& name : StartMenuItemNames()) {
    EXPECT_FALSE(FileExists(StartMenuFolderOf(choice) + "\\" + name)) << name;
  }
  EXPECT_FALSE(DirectoryExists(StartMenuFolderOf(choice)));
  EXPECT_FALSE(FileExists(DesktopIconPath()));
  EXPECT_FALSE(FileExists(QuickLaunchIconPath()));
  EXPECT_FALSE(ServiceExists(kControlService));
  EXPECT_FALSE(ServiceExists(kMonitorService));
  EXPECT_FALSE(FileExists(DriverFilePath(product::kControlDriverFile)));
  EXPECT_FALSE(FileExists(DriverFilePath(product::kMonitorDriverFile)));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kDocumentExtension));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kProgId));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

void ExpectStillInstalled(const InstallChoice& choice) {
  for (const std::string& name : ProgramFileNames()) {
    EXPECT_TRUE(FileExists(choice.destFolder + "\\" + name)) << name;
  }
  for (const std::string& name : StartMenuItemNames()) {
    EXPECT_TRUE(FileExists(StartMenuFolderOf(choice) + "\\" + name)) << name;
  }
  EXPECT_TRUE(FileExists(DesktopIconPath()));
  EXPECT_TRUE(ServiceExists(kControlService));
  EXPECT_TRUE(ServiceExists(kMonitorService));
  EXPECT_TRUE(FileExists(DriverFilePath(product::kControlDriverFile)));
  EXPECT_EQ(product::kProgId, ReadRegistryString(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr));
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
}  // namespace

TEST(Uninstaller, RemovesWhatTheSetupInstalledAndKeepsTheUsersFile) {
  InstallChoice choice;
  choice.destFolder = kFolderWithUsersFile;
  ASSERT_TRUE(MakeInstalledState(choice));
  ASSERT_TRUE(WriteWholeFile(choice.destFolder + "\\" + kUsersFileName, kUsersFileText));
  ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kControlService));

  // Run from the installed copy, as the Start Menu's uninstall shortcut does.
  DWORD exitCode = RunUninstaller(choice.destFolder, "/quiet");

  ExpectNothingLeftOutsideTheFolder(choice);
  for (const std::string& name : ProgramFileNames()) {
    if (name == product::kUninstallerFile) continue;
    EXPECT_FALSE(FileExists(choice.destFolder + "\\" + name)) << name;
  }
  // The running uninstaller cannot delete itself (where the system lets it,
  // it is gone at once); what stays is left to the restart, but nothing of
  // the product waits for it: no restart is asked for.
  std::string uninstaller = choice.destFolder + "\\" + product::kUninstallerFile;
  EXPECT_EQ(FileExists(uninstaller), IsPendingDeletion(uninstaller))
      << (FileExists(uninstaller) ? "left, but not for the restart" : "gone, yet left for the restart");
  EXPECT_EQ(kRemovedNow, exitCode);
  EXPECT_EQ(kUsersFileText, ReadWholeFile(choice.destFolder + "\\" + kUsersFileName));
  EXPECT_FALSE(IsPendingDeletion(choice.destFolder)) << "the folder holds the user's file";
}

// A file held open by something that is no program of the product (nothing
// the uninstaller could close) waits for the restart, and so does its folder.
TEST(Uninstaller, AFileHeldOpenAndItsFolderGoAtTheRestart) {
  InstallChoice choice;
  choice.destFolder = kFolderEmptiedAtRestart;
  choice.startMenuFolder = "Velmora Clean";
  choice.desktopIcon = false;
  choice.quickLaunchIcon = false;
  ASSERT_TRUE(MakeInstalledState(choice));
  std::string program = choice.destFolder + "\\" + product::kProgramFile;
  HeldFile held(program);
  ASSERT_TRUE(held.Held());

  DWORD exitCode = RunUninstaller(choice.destFolder, "/quiet");

  EXPECT_EQ(kRemovedAtRestart, exitCode);
  ExpectNothingLeftOutsideTheFolder(choice);
  EXPECT_TRUE(IsPendingDeletion(program));
  EXPECT_TRUE(IsPendingDeletion(choice.destFolder));
  for (const std::string& name : FolderEntries(choice.destFolder)) {
    EXPECT_TRUE(IsPendingDeletion(choice.destFolder + "\\" + name)) << name;
  }
  // The folder goes after the files in it, in the order Windows works through.
  std::vector<PendingRename> pending = PendingFileRenames();
  auto folderEntry = std::find_if(pending.begin(), pending.end(),
                                  [&](const PendingRename& rename) { return rename.from == choice.destFolder; });
  auto programEntry = std::find_if(pending.begin(), pending.end(),
                                   [&](const PendingRename& rename) { return rename.from == program; });
  EXPECT_LT(programEntry - pending.begin(), folderEntry - pending.begin());
}

TEST(Uninstaller, ReplacementWaitingForTheRestartDoesNotBringTheProgramBack) {
  InstallChoice choice;
  choice.destFolder = kFolderWithPendingReplacement;
  choice.startMenuFolder = "Velmora Replaced";
  ASSERT_TRUE(MakeInstalledState(choice));
  // The setup found velmora.exe in use and left its new copy for the restart.
  const std::string program = choice.destFolder + "\\" + product::kProgramFile;
  const std::string newCopy = program + "_12345678.tmp";
  ASSERT_TRUE(WriteWholeFile(newCopy, "the new velmora.exe"));
  ASSERT_TRUE(MoveFileExA(newCopy.c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));

  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));

  EXPECT_FALSE(FileExists(newCopy));
  // Nor a move of a copy that no longer exists.
  EXPECT_FALSE(HasPendingRename(newCopy, program));
  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  ExpectNothingLeftOutsideTheFolder(choice);
}

TEST(Uninstaller, LeavesOtherProgramsItemsInSharedPlaces) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Shared";
  choice.startMenuFolder = "Velmora Shared";
  choice.quickLaunchIcon = false;
  ASSERT_TRUE(MakeInstalledState(choice));
  // Since the installation the user put a note into the Start Menu folder,
  // another program took over ".tms", and the desktop "Velmora.lnk" was
  // pointed at another program.
  std::string usersShortcut = StartMenuFolderOf(choice) + "\\My Velmora notes.url";
  ASSERT_TRUE(WriteWholeFile(usersShortcut, "[InternetShortcut]\r\nURL=http://example.com/notes\r\n"));
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr, "Other.Document"));
  ASSERT_TRUE(MakeShortcut("C:\\windows\\notepad.exe", DesktopIconPath()));

  // Run from outside the installation: everything goes at once.
  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));

  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  EXPECT_EQ(std::vector<std::string>{"My Velmora notes.url"}, FolderEntries(StartMenuFolderOf(choice)));
  EXPECT_EQ("Other.Document", ReadRegistryString(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kProgId));
  EXPECT_TRUE(FileExists(DesktopIconPath()));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  RemoveTree(StartMenuFolderOf(choice));
  DeleteFileA(DesktopIconPath().c_str());
  DeleteRegistryTree(HKEY_CLASSES_ROOT, product::kDocumentExtension);
}

TEST(Uninstaller, KeepsOtherEntriesOfTheDocumentExtension) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Extension";
  ASSERT_TRUE(MakeInstalledState(choice));
  const std::string openWith = std::string(product::kDocumentExtension) + "\\OpenWithProgids";
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, openWith, "Other.Document", ""));

  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));

  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, openWith));
  EXPECT_FALSE(ReadRegistryValue(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr).present);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, product::kProgId));
  DeleteRegistryTree(HKEY_CLASSES_ROOT, product::kDocumentExtension);
}

TEST(Uninstaller, WithoutInstallLocationFindsTheFolderThroughTheUninstallString) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Located";
  ASSERT_TRUE(MakeInstalledState(choice));
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation");

  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));

  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  ExpectNothingLeftOutsideTheFolder(choice);
}

TEST(Uninstaller, ReadsAnExpandableInstallLocationExpanded) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Expanded";
  ASSERT_TRUE(MakeInstalledState(choice));
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation",
                                  "%SystemDrive%\\Velmora Expanded", REG_EXPAND_SZ));
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");

  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));

  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  ExpectNothingLeftOutsideTheFolder(choice);
}

TEST(Uninstaller, DeclinedConfirmationChangesNothing) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Declined";
  ASSERT_TRUE(MakeInstalledState(choice));

  RunningProgram uninstaller(UninstallerCommand(kDemoFolder, ""));
  std::string question = AnswerMessageBox(uninstaller.Id(), kCaption, IDNO, kWindowTimeoutMs);

  EXPECT_EQ("Are you sure you want to completely remove Velmora and all of its components?", question);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_USEREXIT), uninstaller.WaitForExit(kUninstallTimeoutMs));
  ExpectStillInstalled(choice);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kControlService));

  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));
  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  ExpectNothingLeftOutsideTheFolder(choice);
}

TEST(Uninstaller, ConfirmedRemovalIsReportedToTheUser) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora Confirmed";
  ASSERT_TRUE(MakeInstalledState(choice));

  RunningProgram uninstaller(UninstallerCommand(kDemoFolder, ""));
  AnswerMessageBox(uninstaller.Id(), kCaption, IDYES, kWindowTimeoutMs);
  std::string report = AnswerMessageBox(uninstaller.Id(), kCaption, IDOK, kUninstallTimeoutMs);

  EXPECT_EQ("Velmora was successfully removed from your computer.", report);
  EXPECT_EQ(kRemovedNow, uninstaller.WaitForExit(kUninstallTimeoutMs));
  EXPECT_FALSE(DirectoryExists(choice.destFolder));
  ExpectNothingLeftOutsideTheFolder(choice);
}

TEST(Uninstaller, EveryTextExistsInEveryLanguage) {
  const std::string path = std::string(kDemoFolder) + "\\" + product::kUninstallerFile;
  unique_hmodule uninstaller(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(uninstaller) << path;
  int englishTexts = 0;
  for (int id = 0; id < 32; ++id) englishTexts += StringInLanguage(uninstaller.get(), id, kEnglishUs).empty() ? 0 : 1;
  EXPECT_EQ(englishTexts, 11);
  for (const TranslatedLanguage& language : kTranslatedLanguages) {
    for (int id = 0; id < 32; ++id) {
      EXPECT_EQ(StringInLanguage(uninstaller.get(), id, kEnglishUs).empty(),
                StringInLanguage(uninstaller.get(), id, language.id).empty())
          << "text " << id << " in " << language.code;
    }
  }
}

TEST(Uninstaller, WithoutRegistrationReportsThatNothingIsInstalled) {
  ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT), RunUninstaller(kDemoFolder, "/quiet"));

  RunningProgram uninstaller(UninstallerCommand(kDemoFolder, ""));
  EXPECT_EQ("Velmora is not installed on this computer.",
            AnswerMessageBox(uninstaller.Id(), kCaption, IDOK, kWindowTimeoutMs));
  EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT), uninstaller.WaitForExit(kUninstallTimeoutMs));
}

TEST(Uninstaller, SpeaksTheLanguageTheSetupRecorded) {
  InstallChoice choice;
  choice.destFolder = "C:\\Velmora German";
  ASSERT_TRUE(MakeInstalledState(choice));
  ASSERT_TRUE(WriteRegistryNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "Language", 0x407));

  RunningProgram uninstaller(UninstallerCommand(kDemoFolder, ""));
  // German in the prefix's code page, Windows-1252.
  const std::string question = AnswerMessageBox(uninstaller.Id(), "Velmora deinstallieren", IDNO, kWindowTimeoutMs);

  EXPECT_EQ("M\xf6" "chten Sie Velmora und alle zugeh\xf6rigen Komponenten wirklich vollst\xe4ndig entfernen?",
            question);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_USEREXIT), uninstaller.WaitForExit(kUninstallTimeoutMs));
  EXPECT_EQ(kRemovedNow, RunUninstaller(kDemoFolder, "/quiet"));
  ExpectNothingLeftOutsideTheFolder(choice);
}
