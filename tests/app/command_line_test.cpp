// The command line: splitting as every Windows program splits it, the
// switches, the folder checks the wizard shares with it, and the exit code
// each outcome selects.

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/folder_checks.h"
#include "package/package_status.h"
#include "res/resource.h"

namespace {

// The system's own splitting of the same line.
std::vector<std::string> SystemSplit(const std::string& line) {
  std::wstring wide(line.size() + 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) {
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, words[i], -1, text, sizeof text, nullptr, nullptr);
    result.push_back(text);
  }
  LocalFree(words);
  return result;
}

SetupOptions Read(const std::vector<std::string>& arguments) { return ReadSetupOptions(arguments); }

}  // namespace

TEST(CommandLine, SplitsEveryLineExactlyAsTheSystemDoes) {
  const char* lines[] = {
      "setup.exe",
      "\"C:\\Program Files\\velmora-setup.exe\" /quiet",
      "setup.exe /dir=\"C:\\Program Files\\Velmora\" /group=Velmora",
      "setup.exe \"/dir=C:\\Program Files\\Velmora\"",
      "setup.exe   /quiet\t/norestart   ",
      "setup.exe a\\\\b \\\\\\\"c \"d e\\\\\" f\\\\\\\\\"g h\"",
      "setup.exe \"a\"\"b\" \"c\"\"\"d\" e\"\"\"\"f \"\"",
      "setup.exe \"\" x \"\"\"\"\"\" y",
      "setup.exe a\\b\\\\c \"\\\\server\\share\\dir\"",
      "\"setup with blanks.exe\"x /help",
      "setup.exe /tasks=",
  };
  for (const char* line : lines) {
    EXPECT_EQ(SplitCommandLine(line), SystemSplit(line)) << line;
  }
}

