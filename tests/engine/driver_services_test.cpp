// Registering and starting the product's drivers as kernel-driver services,
// with the real test drivers and the real service manager of the prefix.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/engine/driver_services.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"

namespace {

constexpr const char* kRebootWarning = "Warning: === Reboot required to complete operation ===";
constexpr const char* kControlDisplayName = "Velmora Control Driver";
constexpr const char* kMonitorDisplayName = "Velmora Monitor Driver";

using Journal = std::map<std::string, JournalKind>;

// Cleanup calls that succeed and reset the last error, as any successful
// Win32 call is free to do.
class ErrorClearingCalls : public FaultyCalls {
 public:
  BOOL UnlockServiceDatabase(SC_LOCK lock) override {
    BOOL result = FaultyCalls::UnlockServiceDatabase(lock);
    if (result) ::SetLastError(ERROR_SUCCESS);
    return result;
  }
  BOOL CloseServiceHandle(SC_HANDLE handle) override {
    BOOL result = FaultyCalls::CloseServiceHandle(handle);
    if (result) ::SetLastError(ERROR_SUCCESS);
    return result;
  }
};

std::string InstallDriverLine(const std::string& file) { return "Install Driver: " + SystemDriverPath(file); }

class DriverServices : public DriverEngineTest {
 protected:
  DriverServices() : DriverEngineTest({"velctl", "velmon", "velrival"}) {}
  void SetUp() override {
    DriverEngineTest::SetUp();
    ASSERT_TRUE(m_drivers.PlaceDriverFiles());
  }

