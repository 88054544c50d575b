#include "tests/engine/driver_services.h"

#include <iomanip>
#include <memory>

#include "tests/support/test_registry.h"

namespace {

constexpr DWORD kWaitStep = 50;
constexpr DWORD kWaitLimit = 5000;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

unique_schandle OpenManager() {
  return unique_schandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

unique_schandle OpenExisting(const std::string& name, DWORD access) {
  unique_schandle manager = OpenManager();
  if (!manager) return unique_schandle();
  return unique_schandle(::OpenServiceA(manager.get(), name.c_str(), access));
}

// Waits until the condition holds; false after kWaitLimit.
template <typename Condition>
bool WaitUntil(Condition condition) {
  for (DWORD waited = 0; waited < kWaitLimit; waited += kWaitStep) {
    if (condition()) return true;
    ::Sleep(kWaitStep);
  }
  return condition();
}

void DeleteDriverCopies(const std::string& fileName) {
  const std::string folder = SystemDriverFolder();
  ::DeleteFileA((folder + "\\" + fileName).c_str());
  WIN32_FIND_DATAA data;
  unique_hfind search(::FindFirstFileA((folder + "\\" + fileName + "_*.tmp").c_str(), &data));
  if (!search) return;
  do {
    ::DeleteFileA((folder + "\\" + data.cFileName).c_str());
  } while (::FindNextFileA(search.get(), &data));
}

}  // namespace

std::string BuiltDriverFile(const std::string& fileName) { return ProgramFolder() + "\\" + fileName; }

std::string SystemDriverFolder() {
  char folder[MAX_PATH] = {};
  ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\Drivers";
}

std::string SystemDriverPath(const std::string& fileName) { return SystemDriverFolder() + "\\" + fileName; }

DWORD ServiceState(const std::string& name) {
  unique_schandle service = OpenExisting(name, SERVICE_QUERY_STATUS);
  SERVICE_STATUS status = {};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

bool ServiceExists(const std::string& name) {
  unique_schandle manager = OpenManager();
  unique_schandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  return service.valid() || ::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
}

ServiceConfig ReadServiceConfig(const std::string& name) {
  ServiceConfig config;
  unique_schandle service = OpenExisting(name, SERVICE_QUERY_CONFIG);
  if (!service) return config;
  DWORD needed = 0;
  ::QueryServiceConfigA(service.get(), nullptr, 0, &needed);
  std::unique_ptr<BYTE[]> buffer(new BYTE[needed + 1]());
  auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get());
  if (!::QueryServiceConfigA(service.get(), query, needed, &needed)) return config;
  config.present = true;
  config.type = query->dwServiceType;
  config.startType = query->dwStartType;
  config.errorControl = query->dwErrorControl;
  config.imagePath = query->lpBinaryPathName != nullptr ? query->lpBinaryPathName : "";
  config.displayName = query->lpDisplayName != nullptr ? query->lpDisplayName : "";
  return config;
}

bool CreateDriverService(const std::string& name, const std::string& displayName, DWORD startType,
                         const std::string& imagePath) {
  unique_schandle manager = OpenManager();
  unique_schandle service(::CreateServiceA(manager.get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_KERNEL_DRIVER, startType, SERVICE_ERROR_NORMAL,
                                           imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  return service.valid();
}

bool WaitForServiceState(const std::string& name, DWORD state) {
  return WaitUntil([&] { return ServiceState(name) == state; });
}

bool StartDriverService(const std::string& name) {
  unique_schandle service = OpenExisting(name, SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service || !::StartServiceA(service.get(), 0, nullptr)) return false;
  return WaitForServiceState(name, SERVICE_RUNNING);
}

bool RemoveService(const std::string& name) {
  {
    unique_schandle service = OpenExisting(name, SERVICE_ALL_ACCESS);
    if (!service) return !ServiceExists(name);
    SERVICE_STATUS status = {};
    if (::QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
      ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
      WaitForServiceState(name, SERVICE_STOPPED);
    }
    ::DeleteService(service.get());
  }
  return WaitUntil([&] { return !ServiceExists(name); });
}

std::string ServiceKeyPath(const std::string& name) { return "System\\CurrentControlSet\\Services\\" + name; }

std::list<CapturedValue> ReversedKeyValues(const std::string& keyPath) {
  std::list<CapturedValue> values;
  unique_hkey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    if (::RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, keyPath, name);
    values.push_front(CapturedValue{std::string(name, nameLength), type, value.data});
  }
  return values;
}

bool operator==(const CapturedValue& a, const CapturedValue& b) {
  return a.name == b.name && a.type == b.type && a.data == b.data;
}

void PrintTo(const CapturedValue& value, std::ostream* out) {
  *out << "{\"" << value.name << "\", type " << value.type << ",";
  for (unsigned char byte : value.data) *out << ' ' << std::hex << std::setw(2) << std::setfill('0') << int(byte);
  *out << std::dec << "}";
}

ScopedDriverCleanup::ScopedDriverCleanup(std::vector<std::string> serviceNames)
    : m_serviceNames(std::move(serviceNames)) {
  Clean();
}

ScopedDriverCleanup::~ScopedDriverCleanup() { Clean(); }

bool ScopedDriverCleanup::PlaceDriverFiles() {
  for (const char* file : {"velctl.sys", "velmon.sys"}) {
    if (!::CopyFileA(BuiltDriverFile(file).c_str(), SystemDriverPath(file).c_str(), FALSE)) return false;
  }
  return true;
}

void ScopedDriverCleanup::Clean() {
  // Services first: a loaded driver keeps its file busy.
  for (const std::string& name : m_serviceNames) RemoveService(name);
  DeleteDriverCopies("velctl.sys");
  DeleteDriverCopies("velmon.sys");
}
