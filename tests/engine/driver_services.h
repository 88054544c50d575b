#pragma once
// Real kernel-driver services for engine tests: the product's test drivers
// put into the prefix's Drivers folder, services created, started, inspected
// and removed with Win32 directly (never through the engine's seam).

#include <windows.h>

#include <list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/install_engine.h"

#include "base/handles.h"
#include "tests/support/engine_harness.h"

// The configuration the service manager holds for a service.
struct ServiceConfig {
  bool present = false;
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::string imagePath;
  std::string displayName;
};

// The built driver file (e.g. "velctl.sys") that lies next to the test program.
std::string BuiltDriverFile(const std::string& fileName);
// The system directory followed by "\Drivers".
std::string SystemDriverFolder();
// SystemDriverFolder() + "\" + file name.
std::string SystemDriverPath(const std::string& fileName);

// The service's current state (SERVICE_STOPPED, SERVICE_RUNNING, ...), 0
// when it does not exist or cannot be queried.
DWORD ServiceState(const std::string& name);
bool ServiceExists(const std::string& name);
ServiceConfig ReadServiceConfig(const std::string& name);
// Creates a kernel-driver service; false on failure.
bool CreateDriverService(const std::string& name, const std::string& displayName, DWORD startType,
                         const std::string& imagePath);
// Waits (a few seconds at most) until the service reports the state.
bool WaitForServiceState(const std::string& name, DWORD state);
// Starts the service and waits (a few seconds at most) until it runs.
bool StartDriverService(const std::string& name);
// Stops the service if needed, deletes it and waits until it is gone; quiet
// when it does not exist. True when it is gone.
bool RemoveService(const std::string& name);

// "System\CurrentControlSet\Services\" + name, below HKEY_LOCAL_MACHINE.
std::string ServiceKeyPath(const std::string& name);
// Every value of the key as RegQueryValueExA returns it, in the reverse of
// the registry's enumeration order.
std::list<CapturedValue> ReversedKeyValues(const std::string& keyPath);

bool operator==(const CapturedValue& a, const CapturedValue& b);
// For test failure messages: name, type and the data bytes in hex.
void PrintTo(const CapturedValue& value, std::ostream* out);

// Removes the named services when it comes (so no test starts from a
// leftover) and when it goes, together with the driver files of the product
// in the Drivers folder and their backup and temporary copies.
class ScopedDriverCleanup {
 public:
  explicit ScopedDriverCleanup(std::vector<std::string> serviceNames = {"velctl", "velmon"});
  ~ScopedDriverCleanup();
  ScopedDriverCleanup(const ScopedDriverCleanup&) = delete;
  ScopedDriverCleanup& operator=(const ScopedDriverCleanup&) = delete;

  // Copies the built drivers into the Drivers folder under their own names.
  bool PlaceDriverFiles();

 private:
  void Clean();

  std::vector<std::string> m_serviceNames;
};

// A constructed engine over the product's driver services: the services are
// removed before and after the test, and the log lines of the test's own
// actions are told apart from those of the construction.
class DriverEngineTest : public ::testing::Test {
 protected:
  explicit DriverEngineTest(std::vector<std::string> serviceNames = {"velctl", "velmon"})
      : m_drivers(std::move(serviceNames)) {}
  void SetUp() override {
    ASSERT_FALSE(m_harness.m_constructionFailure) << "engine not constructed";
    m_linesBefore = m_harness.LogLines().size();
  }

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  LONG RestartRequired() const { return m_harness.m_restartRequired; }
  // The lines the test's actions wrote, after those of the construction.
  std::vector<std::string> NewLogLines() const {
    std::vector<std::string> lines = m_harness.LogLines();
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(m_linesBefore), lines.end());
  }

  ScopedDriverCleanup m_drivers;
  EngineHarness m_harness;
  size_t m_linesBefore = 0;
};
