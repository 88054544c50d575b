// The uninstall registration and the document-type registration.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/product.h"
#include "engine/installed_product.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_package.h"
#include "tests/support/test_registry.h"

namespace {

// Names of this test program's own, so that the product's real entries are
// never touched.
const std::string kKeyName = "{VelmoraTest-" + std::to_string(GetCurrentProcessId()) + "}";
const std::string kUninstallKey = product::kUninstallRoot + kKeyName;
const std::string kProgId = "Velmora.Test" + std::to_string(GetCurrentProcessId());
const std::string kExtension = ".velmoratest" + std::to_string(GetCurrentProcessId());
constexpr const char* kFolder = "C:\\Program Files\\Velmora Suite";
constexpr const char* kProgram = "C:\\Program Files\\Velmora Suite\\velmora.exe";
// The document-type texts are built in a buffer of this size.
constexpr size_t kTextBuffer = 528;

class RegistryEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(nullptr, m_harness.m_constructionFailure); }

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  // The value names the engine wrote, in the order it wrote them (the
  // registry itself lists values sorted by name).
  static std::vector<std::string> WrittenValues(const FaultyCalls& calls) {
    std::vector<std::string> names;
    for (const auto& call : calls.MutatingCalls()) {
      if (call.name == "RegSetValueExA") names.push_back(call.argument.substr(call.argument.rfind('\\') + 1));
    }
    return names;
  }
  std::string Default(const std::string& key) const { return ReadRegistryString(HKEY_CLASSES_ROOT, key, nullptr); }
  int RegisterWithProgram(const std::string& program) {
    return Engine().RegisterDocumentType(kExtension, kProgId, program, product::kOpenArgument,
                                         product::kDocumentIconIndex);
  }

  ScopedRegistryCleanup m_uninstallCleanup{HKEY_LOCAL_MACHINE, kUninstallKey};
  ScopedRegistryCleanup m_progIdCleanup{HKEY_CLASSES_ROOT, kProgId};
  ScopedRegistryCleanup m_extensionCleanup{HKEY_CLASSES_ROOT, kExtension};
  EngineHarness m_harness;
};

// Uninstall registration

TEST_F(RegistryEntriesTest, UninstallValuesAreWrittenInOrderAsStrings) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  Engine().WriteUninstallValues(kKeyName, kFolder, "Velmora", "uninstall.exe", "Velmora");

  EXPECT_EQ((std::vector<std::string>{"InstallLocation", "UninstallString", "StartMenuLocation", "DisplayName"}),
            WrittenValues(calls));
  EXPECT_EQ(4u, RegistryValueNames(HKEY_LOCAL_MACHINE, kUninstallKey).size());
  const RegistryValue location = ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), location.type);
  EXPECT_EQ(std::string(kFolder) + '\0', location.data);
  EXPECT_EQ("\"C:\\Program Files\\Velmora Suite\\uninstall.exe\"",
            ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
  EXPECT_EQ("Velmora", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "StartMenuLocation"));
  EXPECT_EQ("Velmora", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  EXPECT_TRUE(m_harness.LogLines().empty());
}

TEST_F(RegistryEntriesTest, UninstallStringIsQuotedSoABlankCannotSplitTheCommandLine) {
  Engine().WriteUninstallValues(kKeyName, "C:\\Program Files", "Velmora", "uninstall.exe", "Velmora");
  const std::string command = ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  EXPECT_EQ("\"C:\\Program Files\\uninstall.exe\"", command);
  // InstallLocation is a folder, not a command line: it stays as given.
  EXPECT_EQ("C:\\Program Files", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"));
}

TEST_F(RegistryEntriesTest, ReinstallOverwritesItsValuesAndKeepsOthers) {
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", "D:\\Old"));
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.6"));

  Engine().WriteUninstallValues(kKeyName, kFolder, "Tools\\Velmora", "uninstall.exe", "Velmora");

  EXPECT_EQ(kFolder, ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"));
  EXPECT_EQ("Tools\\Velmora", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "StartMenuLocation"));
  EXPECT_EQ("1.6", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
}

TEST_F(RegistryEntriesTest, UninstallKeyThatCannotBeCreatedWritesNothingAndSaysNothing) {
  FaultyCalls calls;
  calls.FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  Engine().WriteUninstallValues(kKeyName, kFolder, "Velmora", "uninstall.exe", "Velmora");

  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(0, calls.Count("RegSetValueExA"));
  EXPECT_TRUE(m_harness.LogLines().empty());
}

TEST_F(RegistryEntriesTest, FailedValueDoesNotStopTheOthers) {
  FaultyCalls calls;
  calls.FailCall("RegSetValueExA", ERROR_ACCESS_DENIED, 2);
  ScopedSystemCalls seam(calls);

  Engine().WriteUninstallValues(kKeyName, kFolder, "Velmora", "uninstall.exe", "Velmora");

  std::vector<std::string> names = RegistryValueNames(HKEY_LOCAL_MACHINE, kUninstallKey);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"DisplayName", "InstallLocation", "StartMenuLocation"}), names);
  EXPECT_EQ(4, calls.Count("RegSetValueExA"));
}

