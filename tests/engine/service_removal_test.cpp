// Stopping the started control driver and removing created services, with
// the real test drivers; the seam makes the polling waits instant and counts
// them, and plays the parts Wine's service manager cannot.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/driver_services.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"

namespace {

constexpr const char* kRebootWarning = "Warning: === Reboot required to complete operation ===";
constexpr const char* kControlDisplayName = "Velmora Control Driver";
constexpr const char* kMonitorDisplayName = "Velmora Monitor Driver";

// A driver that accepts the stop control and goes on running: the seam
// answers the control itself, so the real driver stays loaded.
class StopIgnoringCalls : public FaultyCalls {
 public:
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override {
    if (control != SERVICE_CONTROL_STOP) return FaultyCalls::ControlService(service, control, status);
    if (EnterMutating("ControlService", "stop, ignored")) return FALSE;
    return RealSystemCalls().QueryServiceStatus(service, status);
  }
};

std::vector<DWORD> Polls(int count) { return std::vector<DWORD>(static_cast<size_t>(count), 500); }

// A stop that Wine completes on its own time: at least one poll of 500 ms,
// however many a loaded machine needs, but fewer than the forty of a
// driver that never stops.
void ExpectPollsUntilStopped(const std::vector<DWORD>& sleeps) {
  EXPECT_GE(sleeps.size(), 1u);
  EXPECT_LT(sleeps.size(), 40u);
  EXPECT_EQ(sleeps, Polls(static_cast<int>(sleeps.size())));
}

class ServiceRemoval : public DriverEngineTest {
 protected:
  ServiceRemoval() : DriverEngineTest({"velctl", "velmon", "velrival"}) {}
  void SetUp() override {
    DriverEngineTest::SetUp();
    ASSERT_TRUE(m_drivers.PlaceDriverFiles());
  }

  void CreateControlDriverService() {
    ASSERT_TRUE(
        CreateDriverService("velctl", kControlDisplayName, SERVICE_AUTO_START, SystemDriverPath("velctl.sys")));
  }
  void RunControlDriver() {
    CreateControlDriverService();
    ASSERT_TRUE(StartDriverService("velctl"));
  }
};

// Stop of the started control driver

TEST_F(ServiceRemoval, StopOfAServiceThatDoesNotExistSucceedsQuietly) {
  EXPECT_TRUE(Engine().StopInstalledService("velctl"));

  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl"}));
  EXPECT_EQ(RestartRequired(), 0);
}

TEST_F(ServiceRemoval, StopOfAServiceThatCannotBeOpenedAsksForARestart) {
  CreateControlDriverService();
  FaultyCalls calls;
  calls.FailCall("OpenServiceA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  EXPECT_FALSE(Engine().StopInstalledService("velctl"));

  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl", kRebootWarning}));
  EXPECT_EQ(RestartRequired(), 1);
}

TEST_F(ServiceRemoval, StopOfAStoppedServiceSendsNoControl) {
  CreateControlDriverService();
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().StopInstalledService("velctl"));

  EXPECT_EQ(calls.Count("ControlService"), 0);
  EXPECT_TRUE(calls.Sleeps().empty());
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl"}));
}

TEST_F(ServiceRemoval, StopOfARunningDriverWaitsUntilItHasStopped) {
  RunControlDriver();
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().StopInstalledService("velctl"));

  EXPECT_TRUE(WaitForServiceState("velctl", SERVICE_STOPPED));
  EXPECT_EQ(calls.Count("ControlService"), 1);
  // Wine unloads a driver about when the stop control returns.
  ExpectPollsUntilStopped(calls.Sleeps());
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl"}));
}

TEST_F(ServiceRemoval, RefusedStopAsksForARestart) {
  RunControlDriver();
  FaultyCalls calls;
  calls.FailCall("ControlService", ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ScopedSystemCalls seam(calls);

  EXPECT_FALSE(Engine().StopInstalledService("velctl"));

  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(calls.Sleeps().empty());
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(RestartRequired(), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl", kRebootWarning}));
}

TEST_F(ServiceRemoval, DriverStillRunningAfterFortyPollsIsLeftRunning) {
  RunControlDriver();
  StopIgnoringCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().StopInstalledService("velctl"));

  EXPECT_EQ(calls.Sleeps(), Polls(40));
  EXPECT_EQ(calls.Count("QueryServiceStatus"), 41);
  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Stop Installed Service: velctl"}));
}

TEST_F(ServiceRemoval, StopServicesDoesNothingWhenTheRunStartedNoDriver) {
  RunControlDriver();
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().StopServices();

  EXPECT_EQ(calls.Count("OpenServiceA"), 0);
  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(ServiceRemoval, StopServicesMatchesTheStartedNameExactly) {
  RunControlDriver();
  Engine().m_startedServices["Velctl"] = KindStartedService;

  Engine().StopServices();

  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(ServiceRemoval, StopServicesStopsTheControlDriverThisRunStarted) {
  Engine().InstallDrivers();
  Engine().StartInstalledService("velctl");
  ASSERT_TRUE(WaitForServiceState("velctl", SERVICE_RUNNING));
  const size_t linesBeforeStop = m_harness.LogLines().size();

  Engine().StopServices();

  EXPECT_TRUE(WaitForServiceState("velctl", SERVICE_STOPPED));
  std::vector<std::string> lines = m_harness.LogLines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBeforeStop), lines.end()),
            (std::vector<std::string>{"Stop Installed Service: velctl"}));
  EXPECT_TRUE(ServiceExists("velctl"));  // stopped, not removed
}

