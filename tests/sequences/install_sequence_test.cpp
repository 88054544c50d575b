// The installation sequence of the demo product on a real system: a clean
// installation, an upgrade over an earlier release, and an upgrade whose
// program is in use.

#include <shlobj.h>

#include <algorithm>
#include <map>

#include "base/handles.h"
#include "base/product.h"
#include "tests/engine/driver_services.h"
#include "tests/sequences/sequence_fixture.h"
#include "tests/support/shortcut_reader.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace {

const std::string kStubFile = std::string(product::kStubFilePrefix) + product::kStubFileSuffix;
const std::vector<std::string> kProgramFiles = {product::kProgramFile,     kStubFile,
                                                product::kLicenseTextFile, product::kReadmeFile,
                                                product::kUninstallerFile, product::kHelpFile};
const std::string kUninstallKey = product::UninstallKeyPath();
const std::string kWebShortcut = "Velmora on Web.url";

struct ShortcutExpectation {
  const char* name;
  const char* target;
};
const ShortcutExpectation kStartMenuShortcuts[] = {
    {"Velmora", product::kProgramFile},
    {"Velmora Help", product::kHelpFile},
    {"Velmora License", product::kLicenseTextFile},
    {"Velmora Uninstall Wizard", product::kUninstallerFile},
};

// Changes a service's start type and display name; false on failure.
bool ConfigureService(const std::string& name, DWORD startType, const std::string& displayName) {
  unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  unique_schandle service(manager ? ::OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS) : nullptr);
  return service && ::ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, displayName.c_str());
}

// The log without the engine construction's line about the RunOnce key.
std::vector<std::string> InstallationLines(std::vector<std::string> lines) {
  if (!lines.empty() && lines.front() == "Create 'RunOnce' registry key entry") lines.erase(lines.begin());
  return lines;
}

class InstallSequence : public SequenceTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, m_harness.m_constructionFailure);
    ASSERT_TRUE(OpenPackage(SequencePackages::s_demo));
  }
  std::string ProgramPath() const { return Dest() + "\\" + product::kProgramFile; }
};

