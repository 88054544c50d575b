// The product's drivers on 64-bit Windows. There the package's 64-bit pair
// goes, under the usual names, into the Drivers folder of the 64-bit system
// itself, and every file call on a driver file (the copy, its backup, the
// replacement left for the restart, the undo of each) is made with the
// redirection of 32-bit programs turned off, and turned back on at once.
// A 32-bit prefix has no such redirection: these tests tell the engine
// through the seam that it runs on 64-bit Windows and check in which view
// each call was made; the files land in the prefix's one Drivers folder.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/product.h"
#include "tests/engine/driver_services.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_package.h"
#include "tests/support/test_registry.h"

namespace {

using Journal = std::map<std::string, JournalKind>;

const PackageFiles kBothPairs = {{"velctl.sys", "32-bit control driver"},
                                 {"velmon.sys", "32-bit monitor driver"},
                                 {"velctl64.sys", "64-bit control driver"},
                                 {"velmon64.sys", "64-bit monitor driver"}};

bool InDriverFolder(const std::string& path) {
  const std::string folder = SystemDriverFolder() + "\\";
  return path.compare(0, folder.size(), folder) == 0;
}

class NativeDrivers : public DriverEngineTest {
 protected:
  void OpenPackageOf(const PackageFiles& files) { ASSERT_EQ(FillStore(Engine().Store(), files), 0); }

  // Every file call on a driver file was made in the native view, every
  // other one in the usual view, and the view was restored after each.
  void ExpectDriverCallsInNativeViewOnly(const FaultyCalls& calls) {
    int driverCalls = 0;
    for (const FaultyCalls::PathCall& call : calls.PathCalls()) {
      const bool driverFile = InDriverFolder(call.path);
      if (driverFile) ++driverCalls;
      EXPECT_EQ(call.nativeView, driverFile) << call.name << "(" << call.path << ")";
    }
    EXPECT_GT(driverCalls, 0);
    EXPECT_FALSE(calls.InNativeView()) << "redirection left off";
    EXPECT_EQ(calls.Count("Wow64DisableWow64FsRedirection"), calls.Count("Wow64RevertWow64FsRedirection"));
  }
};

TEST_F(NativeDrivers, On64BitWindowsThe64BitPairGoesUnderTheUsualNamesThroughTheNativeView) {
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);

  Engine().InstallDriverFiles();
  // A program file afterwards is not a driver file: it keeps the usual view.
  Engine().InstallFile("readme.txt", m_harness.m_folder.Path(), reinterpret_cast<const uint8_t*>("text"), 4);

  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velctl.sys")), "64-bit control driver");
  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velmon.sys")), "64-bit monitor driver");
  EXPECT_FALSE(FileExists(SystemDriverPath("velctl64.sys")));
  EXPECT_FALSE(FileExists(SystemDriverPath("velmon64.sys")));
  // The journal and the log name the files as on 32-bit Windows.
  EXPECT_EQ(Engine().m_created, (Journal{{SystemDriverPath("velctl.sys"), KindFile},
                                         {SystemDriverPath("velmon.sys"), KindFile},
                                         {m_harness.m_folder.File("readme.txt"), KindFile}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Install File: " + SystemDriverPath("velctl.sys"),
                                                     "Install File: " + SystemDriverPath("velmon.sys"),
                                                     "Install File: " + m_harness.m_folder.File("readme.txt")}));
  ExpectDriverCallsInNativeViewOnly(calls);
}

TEST_F(NativeDrivers, On32BitWindowsThe32BitPairGoesAndTheViewIsNeverTouched) {
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64(false);
  ScopedSystemCalls seam(calls);

  Engine().InstallDriverFiles();

  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velctl.sys")), "32-bit control driver");
  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velmon.sys")), "32-bit monitor driver");
  EXPECT_EQ(calls.Count("Wow64DisableWow64FsRedirection"), 0);
  for (const FaultyCalls::PathCall& call : calls.PathCalls()) EXPECT_FALSE(call.nativeView) << call.path;
}

TEST_F(NativeDrivers, ServicesKeepTheirImagePathsInSystem32On64BitWindows) {
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);

  Engine().InstallDriverFiles();
  Engine().InstallDrivers();

  // On a 64-bit kernel System32 names the native folder, where the files are.
  const ServiceConfig control = ReadServiceConfig("velctl");
  const ServiceConfig monitor = ReadServiceConfig("velmon");
  EXPECT_EQ(control.imagePath, SystemDriverPath("velctl.sys"));
  EXPECT_EQ(control.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(control.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(control.displayName, "Velmora Control Driver");
  EXPECT_EQ(monitor.imagePath, SystemDriverPath("velmon.sys"));
  EXPECT_EQ(monitor.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
}

TEST_F(NativeDrivers, RollbackOfAnUpgradeRestoresTheEarlierDriverThroughTheNativeView) {
  ASSERT_TRUE(WriteWholeFile(SystemDriverPath("velctl.sys"), "earlier driver"));
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);

  Engine().InstallDriverFiles();
  ASSERT_EQ(Engine().m_backups.count(SystemDriverPath("velctl.sys")), 1u);
  const std::string backup = Engine().m_backups[SystemDriverPath("velctl.sys")];
  EXPECT_TRUE(IsTempNameOf(backup, SystemDriverPath("velctl.sys")));
  EXPECT_EQ(ReadWholeFile(backup), "earlier driver");
  Engine().RemoveInstallFiles();
  Engine().RollBackInstallFiles();

  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velctl.sys")), "earlier driver");
  EXPECT_FALSE(FileExists(SystemDriverPath("velmon.sys")));
  EXPECT_FALSE(FileExists(backup));
  EXPECT_EQ(RestartRequired(), 0);
  ExpectDriverCallsInNativeViewOnly(calls);
}

TEST_F(NativeDrivers, SuccessfulUpgradeDiscardsTheDriverBackupThroughTheNativeView) {
  ASSERT_TRUE(WriteWholeFile(SystemDriverPath("velmon.sys"), "earlier driver"));
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);

  Engine().InstallDriverFiles();
  const std::string backup = Engine().m_backups[SystemDriverPath("velmon.sys")];
  Engine().DiscardBackups();

  EXPECT_FALSE(FileExists(backup));
  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velmon.sys")), "64-bit monitor driver");
  ExpectDriverCallsInNativeViewOnly(calls);
}

