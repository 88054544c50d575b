#pragma once
// Real kernel-driver services for engine tests: the product's test drivers
// put into the prefix's Drivers folder, services created, started, inspected
// and removed with Win32 directly (never through the engine's seam).

#include <windows.h>

#include <list>
#include <ostream>
#include <string>
#include <vector>

#include "engine/install_engine.h"

#include "framework/handles.h"

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