TEST_F(InstallSequence, CleanInstallReportsEveryStepInOrder) {
  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ((std::vector<ProgressEvent>{Report(10, 0), Report(20, 0), Report(30, 0), Report(70, 1), Report(85, 3),
                                        Position(87), Report(90, 4), Report(95, 5), Report(100, 5)}),
            m_harness.m_owner.m_events);
  EXPECT_EQ((std::vector<DWORD>{200, 200, 200, 1000}), m_calls.Sleeps());
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(InstallSequence, AnInstallationNobodyWatchesReportsTheSameStepsWithoutPausing) {
  Engine().m_skipPauses = true;
  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ((std::vector<ProgressEvent>{Report(10, 0), Report(20, 0), Report(30, 0), Report(70, 1), Report(85, 3),
                                        Position(87), Report(90, 4), Report(95, 5), Report(100, 5)}),
            m_harness.m_owner.m_events);
  EXPECT_TRUE(m_calls.Sleeps().empty());
}

TEST_F(InstallSequence, CleanInstallPutsEveryPartOfTheProductInPlace) {
  ASSERT_EQ(nullptr, RunInstall());

  for (const std::string& driver : {std::string(product::kControlDriverFile), std::string(product::kMonitorDriverFile)}) {
    EXPECT_EQ(PackageContent(driver), ReadWholeFile(SystemDriverPath(driver))) << driver;
  }
  for (const std::string& name : kProgramFiles) {
    EXPECT_EQ(PackageContent(name), ReadWholeFile(Dest() + "\\" + name)) << name;
  }
  EXPECT_EQ(kProgramFiles.size(), FolderEntries(Dest()).size());

  for (const ShortcutExpectation& shortcut : kStartMenuShortcuts) {
    const ShortcutInfo link = ReadShortcut(StartMenuFolder() + "\\" + shortcut.name + ".lnk");
    EXPECT_TRUE(link.loaded) << shortcut.name;
    EXPECT_EQ(Dest() + "\\" + shortcut.target, link.path) << shortcut.name;
    EXPECT_EQ(Dest(), link.workingDirectory) << shortcut.name;
  }
  EXPECT_EQ(std::string("[InternetShortcut]\r\nURL=") + product::kWebPageUrl,
            ReadWholeFile(StartMenuFolder() + "\\" + kWebShortcut));
  EXPECT_EQ(ProgramPath(), ReadShortcut(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk").path);

  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState("velctl"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState("velmon"));
  const ServiceConfig control = ReadServiceConfig("velctl");
  EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), control.startType);
  EXPECT_EQ(SystemDriverPath(product::kControlDriverFile), control.imagePath);
  const ServiceConfig monitor = ReadServiceConfig("velmon");
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), monitor.startType);
  EXPECT_EQ("Velmora Monitor Driver", monitor.displayName);

  EXPECT_EQ(Dest(), ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"));
  // Both command lines quote the path: the destination may hold blanks.
  EXPECT_EQ("\"" + Dest() + "\\uninstall.exe\"",
            ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
  EXPECT_EQ("Velmora", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "StartMenuLocation"));
  EXPECT_EQ("Velmora", ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  // The document type's keys written out, not taken from the product's header.
  EXPECT_EQ("Brenthaven.Velmora", ReadRegistryString(HKEY_CLASSES_ROOT, ".tms", nullptr));
  EXPECT_EQ("open", ReadRegistryString(HKEY_CLASSES_ROOT, "Brenthaven.Velmora\\shell", nullptr));
  EXPECT_EQ("\"" + ProgramPath() + "\" -open \"%1\"",
            ReadRegistryString(HKEY_CLASSES_ROOT, "Brenthaven.Velmora\\shell\\open\\command", nullptr));
  EXPECT_EQ(ProgramPath() + ",44", ReadRegistryString(HKEY_CLASSES_ROOT, "Brenthaven.Velmora\\DefaultIcon", nullptr));

  EXPECT_TRUE(TempCopies(Dest()).empty());
  EXPECT_TRUE(TempCopies(SystemDriverFolder()).empty());
  EXPECT_TRUE(TempCopies(StartMenuFolder()).empty());
}

TEST_F(InstallSequence, CleanInstallJournalsEveryCreatedObject) {
  ASSERT_EQ(nullptr, RunInstall());

  std::map<std::string, JournalKind> expected = {
      {Dest(), KindDirectory},
      {StartMenuFolder(), KindDirectory},
      {SystemDriverPath(product::kControlDriverFile), KindFile},
      {SystemDriverPath(product::kMonitorDriverFile), KindFile},
      {StartMenuFolder() + "\\" + kWebShortcut, KindFile},
      {ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk", KindFile},
      {"velctl", KindCreatedService},
      {"velmon", KindCreatedService},
  };
  for (const std::string& name : kProgramFiles) expected[Dest() + "\\" + name] = KindFile;
  for (const ShortcutExpectation& shortcut : kStartMenuShortcuts) {
    expected[StartMenuFolder() + "\\" + shortcut.name + ".lnk"] = KindFile;
  }
  EXPECT_EQ(expected, Engine().m_created);
  EXPECT_EQ((std::map<std::string, JournalKind>{{"velctl", KindStartedService}}), Engine().m_startedServices);
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
}

TEST_F(InstallSequence, CleanInstallLogsTheStepsInSequenceOrder) {
  ASSERT_EQ(nullptr, RunInstall());

  std::vector<std::string> expected = {
      "Install File: " + SystemDriverPath(product::kControlDriverFile),
      "Install File: " + SystemDriverPath(product::kMonitorDriverFile),
      "CreateDirectory: " + Dest(),
  };
  for (const std::string& name : kProgramFiles) expected.push_back("Install File: " + Dest() + "\\" + name);
  expected.push_back("Install Driver: " + SystemDriverPath(product::kControlDriverFile));
  expected.push_back("Install Driver: " + SystemDriverPath(product::kMonitorDriverFile));
  expected.push_back("Start Installed Service: velctl");
  expected.push_back("CreateDirectory: " + StartMenuFolder());
  for (const ShortcutExpectation& shortcut : kStartMenuShortcuts) {
    expected.push_back("CreateShortcuts: " + StartMenuFolder() + "\\" + shortcut.name + ".lnk");
  }
  expected.push_back("Install File: " + StartMenuFolder() + "\\" + kWebShortcut);
  expected.push_back("CreateShortcuts: " + ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Velmora.lnk");
  EXPECT_EQ(expected, InstallationLines(LogLines()));
}

TEST_F(InstallSequence, RegistryEntriesAreWrittenAfterTheLastStepThatCanFail) {
  ASSERT_EQ(nullptr, RunInstall());

  // From the uninstall registration on, the installation only writes the
  // registry and deletes backups: nothing there can fail it any more.
  const std::vector<FaultyCalls::MutatingCall>& calls = m_calls.MutatingCalls();
  auto first = std::find_if(calls.begin(), calls.end(),
                            [](const FaultyCalls::MutatingCall& call) { return call.name == "RegCreateKeyExA"; });
  ASSERT_NE(calls.end(), first);
  EXPECT_EQ(kUninstallKey, first->argument);
  for (auto call = first; call != calls.end(); ++call) {
    EXPECT_TRUE(call->name == "RegCreateKeyExA" || call->name == "RegSetValueExA" || call->name == "DeleteFileA")
        << call->name << "(" << call->argument << ")";
  }
}

TEST_F(InstallSequence, RestartAlreadyRequiredSuppressesTheDriverStart) {
  m_harness.m_restartRequired = 1;

  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ((std::vector<ProgressEvent>{Report(10, 0), Report(20, 0), Report(30, 0), Report(70, 1), Position(87),
                                        Report(90, 4), Report(95, 5), Report(100, 5)}),
            m_harness.m_owner.m_events);
  EXPECT_EQ(0, m_calls.Count("StartServiceA"));
  EXPECT_TRUE(Engine().m_startedServices.empty());
  EXPECT_EQ(KindCreatedService, Engine().m_created.at("velctl"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState("velctl"));
  EXPECT_EQ(1, m_harness.m_restartRequired);
}

TEST_F(InstallSequence, UpgradeOverARunningDriverStopsItReplacesItsFileAndStartsItAgain) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease(true));
  ScopedPendingRenames keepPendingRenames;
  const std::string controlDriver = SystemDriverPath("velctl.sys");
  ASSERT_NE(PackageContent("velctl.sys"), ReadWholeFile(controlDriver));
  m_calls.UseRealSleep(true);  // the driver's own time to stop
  Engine().m_skipPauses = true;

  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ(0, m_harness.m_restartRequired);
  EXPECT_EQ(PackageContent("velctl.sys"), ReadWholeFile(controlDriver));
  EXPECT_TRUE(TempCopies(SystemDriverFolder()).empty());
  for (const PendingRename& rename : PendingFileRenames()) EXPECT_NE(controlDriver, rename.to) << rename.from;
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState("velctl"));
  // Stopped before its file is written, started after the services are set.
  const std::vector<std::string> lines = LogLines();
  const auto stop = std::find(lines.begin(), lines.end(), "Stop Installed Service: velctl");
  const auto write = std::find(lines.begin(), lines.end(), "Install File: " + controlDriver);
  const auto start = std::find(lines.begin(), lines.end(), "Start Installed Service: velctl");
  EXPECT_TRUE(stop < write && write < start && start != lines.end()) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), "Stop Installed Service: velmon"));
}