// Removal of created services

TEST_F(ServiceRemoval, StoppedServiceIsDeletedAtOnce) {
  CreateControlDriverService();
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_EQ(calls.Count("ControlService"), 0);
  EXPECT_TRUE(calls.Sleeps().empty());
  EXPECT_EQ(calls.Count("CloseServiceHandle"), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl"}));
}

TEST_F(ServiceRemoval, RunningServiceIsStoppedThenDeleted) {
  RunControlDriver();
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_EQ(calls.Count("ControlService"), 1);
  ExpectPollsUntilStopped(calls.Sleeps());
  EXPECT_EQ(calls.Count("DeleteService"), 1);
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl"}));
}

TEST_F(ServiceRemoval, ServiceDeletedBySomebodyElseOnlyLeavesTheEntryLine) {
  Engine().InstallDrivers();
  ASSERT_TRUE(RemoveService("velctl"));
  const size_t linesBeforeRemoval = m_harness.LogLines().size();

  EXPECT_FALSE(Engine().UninstallService("velctl"));

  std::vector<std::string> lines = m_harness.LogLines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBeforeRemoval), lines.end()),
            (std::vector<std::string>{"Uninstall Service: velctl"}));
  EXPECT_EQ(RestartRequired(), 0);
}

TEST_F(ServiceRemoval, RefusedStopStillDeletesAndAsksForARestart) {
  RunControlDriver();
  FaultyCalls calls;
  calls.FailCall("ControlService", ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_EQ(calls.Count("DeleteService"), 1);
  EXPECT_TRUE(calls.Sleeps().empty());
  EXPECT_EQ(RestartRequired(), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl", "Warning: Service can't be stoped!",
                                                     kRebootWarning}));
}

TEST_F(ServiceRemoval, ServiceStillRunningAfterTwentyPollsIsDeletedOnceItStops) {
  RunControlDriver();
  StopIgnoringCalls calls;
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_EQ(calls.Sleeps(), Polls(20));
  EXPECT_EQ(calls.Count("DeleteService"), 1);
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl"}));
  // Marked for deletion: it goes as soon as it stops.
  EXPECT_EQ(ServiceState("velctl"), static_cast<DWORD>(SERVICE_RUNNING));
  {
    unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    unique_schandle service(::OpenServiceA(manager.get(), "velctl", SERVICE_STOP));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
  }
  EXPECT_TRUE(WaitForServiceState("velctl", 0));
  EXPECT_FALSE(ServiceExists("velctl"));
}

TEST_F(ServiceRemoval, ServiceAlreadyMarkedForDeletionAsksForARestart) {
  CreateControlDriverService();
  // Another program deleted it but still holds it open.
  unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  unique_schandle holder(::OpenServiceA(manager.get(), "velctl", SERVICE_ALL_ACCESS));
  ASSERT_TRUE(::DeleteService(holder.get()));

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_EQ(RestartRequired(), 1);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl", "Warning: Service marked for delete!",
                                                     kRebootWarning}));
  holder.reset();
  EXPECT_TRUE(WaitForServiceState("velctl", 0));
  EXPECT_FALSE(ServiceExists("velctl"));
}

TEST_F(ServiceRemoval, DeletionRefusedForAnotherReasonIsNotReported) {
  CreateControlDriverService();
  FaultyCalls calls;
  calls.FailCall("DeleteService", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  EXPECT_TRUE(Engine().UninstallService("velctl"));

  EXPECT_TRUE(ServiceExists("velctl"));
  EXPECT_EQ(RestartRequired(), 0);
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Uninstall Service: velctl"}));
}

TEST_F(ServiceRemoval, OnlyCreatedServicesAreRemovedInNameOrder) {
  ASSERT_TRUE(CreateDriverService("velrival", "Earlier driver", SERVICE_DEMAND_START, SystemDriverPath("velmon.sys")));
  Engine().InstallDrivers();
  Engine().StartInstalledService("velctl");
  Engine().m_created[SystemDriverPath("velctl.sys")] = KindFile;
  Engine().m_created["velrival"] = KindDirectory;
  const size_t linesBeforeRemoval = m_harness.LogLines().size();

  Engine().RemoveInstalledServices();

  std::vector<std::string> lines = m_harness.LogLines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBeforeRemoval), lines.end()),
            (std::vector<std::string>{"Uninstall Service: velctl", "Uninstall Service: velmon"}));
  EXPECT_FALSE(ServiceExists("velctl"));
  EXPECT_FALSE(ServiceExists("velmon"));
  EXPECT_TRUE(ServiceExists("velrival"));
  EXPECT_EQ(Engine().m_created.size(), 4u);  // nothing is removed from the journal
  EXPECT_EQ(RestartRequired(), 0);
}

}  // namespace