TEST_F(NativeDrivers, DriverInUseIsHandedToTheRestartUnderItsSystem32Path) {
  ScopedPendingRenames keepPendingRenames;
  const std::string target = SystemDriverPath("velctl.sys");
  ASSERT_TRUE(WriteWholeFile(target, "loaded driver"));
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);
  std::string temporary;
  {
    HeldFile loaded(target);
    ASSERT_TRUE(loaded.Held());

    Engine().InstallDriverFiles();

    for (const auto& entry : Engine().m_created) {
      if (IsTempNameOf(entry.first, target)) temporary = entry.first;
    }
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(ReadWholeFile(temporary), "64-bit control driver");
    // What the system reads at the restart names the files as the 64-bit
    // system sees them: System32, not the folder a 32-bit program is shown.
    EXPECT_TRUE(HasPendingRename(temporary, target));
    EXPECT_EQ(RestartRequired(), 1);

    // Rolled back while the earlier driver is still loaded: the waiting copy
    // goes at once, the earlier driver's restore waits for the restart.
    Engine().RemoveInstallFiles();
    Engine().RollBackInstallFiles();
    EXPECT_FALSE(FileExists(temporary));
    EXPECT_TRUE(HasPendingRename(Engine().m_backups[target], target));
  }
  ExpectDriverCallsInNativeViewOnly(calls);
}

TEST_F(NativeDrivers, NativeViewThatCannotBeHadWritesNoDriverAnywhere) {
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendWow64();
  calls.FailCallsFrom("Wow64DisableWow64FsRedirection", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 579);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(FileExists(SystemDriverPath("velctl.sys")));
  EXPECT_TRUE(Engine().m_created.empty());
  // No driver file call was made in the wrong view instead.
  for (const FaultyCalls::PathCall& call : calls.PathCalls()) EXPECT_FALSE(InDriverFolder(call.path)) << call.path;
}

TEST_F(NativeDrivers, PackageWithoutThe64BitPairIsRefusedOn64BitWindowsOnly) {
  OpenPackageOf({{"velctl.sys", "32-bit control driver"}, {"velmon.sys", "32-bit monitor driver"}});
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  calls.PretendWow64(false);
  EXPECT_TRUE(Engine().PackageSuitsThisWindows());
  EXPECT_TRUE(NewLogLines().empty());

  calls.PretendWow64();
  EXPECT_FALSE(Engine().PackageSuitsThisWindows());
  EXPECT_EQ(NewLogLines(),
            (std::vector<std::string>{"Error: The package has no driver for 64-bit Windows: velctl64.sys"}));

  // Even when asked, the engine installs no driver the 64-bit kernel cannot load.
  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 101);
  EXPECT_FALSE(FileExists(SystemDriverPath("velctl.sys")));
  EXPECT_EQ(calls.MutatingCount(), 0) << calls.DescribeMutatingCalls();
}

TEST_F(NativeDrivers, PackageWithOnlyHalfThe64BitPairIsRefusedNamingTheMissingOne) {
  OpenPackageOf({{"velctl.sys", "a"}, {"velmon.sys", "b"}, {"velctl64.sys", "c"}});
  FaultyCalls calls;
  calls.PretendWow64();
  ScopedSystemCalls seam(calls);

  EXPECT_FALSE(Engine().PackageSuitsThisWindows());
  EXPECT_EQ(NewLogLines(),
            (std::vector<std::string>{"Error: The package has no driver for 64-bit Windows: velmon64.sys"}));
}

TEST_F(NativeDrivers, Arm64WindowsIsRefusedWhateverThePackageCarries) {
  OpenPackageOf(kBothPairs);
  FaultyCalls calls;
  calls.PretendNativeMachine(IMAGE_FILE_MACHINE_ARM64);
  ScopedSystemCalls seam(calls);

  EXPECT_FALSE(Engine().PackageSuitsThisWindows());
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Error: The package has no driver for this processor: ARM64"}));
  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 97);
  EXPECT_EQ(calls.MutatingCount(), 0) << calls.DescribeMutatingCalls();

  // x64 Windows, which IsWow64Process2 names too, keeps its 64-bit pair.
  calls.PretendNativeMachine(IMAGE_FILE_MACHINE_AMD64);
  EXPECT_TRUE(Engine().PackageSuitsThisWindows());
}

}  // namespace
