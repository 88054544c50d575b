// The product's two kernel drivers: their files in the system's Drivers
// folder, their services, and the stop of the control driver after a failure.

#include "engine/product.h"
#include "engine/product_install_engine.h"
#include "engine/system_calls.h"

namespace {

constexpr const char* kControlDriverDisplayName = "Velmora Control Driver";
constexpr const char* kMonitorDriverDisplayName = "Velmora Monitor Driver";

// The system directory + "\Drivers"; throws `failureCode` when the system
// directory is not available.
std::string DriverFolder(uint16_t failureCode) {
  char systemDirectory[MAX_PATH] = {};
  const UINT length = SystemCalls().GetSystemDirectoryA(systemDirectory, MAX_PATH);
  // A length that does not fit means the buffer was left unfilled.
  if (length == 0 || length >= MAX_PATH) {
    CInstallEngine::Throw(failureCode, CProductInstallEngine::kModuleProduct, ::GetLastError());
  }
  return std::string(systemDirectory) + "\\Drivers";
}

}  // namespace

std::string CProductInstallEngine::ServiceNameOf(const std::string& driverFile) {
  return driverFile.substr(0, driverFile.find('.'));
}

void CProductInstallEngine::InstallDriverFiles() {
  const std::string driverFolder = DriverFolder(96);
  const uint8_t* content = nullptr;
  uint32_t size = 0;
  if (!m_store->Lookup(product::kControlDriverFile, &content, &size)) Throw(101, kModuleProduct, ::GetLastError());
  InstallFile(product::kControlDriverFile, driverFolder, content, size);
  if (!m_store->Lookup(product::kMonitorDriverFile, &content, &size)) Throw(106, kModuleProduct, ::GetLastError());
  InstallFile(product::kMonitorDriverFile, driverFolder, content, size);
}

void CProductInstallEngine::InstallDrivers() {
  const std::string driverFolder = DriverFolder(178);
  if (!InstallDriverService(driverFolder + "\\" + product::kControlDriverFile,
                            ServiceNameOf(product::kControlDriverFile), kControlDriverDisplayName,
                            SERVICE_AUTO_START)) {
    Throw(194, kModuleProduct, ::GetLastError());
  }
  if (!InstallDriverService(driverFolder + "\\" + product::kMonitorDriverFile,
                            ServiceNameOf(product::kMonitorDriverFile), kMonitorDriverDisplayName,
                            SERVICE_DEMAND_START)) {
    Throw(209, kModuleProduct, ::GetLastError());
  }
}

void CProductInstallEngine::StopServices() {
  const std::string controlService = ServiceNameOf(product::kControlDriverFile);
  // Only a start this run asked for is undone; the monitor driver is never started.
  if (m_startedServices.count(controlService) != 0) StopInstalledService(controlService);
}