TEST(CommandLine, ReadsDoubleByteCharactersWholeAndBackslashesInSwitchValuesAsThemselves) {
  struct Case {
    UINT codePage;
    const char* line;
    std::vector<std::string> arguments;
  };
  // 932: the second bytes of "\x8b\x40\x94\x5c" (two characters ending in 0x5C)
  // and "\x83\x7c"; 936: "\x81\x5c" and "\x83\x7c".
  const Case cases[] = {
      {932, "setup.exe \"D:\\\x8b\x40\x94\x5c\" /quiet", {"setup.exe", "D:\\\x8b\x40\x94\x5c", "/quiet"}},
      {932, "\"C:\\\x94\x5c\\setup.exe\" \"\x83\x7c\\\x94\x5c\" x", {"C:\\\x94\x5c\\setup.exe", "\x83\x7c\\\x94\x5c", "x"}},
      {936, "setup.exe \"D:\\\x81\x5c\" \"\x83\x7c\" /passive", {"setup.exe", "D:\\\x81\x5c", "\x83\x7c", "/passive"}},
      {CP_ACP, "setup.exe /dir=\"D:\\Apps\\Velmora\\\" /quiet", {"setup.exe", "/dir=D:\\Apps\\Velmora\\", "/quiet"}},
      {CP_ACP, "setup.exe \"/log=C:\\logs\\\\\" -tasks=\\\"", {"setup.exe", "/log=C:\\logs\\\\", "-tasks=\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line, c.codePage), c.arguments) << c.line;
}

TEST(CommandLine, SwitchesStartWithSlashOrDashInAnyCaseAndTakeValuesAfterEquals) {
  const SetupOptions options =
      Read({"-QUIET", "/Dir=D:\\Apps\\Velmora", "/GROUP=Tools\\Velmora", "/tasks=Desktop", "/log=C:\\setup.log",
            "-ForceRestart"});
  ASSERT_TRUE(options.Valid()) << options.invalidReason.str();
  EXPECT_EQ(options.mode, RunMode::Quiet);
  EXPECT_TRUE(options.hasDestination);
  EXPECT_EQ(options.destination.str(), "D:\\Apps\\Velmora");
  EXPECT_EQ(options.startMenu.str(), "Tools\\Velmora");
  EXPECT_TRUE(options.hasTasks);
  EXPECT_TRUE(options.desktopIcon);
  EXPECT_FALSE(options.quickLaunchIcon);
  EXPECT_EQ(options.logCopy.str(), "C:\\setup.log");
  EXPECT_EQ(options.restart, RestartChoice::Force);

  const SetupOptions passive = Read({"/passive", "/norestart", "/NoClose", "/tasks=", "/tasks2=x"});
  EXPECT_EQ(passive.mode, RunMode::Passive);
  EXPECT_TRUE(passive.keepProgramsRunning);
  EXPECT_EQ(passive.restart, RestartChoice::Never);
  EXPECT_TRUE(passive.hasTasks);
  EXPECT_FALSE(passive.desktopIcon);
  EXPECT_FALSE(passive.quickLaunchIcon);
  EXPECT_EQ(passive.invalidArgument.str(), "/tasks2=x");

  const SetupOptions none = Read({});
  EXPECT_TRUE(none.Valid());
  EXPECT_EQ(none.mode, RunMode::Wizard);
  EXPECT_EQ(none.restart, RestartChoice::Ask);
  EXPECT_FALSE(none.hasDestination || none.hasStartMenu || none.hasTasks || none.help || none.keepProgramsRunning);
  EXPECT_TRUE(Read({"/?"}).help);
  EXPECT_TRUE(Read({"-HELP"}).help);
  const SetupOptions both = Read({"/tasks=quicklaunch,DESKTOP"});
  EXPECT_TRUE(both.desktopIcon && both.quickLaunchIcon);
  // A folder's trailing backslash goes, but never the second byte of a character.
  const SetupOptions trailing = Read({"/dir=D:\\Apps\\Velmora\\", "/group=Tools\\"});
  EXPECT_EQ(trailing.destination.str(), "D:\\Apps\\Velmora");
  EXPECT_EQ(trailing.startMenu.str(), "Tools");
  const SetupOptions japanese = ReadSetupOptions({"/dir=D:\\\x95\x5c", "/group=\x95\x5c\\"}, 932);
  ASSERT_TRUE(japanese.Valid()) << japanese.invalidReason.str();
  EXPECT_EQ(japanese.destination.str(), "D:\\\x95\x5c");
  EXPECT_EQ(japanese.startMenu.str(), "\x95\x5c");
  // /lang names the wizard's language by its code, in any case.
  const struct {
    const char* argument;
    LANGID language;
  } languages[] = {{"/lang=en", 0x409}, {"/lang=de", 0x407}, {"/lang=FR", 0x40C}, {"/lang=es", 0xC0A},
                   {"/lang=ru", 0x419}, {"-lang=ja", 0x411}, {"/lang=zh-cn", 0x804}, {"/lang=ar", 0x401}};
  for (const auto& language : languages) {
    const SetupOptions chosen = Read({"/quiet", language.argument});
    EXPECT_TRUE(chosen.Valid()) << language.argument;
    EXPECT_EQ(chosen.language, language.language) << language.argument;
  }
  EXPECT_EQ(none.language, 0);
}

TEST(CommandLine, EveryWrongArgumentIsNamedWithItsReasonAndTheModeIsStillKnown) {
  struct Case {
    std::vector<std::string> arguments;
    const char* wrong;
    const char* reason;
  };
  const Case cases[] = {
      {{"/quiet", "/silent"}, "/silent", "unknown switch"},
      {{"install"}, "install", "not a switch"},
      {{"/quiet", "/quiet"}, "/quiet", "the switch is given twice"},
      {{"/dir=C:\\A", "/DIR=C:\\B"}, "/DIR=C:\\B", "the switch is given twice"},
      {{"/quiet", "/passive"}, "/passive", "/quiet and /passive exclude each other"},
      {{"/norestart", "/forcerestart"}, "/forcerestart", "/norestart and /forcerestart exclude each other"},
      {{"/dir"}, "/dir", "the switch needs a value after '='"},
      {{"/quiet=yes"}, "/quiet=yes", "this switch takes no value"},
      {{"/noclose=1"}, "/noclose=1", "this switch takes no value"},
      {{"/noclose", "-NOCLOSE"}, "-NOCLOSE", "the switch is given twice"},
      {{"/log="}, "/log=", "the switch needs a file name after '='"},
      {{"/tasks=desktop,start"}, "/tasks=desktop,start", "unknown task \"start\": the tasks are desktop and quicklaunch"},
      {{"/tasks=desktop,"}, "/tasks=desktop,", "unknown task \"\": the tasks are desktop and quicklaunch"},
      {{"/lang=pt"}, "/lang=pt", "unknown language: the languages are en, de, fr, es, ru, ja, zh-CN, ar"},
      {{"/lang=zh-TW"}, "/lang=zh-TW", "unknown language: the languages are en, de, fr, es, ru, ja, zh-CN, ar"},
      {{"/lang"}, "/lang", "the switch needs a value after '='"},
  };
  for (const Case& c : cases) {
    const SetupOptions options = Read(c.arguments);
    EXPECT_FALSE(options.Valid()) << c.wrong;
    EXPECT_EQ(options.invalidArgument.str(), c.wrong);
    EXPECT_EQ(options.invalidReason.str(), c.reason) << c.wrong;
  }
  // A wrong folder says what the wizard's page would say.
  const SetupOptions folder = Read({"/dir=Velmora", "/passive"});
  EXPECT_EQ(folder.mode, RunMode::Passive);
  EXPECT_EQ(folder.invalidArgument.str(), "/dir=Velmora");
  EXPECT_EQ(folder.invalidReason.str(), FolderProblemText(IDS_DESTINATION_NOT_ABSOLUTE, "Velmora").str());
  EXPECT_EQ(Read({"/group=..\\Startup"}).invalidReason.str(),
            FolderProblemText(IDS_START_MENU_NOT_RELATIVE, "..\\Startup").str());
}

TEST(FolderChecks, TheDestinationIsAnAbsolutePathOnADriveOrAShareThatTheEngineCanHandle) {
  for (const char* good : {"C:\\Program Files\\Velmora", "d:\\Velmora", "\\\\server\\share\\Velmora",
                           "\\\\server\\share", "C:\\Program Files (x86)\\Brenthaven Velmora 1.7",
                           "D:\\Apps\\Velmora\\", "\\\\server\\share\\", "D:\\.config\\ Velmora",
                           "C:\\Apps\\Console", "C:\\COM10", "C:\\LPT0\\NULL", "C:\\Apps\\con-1"}) {
    EXPECT_EQ(DestinationFolderProblem(good), 0u) << good;
  }
  for (const char* bad : {"", "Velmora", "Program Files\\Velmora", "\\Velmora", "C:Velmora", "C:", "1:\\Velmora",
                          "\\\\server", "\\\\server\\", "\\\\?\\C:\\Velmora", "\\\\.\\C:\\Velmora",
                          "C:\\Velmora\\\\", "C:\\A\\\\B", "C:\\A\\..\\B", "C:\\A\\.", "C:\\Ve|mora", "C:\\a:b",
                          "C:\\Velmora?", "C:/Velmora", "C:\\", "D:\\", "D:\\Apps\\Velmora ", "D:\\Apps.\\Velmora",
                          "D:\\Apps \\Velmora\\", "C:\\Apps\\CON", "C:\\Apps\\NUL\\Velmora", "C:\\LPT1",
                          "C:\\Apps\\COM1.txt", "C:\\aux.tar.gz\\V", "C:\\prn .log", "\\\\server\\share\\Com9"}) {
    EXPECT_EQ(DestinationFolderProblem(bad), static_cast<UINT>(IDS_DESTINATION_NOT_ABSOLUTE)) << bad;
  }
  // The longest program file and its backup copy must still fit MAX_PATH.
  const int longest = MaxDestinationFolderLength();
  EXPECT_EQ(longest + 1 + static_cast<int>(std::string("velmorastub32.exe").size()) + 13, MAX_PATH - 1);
  const std::string fits = "C:\\" + std::string(longest - 3, 'a');
  EXPECT_EQ(DestinationFolderProblem(fits.c_str()), 0u);
  EXPECT_EQ(DestinationFolderProblem((fits + "a").c_str()), static_cast<UINT>(IDS_DESTINATION_TOO_LONG));
  EXPECT_EQ(FolderProblemText(IDS_DESTINATION_TOO_LONG, "C:\\x").str(),
            "The folder \"C:\\x\" is too long.\nPlease enter a path of at most " + std::to_string(longest) +
                " characters.");
}

TEST(FolderChecks, TheStartMenuFolderIsANameBelowTheProgramsFolder) {
  for (const char* good : {"Velmora", "Brenthaven\\Velmora", "Velmora 1.7", "My.Tools", "Velmora\\", "Console",
                           "COM0"}) {
    EXPECT_EQ(StartMenuFolderProblem(good), 0u) << good;
  }
  for (const char* bad : {"", "..", "..\\Startup", "Velmora\\..\\..\\Startup", "C:\\Velmora", "C:Velmora",
                          "\\Velmora", "\\\\server\\share", "Velmora\\\\", "A\\\\B", "Vel*mora", "...",
                          "Velmora ", "Tools.\\Velmora", "\\", "CON", "Tools\\nul", "lpt9.lnk\\Velmora"}) {
    EXPECT_EQ(StartMenuFolderProblem(bad), static_cast<UINT>(IDS_START_MENU_NOT_RELATIVE)) << bad;
  }
  EXPECT_EQ(FolderProblemText(IDS_START_MENU_NOT_RELATIVE, "..").str(),
            "Setup cannot create the Start Menu folder \"..\".\nPlease enter a folder name below the Programs "
            "folder, without a drive and without \"..\" parts.");
  // Its longest shortcut and that shortcut's backup copy must still fit MAX_PATH.
  char programs[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE));
  const int longest = MAX_PATH - 1 - static_cast<int>(std::strlen(programs) + std::strlen("\\") +
                                                      std::strlen("\\Velmora Uninstall Wizard.lnk_12345678.tmp"));
  const std::string fits(longest, 'a');
  EXPECT_EQ(StartMenuFolderProblem(fits.c_str()), 0u);
  EXPECT_EQ(StartMenuFolderProblem((fits + "a").c_str()), static_cast<UINT>(IDS_START_MENU_TOO_LONG));
  EXPECT_EQ(StartMenuFolderProblem(std::string(300, 'a').c_str()), static_cast<UINT>(IDS_START_MENU_TOO_LONG));
  EXPECT_EQ(FolderProblemText(IDS_START_MENU_TOO_LONG, "x").str(),
            "The Start Menu folder \"x\" is too long.\nPlease enter a name of at most " + std::to_string(longest) +
                " characters.");
}

TEST(FolderChecks, DoubleByteFoldersAreReadByCharactersOfTheirCodePage) {
  // Second bytes 0x7C ('|') and 0x5C ('\\'): 932 "\x83\x7c..." and
  // "\x88\xea\x97\x97\x95\x5c"; 936 "\x83\x7c" and "\x81\x5c".
  struct Case {
    UINT codePage;
    const char* destination;
    const char* startMenu;
  };
  const Case cases[] = {
      {932, "D:\\\x83\x7c\x81\x5b\x83\x5e\x83\x75\x83\x8b\\Velmora", "\x88\xea\x97\x97\x95\x5c\\Velmora"},
      {932, "D:\\\x88\xea\x97\x97\x95\x5c\\Velmora", "\x83\x7c\x81\x5b\x83\x5e"},
      {936, "D:\\\x83\x7c\\Velmora", "\x81\x5c\\Velmora"},
      {936, "D:\\\x81\x5c", "\x83\x7c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DestinationFolderProblem(c.destination, c.codePage), 0u) << c.codePage << " " << c.destination;
    EXPECT_EQ(StartMenuFolderProblem(c.startMenu, c.codePage), 0u) << c.codePage << " " << c.startMenu;
    EXPECT_EQ(WithoutTrailingBackslash(c.destination, c.codePage).str(), c.destination);
  }
}

TEST(ExitCodes, EachOutcomeHasTheNumberDeploymentToolsKnow) {
  EXPECT_EQ(ExitCodeFor(RunOutcome{}), 0);
  RunOutcome outcome;
  outcome.restartRequired = true;
  EXPECT_EQ(ExitCodeFor(outcome), 3010);
  outcome.restartStarted = true;
  EXPECT_EQ(ExitCodeFor(outcome), 1641);
  outcome = RunOutcome{};
  outcome.cancelled = true;
  EXPECT_EQ(ExitCodeFor(outcome), 1602);
  outcome.packageStatus = kPackageDamaged;
  EXPECT_EQ(ExitCodeFor(outcome), 1620);  // the package's fault, not the user's cancel
  outcome.packageStatus = kPackageReadFailed;
  EXPECT_EQ(ExitCodeFor(outcome), 1620);
  outcome.packageStatus = kPackageNoMemory;
  EXPECT_EQ(ExitCodeFor(outcome), 1603);
  outcome = RunOutcome{};
  outcome.installFailed = true;
  outcome.restartRequired = true;
  EXPECT_EQ(ExitCodeFor(outcome), 1603);  // a rolled-back run that left work for a restart is still a failure
  outcome = RunOutcome{};
  outcome.unexpectedFailure = true;
  EXPECT_EQ(ExitCodeFor(outcome), 1603);

  RunOutcome start;
  RecordStartFailure(ERROR_NO_SUCH_PRIVILEGE, &start);
  EXPECT_EQ(ExitCodeFor(start), 740);
  start = RunOutcome{};
  RecordStartFailure(0xE0000233, &start);
  EXPECT_EQ(ExitCodeFor(start), 1633);
  start = RunOutcome{};
  RecordStartFailure(ERROR_OLD_WIN_VERSION, &start);
  EXPECT_EQ(ExitCodeFor(start), 1633);
  start = RunOutcome{};
  RecordStartFailure(ERROR_ACCESS_DENIED, &start);
  EXPECT_EQ(ExitCodeFor(start), 1603);
  start.newerInstalled = true;
  start.cancelled = true;
  EXPECT_EQ(ExitCodeFor(start), 1638);  // the Cancel after the refusal's box is no cancel of the user's
  start.windowsUnsupported = true;
  EXPECT_EQ(ExitCodeFor(start), 1633);
  start.anotherRunning = true;
  EXPECT_EQ(ExitCodeFor(start), 1618);
  start.commandLineInvalid = true;
  EXPECT_EQ(ExitCodeFor(start), 1639);
}