TEST_F(RegistryEntriesTest, RegisterUninstallWritesTheProductsKeyFromTheOwnersChoices) {
  // Written out, not taken from the product's header: the key Windows lists
  // the product under, a typo there would hide it from the list of programs.
  const std::string productKey =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F0C2D71-9B4E-4A86-8D15-6E2B7C40A9D3}";
  ScopedRegistryCleanup productCleanup(HKEY_LOCAL_MACHINE, productKey);
  m_harness.m_owner.m_destFolder = kFolder;
  m_harness.m_owner.m_startMenuFolder = "Velmora";

  m_harness.m_owner.m_desktopIcon = 0;
  m_harness.m_owner.m_quickLaunchIcon = 1;
  m_harness.m_owner.m_language = 0x411;  // Japanese
  // Sizes of 1023 + 2 bytes of drivers and 1 of each program file: 2 KB.
  ASSERT_EQ(0, FillStore(Engine().Store(), {{"velctl.sys", std::string(1023, 'c')}, {"velmon.sys", "mo"},
                                            {"velmora.exe", "p"}, {"uninstall.exe", "u"}, {"license.rtf", "r"}}));
  FaultyCalls calls;
  calls.PretendWow64(false);
  ScopedSystemCalls seam(calls);

  Engine().RegisterUninstall();

  EXPECT_EQ((std::vector<std::string>{"InstallLocation", "UninstallString", "StartMenuLocation", "DisplayName",
                                      "DisplayVersion", "Publisher", "DisplayIcon", "EstimatedSize", "InstallDate",
                                      "QuietUninstallString", "NoModify", "NoRepair", "URLInfoAbout", "VersionMajor",
                                      "VersionMinor", "Language", "DesktopIcon", "QuickLaunchIcon"}),
            WrittenValues(calls));
  const std::string uninstaller = "\"C:\\Program Files\\Velmora Suite\\uninstall.exe\"";
  const std::map<std::string, std::string> texts = {
      {"InstallLocation", kFolder}, {"UninstallString", uninstaller}, {"StartMenuLocation", "Velmora"},
      {"DisplayName", "Velmora"}, {"DisplayVersion", "1.7"}, {"Publisher", "Brenthaven Software"},
      {"DisplayIcon", std::string(kProgram) + ",0"}, {"QuietUninstallString", uninstaller + " /quiet"},
      {"URLInfoAbout", "http://www.brenthaven-software.com/velmora.html"}};
  for (const auto& text : texts) {
    EXPECT_EQ(text.second, ReadRegistryString(HKEY_LOCAL_MACHINE, productKey, text.first.c_str())) << text.first;
  }
  const std::map<std::string, DWORD> numbers = {{"EstimatedSize", 2}, {"NoModify", 1}, {"NoRepair", 1},
                                                {"VersionMajor", 1},  {"VersionMinor", 7}, {"DesktopIcon", 0},
                                                {"QuickLaunchIcon", 1}, {"Language", 0x411}};
  for (const auto& number : numbers) {
    const RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, productKey, number.first.c_str());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << number.first;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&number.second), 4), value.data) << number.first;
  }
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  const std::string date = ReadRegistryString(HKEY_LOCAL_MACHINE, productKey, "InstallDate");
  EXPECT_EQ(std::to_string(now.wYear * 10000 + now.wMonth * 100 + now.wDay), date);

  // What a second run reads back.
  const InstalledProduct installed = ReadInstalledProduct();
  EXPECT_TRUE(installed.present);
  EXPECT_EQ(kFolder, installed.installLocation);
  EXPECT_EQ("Velmora", installed.startMenuLocation);
  EXPECT_EQ("1.7", installed.displayVersion);
  EXPECT_TRUE(installed.hasTasks);
  EXPECT_EQ(0, installed.desktopIcon);
  EXPECT_EQ(1, installed.quickLaunchIcon);
  EXPECT_EQ(SecondRun::Repair, PlanSecondRun(installed));
}