TEST_F(InstallSequence, ADriverThatRefusesTheStopHasItsFileReplacedAtTheRestart) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease(true));
  ScopedPendingRenames keepPendingRenames;
  const std::string controlDriver = SystemDriverPath("velctl.sys");
  const std::string earlierDriver = ReadWholeFile(controlDriver);
  m_calls.FailCall("ControlService", ERROR_INVALID_SERVICE_CONTROL);

  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ(1, m_harness.m_restartRequired);
  EXPECT_EQ(earlierDriver, ReadWholeFile(controlDriver));
  const std::vector<PendingRename> renames = PendingFileRenames();
  EXPECT_EQ(1, std::count_if(renames.begin(), renames.end(),
                             [&](const PendingRename& rename) { return rename.to == controlDriver; }));
  const std::vector<std::string> lines = LogLines();
  const auto stop = std::find(lines.begin(), lines.end(), "Stop Installed Service: velctl");
  ASSERT_NE(lines.end(), stop);
  EXPECT_EQ("Warning: Service can't be stoped!", *(stop + 1));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState("velctl"));
  EXPECT_TRUE(Engine().m_stoppedServices.empty());
}

TEST_F(InstallSequence, UpgradeBacksUpReplacesAndReconfigures) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease());
  // An older configuration of the monitor driver, which the upgrade must set right.
  ASSERT_TRUE(ConfigureService("velmon", SERVICE_DISABLED, "Velmora Monitor Driver 1.6"));

  ASSERT_EQ(nullptr, RunInstall());

  for (const std::string& name : kProgramFiles) {
    EXPECT_EQ(PackageContent(name), ReadWholeFile(Dest() + "\\" + name)) << name;
    EXPECT_EQ(0u, Engine().m_created.count(Dest() + "\\" + name)) << name;
    EXPECT_EQ(1, std::count_if(m_calls.MutatingCalls().begin(), m_calls.MutatingCalls().end(),
                               [&](const FaultyCalls::MutatingCall& call) {
                                 return call.name == "CopyFileA" && call.argument.find(Dest() + "\\" + name + " -> ") == 0;
                               }))
        << name << " was not backed up once";
  }
  EXPECT_EQ(PackageContent(product::kControlDriverFile), ReadWholeFile(SystemDriverPath(product::kControlDriverFile)));
  EXPECT_TRUE(TempCopies(Dest()).empty());
  EXPECT_TRUE(TempCopies(SystemDriverFolder()).empty());
  EXPECT_TRUE(TempCopies(StartMenuFolder()).empty());
  EXPECT_TRUE(Engine().m_backups.empty());
  EXPECT_TRUE(Engine().m_serviceCapture.empty());

  // Reconfigured, not created; the stopped control driver is started again.
  EXPECT_EQ(0u, Engine().m_created.count("velctl"));
  EXPECT_EQ(0u, Engine().m_created.count("velmon"));
  EXPECT_EQ(0, m_calls.Count("CreateServiceA"));
  EXPECT_EQ(2, m_calls.Count("ChangeServiceConfigA"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState("velctl"));
  const ServiceConfig monitor = ReadServiceConfig("velmon");
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), monitor.startType);
  EXPECT_EQ("Velmora Monitor Driver", monitor.displayName);
  EXPECT_EQ(0, m_harness.m_restartRequired);
}

