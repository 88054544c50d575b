// The product's two kernel drivers: their files in the system's Drivers
// folder, their services, and the stop of the control driver after a failure.
// On 64-bit Windows the package's 64-bit pair goes, under the usual names,
// into the Drivers folder of the 64-bit system itself: the folder that the
// services' image paths name there, and the only one its kernel loads from.

#include <vector>

#include "base/product.h"
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

std::vector<const char*> CProductInstallEngine::DriverEntries() {
  if (RunsOn64BitWindows()) return {product::kControlDriver64Entry, product::kMonitorDriver64Entry};
  return {product::kControlDriverFile, product::kMonitorDriverFile};
}

bool CProductInstallEngine::PackageSuitsThisWindows() {
  if (RunsOnArm64()) {
    // An ARM64 kernel loads neither the x86 nor the x64 drivers.
    Log("Error: The package has no driver for this processor: ", "ARM64");
    return false;
  }
  if (!RunsOn64BitWindows()) return true;
  for (const char* entry : {product::kControlDriver64Entry, product::kMonitorDriver64Entry}) {
    if (m_store->Find(entry) == nullptr) {
      Log("Error: The package has no driver for 64-bit Windows: ", entry);
      return false;
    }
  }
  return true;
}

void CProductInstallEngine::InstallDriverFiles() {
  // Never a driver the kernel cannot load, whoever calls.
  if (RunsOnArm64()) Throw(97, kModuleProduct, ERROR_INSTALL_PLATFORM_UNSUPPORTED);
  const std::string driverFolder = DriverFolder(96);
  const bool for64BitWindows = RunsOn64BitWindows();
  if (for64BitWindows) UseNativeView(driverFolder);
  const char* controlEntry = for64BitWindows ? product::kControlDriver64Entry : product::kControlDriverFile;
  const char* monitorEntry = for64BitWindows ? product::kMonitorDriver64Entry : product::kMonitorDriverFile;

  const CPackageFileStore::Entry* entry = m_store->Find(controlEntry);
  if (entry == nullptr) Throw(101, kModuleProduct, ::GetLastError());
  // A running driver holds its file: stopped, it can be replaced at once.
  StopForReplacement(ServiceNameOf(product::kControlDriverFile));
  InstallFile(product::kControlDriverFile, driverFolder, *entry);
  entry = m_store->Find(monitorEntry);
  if (entry == nullptr) Throw(106, kModuleProduct, ::GetLastError());
  StopForReplacement(ServiceNameOf(product::kMonitorDriverFile));
  InstallFile(product::kMonitorDriverFile, driverFolder, *entry);
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
  // Only a start this run asked for is undone: the control driver's, and
  // a driver's this run stopped and started again.
  for (const char* driver : {product::kControlDriverFile, product::kMonitorDriverFile}) {
    const std::string service = ServiceNameOf(driver);
    if (m_startedServices.count(service) != 0) StopInstalledService(service);
  }
}