TEST(SecondRun, ExpandableTextsAreReadExpanded) {
  const std::string key = product::UninstallKeyPath();
  ScopedRegistryCleanup cleanup(HKEY_LOCAL_MACHINE, key);
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, key, "InstallLocation", "%SystemDrive%\\Apps", REG_EXPAND_SZ));
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, key, "StartMenuLocation", "Tools", REG_EXPAND_SZ));
  ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, key, "DisplayVersion", "9.0", REG_EXPAND_SZ));
  const InstalledProduct installed = ReadInstalledProduct();
  EXPECT_EQ("C:\\Apps", installed.installLocation);
  EXPECT_EQ("Tools", installed.startMenuLocation);
  EXPECT_EQ(SecondRun::Downgrade, PlanSecondRun(installed));
}

TEST(SecondRun, VersionsCompareAsNumbersPartByPart) {
  struct Case {
    const char* installed;
    SecondRun run;
  };
  for (const Case& c : {Case{"", SecondRun::Upgrade}, Case{"1.6", SecondRun::Upgrade},
                        Case{"1.6.9", SecondRun::Upgrade}, Case{"0.17", SecondRun::Upgrade},
                        Case{"1.7", SecondRun::Repair}, Case{"1.7.0", SecondRun::Repair},
                        Case{"1.10", SecondRun::Downgrade}, Case{"1.7.1", SecondRun::Downgrade},
                        Case{"2", SecondRun::Downgrade}, Case{"1.6-rc1", SecondRun::Upgrade},
                        Case{"1.7-rc2", SecondRun::Upgrade}, Case{"1.7 beta 2", SecondRun::Upgrade},
                        Case{"1.7.0-rc1", SecondRun::Upgrade}, Case{"01.007", SecondRun::Repair},
                        Case{"1.4294967303", SecondRun::Downgrade},
                        Case{"1.18446744073709551623", SecondRun::Downgrade}, Case{"1.8-rc1", SecondRun::Downgrade}}) {
    InstalledProduct installed;
    installed.present = true;
    installed.displayVersion = c.installed;
    EXPECT_EQ(c.run, PlanSecondRun(installed)) << c.installed;
  }
  EXPECT_EQ(SecondRun::Installation, PlanSecondRun(InstalledProduct()));
  // Two pre-releases of one version: their marks in natural order.
  EXPECT_LT(CompareVersions("1.7-rc2", "1.7-rc10"), 0);
  EXPECT_LT(CompareVersions("1.7-beta", "1.7-RC1"), 0);
  EXPECT_EQ(CompareVersions("1.7-rc01", "1.7-RC1"), 0);
  EXPECT_GT(CompareVersions("1.7-rc1.1", "1.7-rc1"), 0);
}

// Document type

TEST_F(RegistryEntriesTest, DocumentTypeHasIconShellOpenCommandAndExtension) {
  EXPECT_EQ(1, RegisterWithProgram(kProgram));

  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, kProgId));
  EXPECT_FALSE(ReadRegistryValue(HKEY_CLASSES_ROOT, kProgId, nullptr).present);
  EXPECT_EQ("C:\\Program Files\\Velmora Suite\\velmora.exe,44", Default(kProgId + "\\DefaultIcon"));
  EXPECT_EQ("open", Default(kProgId + "\\shell"));
  EXPECT_FALSE(ReadRegistryValue(HKEY_CLASSES_ROOT, kProgId + "\\shell\\open", nullptr).present);
  EXPECT_EQ("\"C:\\Program Files\\Velmora Suite\\velmora.exe\" -open \"%1\"",
            Default(kProgId + "\\shell\\open\\command"));
  EXPECT_EQ(kProgId, Default(kExtension));
  const RegistryValue command = ReadRegistryValue(HKEY_CLASSES_ROOT, kProgId + "\\shell\\open\\command", nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), command.type);
  EXPECT_EQ('\0', command.data.back());
  EXPECT_TRUE(m_harness.LogLines().empty());
}