  // A service left by an earlier installation, stopped, with another
  // display name, start type and image path.
  void CreateEarlierService(const std::string& name, const std::string& file) {
    ASSERT_TRUE(CreateDriverService(name, "Earlier " + name, SERVICE_DISABLED, SystemDriverFolder() + "\\old_" + file));
  }
};

TEST_F(DriverServices, FreshSystemCreatesBothServicesAndStartsOnlyTheControlDriver) {
  Engine().InstallDrivers();
  Engine().StartInstalledService("velctl");

  ServiceConfig control = ReadServiceConfig("velctl");
  ASSERT_TRUE(control.present);
  EXPECT_EQ(control.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(control.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(control.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(control.imagePath, SystemDriverPath("velctl.sys"));
  EXPECT_EQ(control.displayName, kControlDisplayName);
  ServiceConfig monitor = ReadServiceConfig("velmon");
  ASSERT_TRUE(monitor.present);
  EXPECT_EQ(monitor.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(monitor.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(monitor.imagePath, SystemDriverPath("velmon.sys"));
  EXPECT_EQ(monitor.displayName, kMonitorDisplayName);

  EXPECT_TRUE(WaitForServiceState("velctl", SERVICE_RUNNING));
  EXPECT_EQ(ServiceState("velmon"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Engine().m_created, (Journal{{"velctl", KindCreatedService}, {"velmon", KindCreatedService}}));
  EXPECT_EQ(Engine().m_startedServices, (Journal{{"velctl", KindStartedService}}));
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys"), InstallDriverLine("velmon.sys"),
                                                     "Start Installed Service: velctl"}));
}

TEST_F(DriverServices, StoppedServicesOfAnEarlierInstallationAreReconfiguredAndCaptured) {
  CreateEarlierService("velctl", "velctl.sys");
  CreateEarlierService("velmon", "velmon.sys");
  const std::list<CapturedValue> controlBefore = ReversedKeyValues(ServiceKeyPath("velctl"));
  const std::list<CapturedValue> monitorBefore = ReversedKeyValues(ServiceKeyPath("velmon"));
  ASSERT_FALSE(controlBefore.empty());
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().InstallDrivers();
  Engine().StartInstalledService("velctl");

  ServiceConfig control = ReadServiceConfig("velctl");
  EXPECT_EQ(control.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(control.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(control.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(control.imagePath, SystemDriverPath("velctl.sys"));
  EXPECT_EQ(control.displayName, kControlDisplayName);
  ServiceConfig monitor = ReadServiceConfig("velmon");
  EXPECT_EQ(monitor.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(monitor.imagePath, SystemDriverPath("velmon.sys"));
  EXPECT_EQ(monitor.displayName, kMonitorDisplayName);

  EXPECT_TRUE(WaitForServiceState("velctl", SERVICE_RUNNING));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(Engine().m_startedServices, (Journal{{"velctl", KindStartedService}}));
  ASSERT_EQ(Engine().m_serviceCapture.size(), 2u);
  EXPECT_EQ(Engine().m_serviceCapture["velctl"], controlBefore);
  EXPECT_EQ(Engine().m_serviceCapture["velmon"], monitorBefore);
  EXPECT_EQ(calls.Count("CreateServiceA"), 0);
  EXPECT_EQ(calls.Count("LockServiceDatabase"), 2);
  EXPECT_EQ(calls.Count("UnlockServiceDatabase"), 2);
  EXPECT_EQ(calls.Count("CloseServiceHandle"), calls.Count("OpenServiceA"));
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys"), InstallDriverLine("velmon.sys"),
                                                     "Start Installed Service: velctl"}));
}

TEST_F(DriverServices, RunningControlDriverIsReconfiguredForTheNextStart) {
  ASSERT_TRUE(CreateDriverService("velctl", "Earlier velctl", SERVICE_DEMAND_START, SystemDriverPath("velctl.sys")));
  ASSERT_TRUE(StartDriverService("velctl"));

  Engine().InstallDrivers();

  EXPECT_EQ(RestartRequired(), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys"), kRebootWarning,
                                                     InstallDriverLine("velmon.sys")}));
  ServiceConfig control = ReadServiceConfig("velctl");
  EXPECT_EQ(control.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(control.displayName, kControlDisplayName);
  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(Engine().m_created, (Journal{{"velmon", KindCreatedService}}));
  EXPECT_EQ(Engine().m_serviceCapture.count("velctl"), 1u);
  EXPECT_TRUE(Engine().m_startedServices.empty());
}

TEST_F(DriverServices, StartOfADriverThatIsStillLoadedIsLeftToTheRestart) {
  ASSERT_TRUE(CreateDriverService("velctl", kControlDisplayName, SERVICE_AUTO_START, SystemDriverPath("velctl.sys")));
  ASSERT_TRUE(StartDriverService("velctl"));
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().StartInstalledService("velctl");

  EXPECT_EQ(calls.Count("StartServiceA"), 0);
  EXPECT_EQ(RestartRequired(), 1);
  EXPECT_EQ(Engine().m_startedServices, (Journal{{"velctl", KindStartedService}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Start Installed Service: velctl", kRebootWarning}));
}

TEST_F(DriverServices, PendingRestartSuppressesTheStartButRecordsIt) {
  ASSERT_TRUE(CreateDriverService("velctl", kControlDisplayName, SERVICE_AUTO_START, SystemDriverPath("velctl.sys")));
  m_harness.m_restartRequired = 1;

  Engine().StartInstalledService("velctl");

  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Engine().m_startedServices, (Journal{{"velctl", KindStartedService}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Start Installed Service: velctl"}));
}

TEST_F(DriverServices, DriverThatFailsToStartDoesNotFailTheInstallation) {
  ASSERT_TRUE(CreateDriverService("velctl", kControlDisplayName, SERVICE_AUTO_START,
                                  SystemDriverFolder() + "\\missing_velctl.sys"));

  EXPECT_EQ(CatchEngineFailure([&] { Engine().StartInstalledService("velctl"); }), nullptr);

  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Engine().m_startedServices, (Journal{{"velctl", KindStartedService}}));
  EXPECT_EQ(RestartRequired(), 0);
}

TEST_F(DriverServices, LockedServiceDatabaseDoesNotStopTheReconfiguration) {
  CreateEarlierService("velctl", "velctl.sys");
  CreateEarlierService("velmon", "velmon.sys");
  // Another installer holds the lock. Wine's LockServiceDatabase always
  // hands out a lock, so the seam answers the way Windows would.
  FaultyCalls calls;
  calls.FailCallsFrom("LockServiceDatabase", ERROR_SERVICE_DATABASE_LOCKED);
  ScopedSystemCalls seam(calls);

  EXPECT_EQ(CatchEngineFailure([&] { Engine().InstallDrivers(); }), nullptr);

  EXPECT_EQ(calls.Count("LockServiceDatabase"), 2);
  EXPECT_EQ(calls.Count("UnlockServiceDatabase"), 0);  // no lock was obtained
  EXPECT_EQ(ReadServiceConfig("velctl").displayName, kControlDisplayName);
  EXPECT_EQ(ReadServiceConfig("velctl").imagePath, SystemDriverPath("velctl.sys"));
  EXPECT_EQ(ReadServiceConfig("velmon").displayName, kMonitorDisplayName);
  EXPECT_EQ(Engine().m_serviceCapture.size(), 2u);
  EXPECT_TRUE(Engine().m_created.empty());
}

// Failures

TEST_F(DriverServices, ControlDriverServiceThatCannotBeCreatedFailsWith194) {
  // Another service already shows the control driver's display name.
  ASSERT_TRUE(CreateDriverService("velrival", kControlDisplayName, SERVICE_DEMAND_START, SystemDriverPath("velctl.sys")));

  auto failure = CatchEngineFailure([&] { Engine().InstallDrivers(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 194);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_DUPLICATE_SERVICE_NAME));
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_FALSE(ServiceExists("velmon"));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys")}));
}

TEST_F(DriverServices, MonitorDriverServiceThatCannotBeCreatedFailsWith209AfterTheControlDriver) {
  ASSERT_TRUE(CreateDriverService("velrival", kMonitorDisplayName, SERVICE_DEMAND_START, SystemDriverPath("velmon.sys")));

  auto failure = CatchEngineFailure([&] { Engine().InstallDrivers(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 209);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_DUPLICATE_SERVICE_NAME));
  EXPECT_TRUE(ServiceExists("velctl"));
  EXPECT_FALSE(ServiceExists("velmon"));
  // The control driver's service stays recorded, so the rollback removes it.
  EXPECT_EQ(Engine().m_created, (Journal{{"velctl", KindCreatedService}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys"), InstallDriverLine("velmon.sys")}));
}

TEST_F(DriverServices, FailedReconfigurationKeepsItsCaptureAndReportsItsOwnError) {
  CreateEarlierService("velctl", "velctl.sys");
  const std::list<CapturedValue> before = ReversedKeyValues(ServiceKeyPath("velctl"));
  FaultyCalls calls;
  calls.FailCall("ChangeServiceConfigA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDrivers(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 194);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Engine().m_serviceCapture["velctl"], before);
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_EQ(ReadServiceConfig("velctl").displayName, "Earlier velctl");
  EXPECT_EQ(calls.Count("UnlockServiceDatabase"), calls.Count("LockServiceDatabase"));
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{InstallDriverLine("velctl.sys")}));
}

TEST_F(DriverServices, FailedReconfigurationErrorOutlivesTheCleanupCalls) {
  CreateEarlierService("velctl", "velctl.sys");
  ErrorClearingCalls calls;
  calls.FailCall("ChangeServiceConfigA", ERROR_INVALID_PARAMETER);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDrivers(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 194);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
}

TEST_F(DriverServices, MissingSystemDirectoryFailsWith178BeforeAnyService) {
  FaultyCalls calls;
  calls.FailCall("GetSystemDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDrivers(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 178);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(calls.MutatingCount(), 0) << calls.DescribeMutatingCalls();
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(DriverServices, StartWithoutServiceManagerFailsWith1967) {
  Engine().m_scm.reset();

  auto failure = CatchEngineFailure([&] { Engine().StartInstalledService("velctl"); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 1967);
  EXPECT_EQ(failure->m_module, 19);
  EXPECT_TRUE(Engine().m_startedServices.empty());
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Start Installed Service: velctl"}));
}

TEST_F(DriverServices, InstallWithoutServiceManagerFailsSilently) {
  Engine().m_scm.reset();

  EXPECT_EQ(Engine().InstallDriverService(SystemDriverPath("velctl.sys"), "velctl", kControlDisplayName,
                                          SERVICE_AUTO_START),
            0);

  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(DriverServices, StartOfAServiceThatDoesNotExistFailsWith1974) {
  auto failure = CatchEngineFailure([&] { Engine().StartInstalledService("velctl"); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 1974);
  EXPECT_EQ(failure->m_module, 19);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_TRUE(Engine().m_startedServices.empty());
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Start Installed Service: velctl"}));
}

}  // namespace
