// Start-up: flags, log file, default folders, the engine's construction
// failures and the messages they show, the package status messages.

#include <gtest/gtest.h>

#include <shlobj.h>

#include "app/text_ids.h"
#include "base/product.h"
#include "framework/resource_language.h"
#include "res/resource.h"
#include "tests/app/app_harness.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

#include <stdexcept>
#include <string>

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

// What another program or a script left in the entry: a folder the folder
// checks refuse counts as not recorded, with a warning naming it.
TEST(StartUp, RecordedFoldersTheChecksRefuseAreNeverFollowed) {
  struct Case {
    const char* installLocation;
    const char* startMenuLocation;
    const char* destFolder;  // null: the default
    const char* startMenuFolder;
    const char* warning;  // null: none
  };
  const std::string tooLong(300, 'a');
  const Case cases[] = {
      {"D:\\Velmora", "..\\..\\..\\..\\..\\Outside", "D:\\Velmora", "Velmora",
       "Warning: Installed folder refused, not used: StartMenuLocation = ..\\..\\..\\..\\..\\Outside\r\n"},
      {"D:\\Velmora", tooLong.c_str(), "D:\\Velmora", "Velmora", "StartMenuLocation = aaaaaaaaaa"},
      {"C:\\Apps\\NUL\\Velmora", "Tools", nullptr, "Velmora",
       "Warning: Installed folder refused, not used: InstallLocation = C:\\Apps\\NUL\\Velmora\r\n"
       "Installed version: none, the product is not installed\r\n"},
      {"D:\\Velmora", "Tools\\Velmora", "D:\\Velmora", "Tools\\Velmora", nullptr},
  };
  for (const Case& c : cases) {
    ScopedRegistryCleanup cleanup(HKEY_LOCAL_MACHINE, product::UninstallKeyPath());
    WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "InstallLocation", c.installLocation);
    WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "StartMenuLocation", c.startMenuLocation);
    AppHarness harness;
    const std::string defaultFolder = harness.m_app.m_destFolder.str();
    harness.m_app.LearnInstalledProduct();
    harness.m_app.ApplyInstalledProduct();
    EXPECT_EQ(harness.m_app.m_destFolder.str(), c.destFolder ? c.destFolder : defaultFolder) << c.installLocation;
    EXPECT_EQ(harness.m_app.m_startMenuFolder.str(), c.startMenuFolder) << c.startMenuLocation;
    const std::string log = harness.LogText();
    EXPECT_EQ(log.find("Warning:") != std::string::npos, c.warning != nullptr) << log;
    if (c.warning) {
      EXPECT_NE(log.find(c.warning), std::string::npos) << log;
    }
  }
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
  EXPECT_EQ(ReadWholeFile(harness.m_app.LogFilePath().str()), "Error: No such admin privilege\r\nExit code: 740\r\n");
  EXPECT_EQ(harness.m_app.ExitInstance(), 740);
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

// --- The whole run from its command line ---------------------------------

namespace {

// A test binary carries no package: a run that gets as far as the package
// ends there. The log copy lands in a temporary folder.
struct WholeRun {
  explicit WholeRun(const std::string& arguments) : harness(AppHarness::StartUp::None) {
    CreateRegistryKey(HKEY_LOCAL_MACHINE, kRunOnceKey);
    harness.m_app.m_commandLine = "\"C:\\some folder\\velmora-setup.exe\" " + arguments;
  }
  int Run() {
    EXPECT_FALSE(harness.m_app.InitInstance());
    return harness.m_app.ExitInstance();
  }
  std::string Log() const { return ReadWholeFile(harness.m_app.LogFilePath().str()); }

  AppHarness harness;
};

// Engine calls that end in an exception nobody expects.
class ThrowingCalls : public FaultyCalls {
 public:
  enum class Kind { Cpp, AccessViolation };
  explicit ThrowingCalls(Kind kind) : m_kind(kind) {}
  SC_HANDLE OpenSCManagerA(LPCSTR, LPCSTR, DWORD) override {
    if (m_kind == Kind::Cpp) throw std::runtime_error("unexpected");
    RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    return nullptr;
  }

 private:
  Kind m_kind;
};

std::string SystemLogPath() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\velmora-install.log";
}

}  // namespace