TEST_F(RegistryEntriesTest, ReregisteringOverwritesDefaultsAndKeepsOtherValues) {
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, kExtension, nullptr, "Other.Program"));
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, kExtension, "Content Type", "text/plain"));
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, kProgId + "\\shell\\open\\command", nullptr, "old.exe %1"));

  EXPECT_EQ(1, RegisterWithProgram(kProgram));

  EXPECT_EQ(kProgId, Default(kExtension));
  EXPECT_EQ("text/plain", ReadRegistryString(HKEY_CLASSES_ROOT, kExtension, "Content Type"));
  EXPECT_EQ("\"C:\\Program Files\\Velmora Suite\\velmora.exe\" -open \"%1\"",
            Default(kProgId + "\\shell\\open\\command"));
}

TEST_F(RegistryEntriesTest, CommandThatFillsTheBufferExactlyIsWritten) {
  // Quotes, blank and the ten-character argument: 13 characters besides the path.
  const std::string program = "C:\\" + std::string(kTextBuffer - 1 - 13 - 3 - 4, 'v') + ".exe";
  ASSERT_EQ(kTextBuffer - 1, program.size() + 13);

  EXPECT_EQ(1, RegisterWithProgram(program));
  EXPECT_EQ("\"" + program + "\" -open \"%1\"", Default(kProgId + "\\shell\\open\\command"));
  EXPECT_EQ(kProgId, Default(kExtension));
}

TEST_F(RegistryEntriesTest, CommandOneCharacterTooLongIsRefusedBeforeTheExtensionIsAssociated) {
  const std::string program = "C:\\" + std::string(kTextBuffer - 13 - 3 - 4, 'v') + ".exe";
  ASSERT_EQ(kTextBuffer, program.size() + 13);

  EXPECT_EQ(0, RegisterWithProgram(program));

  // What came before stays; the command is neither cut short nor written.
  EXPECT_EQ(program + ",44", Default(kProgId + "\\DefaultIcon"));
  EXPECT_EQ("open", Default(kProgId + "\\shell"));
  EXPECT_FALSE(ReadRegistryValue(HKEY_CLASSES_ROOT, kProgId + "\\shell\\open\\command", nullptr).present);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kExtension));
}

TEST_F(RegistryEntriesTest, IconTextTooLongIsRefusedBeforeAnythingElse) {
  const std::string program = "C:\\" + std::string(kTextBuffer, 'v') + ".exe";

  EXPECT_EQ(0, RegisterWithProgram(program));

  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, kProgId + "\\DefaultIcon"));
  EXPECT_FALSE(ReadRegistryValue(HKEY_CLASSES_ROOT, kProgId + "\\DefaultIcon", nullptr).present);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kProgId + "\\shell"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kExtension));
}

TEST_F(RegistryEntriesTest, FirstFailingCallEndsTheRegistration) {
  FaultyCalls calls;
  calls.FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED, 3);  // "shell"
  ScopedSystemCalls seam(calls);

  EXPECT_EQ(0, RegisterWithProgram(kProgram));

  EXPECT_EQ(std::string(kProgram) + ",44", Default(kProgId + "\\DefaultIcon"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kProgId + "\\shell"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kExtension));
  EXPECT_EQ(3, calls.Count("RegCreateKeyExA"));
  EXPECT_EQ(1, calls.Count("RegSetValueExA"));
}

TEST_F(RegistryEntriesTest, FailedValueWriteEndsTheRegistration) {
  FaultyCalls calls;
  calls.FailCall("RegSetValueExA", ERROR_ACCESS_DENIED, 3);  // the command
  ScopedSystemCalls seam(calls);

  EXPECT_EQ(0, RegisterWithProgram(kProgram));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kExtension));
  EXPECT_EQ(5, calls.Count("RegCreateKeyExA"));
}

TEST_F(RegistryEntriesTest, EveryKeyOpenedIsClosed) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  EXPECT_EQ(1, RegisterWithProgram(kProgram));
  EXPECT_EQ(calls.Count("RegCreateKeyExA"), calls.Count("RegCloseKey"));
  EXPECT_EQ(6, calls.Count("RegCreateKeyExA"));
}

}  // namespace