TEST_F(InstallSequence, ProgramInUseIsReplacedAtRestartWithoutStartingTheDriver) {
  ASSERT_NO_FATAL_FAILURE(InstallEarlierRelease());
  const std::string earlierProgram = ReadWholeFile(ProgramPath());
  HeldFile program(ProgramPath());
  ASSERT_TRUE(program.Held());

  ASSERT_EQ(nullptr, RunInstall());

  EXPECT_EQ((std::vector<ProgressEvent>{Report(10, 0), Report(20, 0), Report(30, 0), Report(70, 1), Position(87),
                                        Report(90, 4), Report(95, 5), Report(100, 5)}),
            m_harness.m_owner.m_events);
  EXPECT_EQ(1, m_harness.m_restartRequired);
  const std::vector<std::string> lines = LogLines();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), CInstallEngine::kRebootWarning));
  for (const std::string& line : lines) EXPECT_NE(0u, line.find("Start Installed Service: ")) << line;
  EXPECT_EQ(0, m_calls.Count("StartServiceA"));
  EXPECT_TRUE(Engine().m_startedServices.empty());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState("velctl"));

  // The old program stays until the restart; its new content waits in a
  // temporary file next to it, and its backup is gone.
  program.Release();
  EXPECT_EQ(earlierProgram, ReadWholeFile(ProgramPath()));
  const std::vector<std::string> copies = TempCopies(Dest());
  ASSERT_EQ(1u, copies.size()) << ::testing::PrintToString(copies) << m_calls.DescribeMutatingCalls();
  EXPECT_EQ(0u, copies[0].find(product::kProgramFile));
  EXPECT_EQ(PackageContent(product::kProgramFile), ReadWholeFile(Dest() + "\\" + copies[0]));
  EXPECT_EQ(KindFile, Engine().m_created.at(Dest() + "\\" + copies[0]));
}

}  // namespace