TEST(WholeRun, AQuietRunWithoutPackageEndsWith1620SilentlyAndCopiesItsLog) {
  TempFolder folder;
  const std::string copy = folder.File("copy of the log.txt");
  WholeRun run("/quiet \"/log=" + copy + "\"");
  EXPECT_EQ(run.Run(), 1620);
  EXPECT_TRUE(run.harness.m_calls.MessageBoxes().empty());
  const std::string log = run.Log();
  // An argument with blanks is logged in quotes.
  EXPECT_NE(log.find("Command line: /quiet \"/log=" + copy + "\"\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Error: Installation package: Installation package is damaged\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - std::string("Exit code: 1620\r\n").size()), "Exit code: 1620\r\n");
  EXPECT_EQ(ReadWholeFile(copy), log);
}

TEST(WholeRun, AWrongSwitchIsShownInTheWizardAndOnlyLoggedInAQuietRun) {
  WholeRun wizard("/dir=C:\\Velmora /colour=blue");
  EXPECT_EQ(wizard.Run(), 1639);
  const auto boxes = wizard.harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Invalid command line argument: /colour=blue\nunknown switch");
  EXPECT_EQ(boxes[0].caption, "Velmora");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_NE(wizard.Log().find("Error: Invalid command line argument: /colour=blue: unknown switch\r\nExit code: 1639\r\n"),
            std::string::npos)
      << wizard.Log();

  WholeRun quiet("/colour=blue /quiet");
  EXPECT_EQ(quiet.Run(), 1639);
  EXPECT_TRUE(quiet.harness.m_calls.MessageBoxes().empty());
  EXPECT_NE(quiet.Log().find("Error: Invalid command line argument: /colour=blue: unknown switch\r\n"), std::string::npos);
}

TEST(WholeRun, HelpInAQuietRunIsOnlyLoggedAndHelpWithAWrongSwitchIsAWrongCommandLine) {
  WholeRun quiet("/quiet /?");
  EXPECT_EQ(quiet.Run(), 0);
  EXPECT_TRUE(quiet.harness.m_calls.MessageBoxes().empty());
  EXPECT_NE(quiet.Log().find("Message: Usage: "), std::string::npos) << quiet.Log();
  WholeRun wrong("/help /bogus");
  EXPECT_EQ(wrong.Run(), 1639);
  ASSERT_EQ(wrong.harness.m_calls.MessageBoxes().size(), 1u);
  EXPECT_EQ(wrong.harness.m_calls.MessageBoxes()[0].text, "Invalid command line argument: /bogus\nunknown switch");
}

TEST(WholeRun, HelpShowsTheUsageAndEndsWithZero) {
  for (const char* help : {"/?", "-Help"}) {
    WholeRun run(help);
    EXPECT_EQ(run.Run(), 0) << help;
    const auto boxes = run.harness.m_calls.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("Usage: ", 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("/quiet"), std::string::npos);
    EXPECT_NE(boxes[0].text.find("1639 invalid command line"), std::string::npos);
    EXPECT_EQ(boxes[0].caption, "Velmora");
  }
}

TEST(WholeRun, ASecondCopyEndsWith1618AndLeavesTheRunningCopysLogAlone) {
  unique_handle first(CreateMutexA(nullptr, TRUE, CSingleInstance::MutexName()));
  ASSERT_TRUE(first.valid());
  ASSERT_TRUE(WriteWholeFile(SystemLogPath(), "the running copy's lines\r\n"));
  TempFolder folder;
  const std::string copy = folder.File("second.log");

  WholeRun wizard("\"/log=" + copy + "\"");
  EXPECT_EQ(wizard.Run(), 1618);
  const auto boxes = wizard.harness.m_calls.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Another copy of Velmora Setup is already running.\nPlease wait until it has finished, then try again.");
  EXPECT_EQ(ReadWholeFile(SystemLogPath()), "the running copy's lines\r\n");
  EXPECT_EQ(ReadWholeFile(copy), "Error: Another copy of the setup is running\r\nExit code: 1618\r\n");

  WholeRun quiet("/quiet");
  EXPECT_EQ(quiet.Run(), 1618);
  EXPECT_TRUE(quiet.harness.m_calls.MessageBoxes().empty());
  EXPECT_EQ(ReadWholeFile(SystemLogPath()), "the running copy's lines\r\n");

  // Once the first copy has ended, the next one runs.
  first.reset();
  WholeRun after("/quiet");
  EXPECT_EQ(after.Run(), 1620);
}

TEST(WholeRun, AnExceptionNobodyExpectedIsLoggedTheLogKeptAndTheRunFails) {
  for (ThrowingCalls::Kind kind : {ThrowingCalls::Kind::Cpp, ThrowingCalls::Kind::AccessViolation}) {
    WholeRun run("");
    ThrowingCalls throwing(kind);
    ScopedSystemCalls seam(throwing);
    EXPECT_EQ(run.Run(), 1603);
    const std::string expected = kind == ThrowingCalls::Kind::Cpp ? "0xe06d7363 at 0x00000000" : "0xc0000005 at ";
    const std::string log = run.Log();
    EXPECT_NE(log.find("Error: Unexpected exception: " + expected), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - std::string("Exit code: 1603\r\n").size()), "Exit code: 1603\r\n");
    EXPECT_FALSE(run.harness.m_app.m_hLogFile.valid());
    EXPECT_TRUE(run.harness.m_calls.MessageBoxes().empty());
  }
  // A quiet run's silent door outlives the fault's jump and is put away at the end.
  WholeRun quiet("/quiet");
  ThrowingCalls throwing(ThrowingCalls::Kind::AccessViolation);
  ScopedSystemCalls seam(throwing);
  EXPECT_EQ(quiet.Run(), 1603);
  EXPECT_EQ(&AppCalls(), static_cast<IAppCalls*>(&quiet.harness.m_calls));
}

TEST(WholeRun, ALogThisRunCouldNotOpenIsNeitherCopiedNorTakenForItsOwn) {
  ASSERT_TRUE(WriteWholeFile(SystemLogPath(), "an earlier run's lines\r\n"));
  // A log collector holds the earlier log and lets nobody write it.
  unique_hfile collector(CreateFileA(SystemLogPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(collector.valid());
  TempFolder folder;
  const std::string copy = folder.File("copy.log");
  WholeRun run("/quiet \"/log=" + copy + "\"");
  EXPECT_EQ(run.Run(), 1620);
  EXPECT_TRUE(run.harness.m_app.LogFilePath().IsEmpty());
  const std::string copied = ReadWholeFile(copy);
  EXPECT_EQ(copied.find("earlier run"), std::string::npos) << copied;
  EXPECT_NE(copied.find("Error: Installation package: Installation package is damaged\r\nExit code: 1620\r\n"),
            std::string::npos)
      << copied;
  collector.reset();
  EXPECT_EQ(ReadWholeFile(SystemLogPath()), "an earlier run's lines\r\n");
}

TEST(WholeRun, TheLanguageComesFromLangElseTheInstalledProductElseWindowsUserInterfaceLanguage) {
  struct Case {
    LANGID ui;             // Windows' user interface language
    DWORD installed;       // the Language value of an installed product; 0: none installed
    const char* arguments;
    LANGID expected;
  };
  const Case cases[] = {
      {0x409, 0, "/quiet", 0x409},           {0x407, 0, "/quiet", 0x407},
      {0xC07, 0, "/quiet", 0x407},           // de-AT: German
      {0x80C, 0, "/quiet", 0x40C},           // fr-BE: French
      {0x2C0A, 0, "/quiet", 0xC0A},          // es-AR: Spanish
      {0x804, 0, "/quiet", 0x804},           {0x1004, 0, "/quiet", 0x804},  // zh-SG writes simplified
      {0x404, 0, "/quiet", 0x409},           // zh-TW writes traditional: English
      {0x416, 0, "/quiet", 0x409},           // pt-BR: no translation, English
      {0x3801, 0, "/quiet", 0x401},          // ar-AE: Arabic
      {0x407, 0, "/quiet /lang=ja", 0x411},  {0x411, 0, "/lang=en /quiet", 0x409},
      {0x407, 0x40C, "/quiet", 0x40C},       // the installed product's language
      {0x407, 0x40C, "/quiet /lang=ru", 0x419},
      {0x407, 0x416, "/quiet", 0x407},       // a recorded language the wizard does not speak
  };
  for (const Case& c : cases) {
    ScopedRegistryCleanup cleanup(HKEY_LOCAL_MACHINE, product::UninstallKeyPath());
    if (c.installed != 0) {
      WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "InstallLocation", "C:\\Velmora");
      WriteRegistryString(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "DisplayVersion", "1.7");
      WriteRegistryNumber(HKEY_LOCAL_MACHINE, product::UninstallKeyPath(), "Language", c.installed);
    }
    WholeRun run(c.arguments);
    run.harness.m_calls.UseUiLanguage(c.ui);
    EXPECT_EQ(run.Run(), 1620) << c.arguments;
    // What the engine records in the uninstall entry.
    EXPECT_EQ(run.harness.m_app.Language(), c.expected) << std::hex << "ui " << c.ui << ", installed " << c.installed
                                                        << ", " << c.arguments;
    // The log stays English.
    EXPECT_NE(run.Log().find("Error: Installation package: Installation package is damaged\r\n"), std::string::npos)
        << run.Log();
  }
  AfxSetResourceLanguage(0x409);
}

TEST(WholeRun, BoxesSpeakTheChosenLanguageAndAnUnknownLanguageIsAWrongArgument) {
  WholeRun german("/?");
  german.harness.m_calls.UseUiLanguage(0xC07);
  EXPECT_EQ(german.Run(), 0);
  CString usage;
  usage.LoadString(IDS_USAGE, 0x407);
  AfxSetResourceLanguage(0x409);
  ASSERT_EQ(german.harness.m_calls.MessageBoxes().size(), 1u);
  EXPECT_EQ(german.harness.m_calls.MessageBoxes()[0].text.substr(0, 12), usage.str().substr(0, 12));
  EXPECT_EQ(german.harness.m_calls.MessageBoxes()[0].text.find("Usage: "), std::string::npos);

  WholeRun unknown("/lang=klingon");
  EXPECT_EQ(unknown.Run(), 1639);
  ASSERT_EQ(unknown.harness.m_calls.MessageBoxes().size(), 1u);
  EXPECT_EQ(unknown.harness.m_calls.MessageBoxes()[0].text,
            "Invalid command line argument: /lang=klingon\nunknown language: the languages are en, de, fr, es, ru, ja, "
            "zh-CN, ar");
  WholeRun quiet("/quiet /lang=klingon");
  EXPECT_EQ(quiet.Run(), 1639);
  EXPECT_TRUE(quiet.harness.m_calls.MessageBoxes().empty());
  EXPECT_NE(quiet.Log().find("Error: Invalid command line argument: /lang=klingon: unknown language"), std::string::npos);
}
