// Snapshot of a reconfigured service's registry values, and its restore.
// Silent by design: whatever cannot be read or written is left out.

#include <memory>
#include <new>

#include "engine/install_engine.h"
#include "engine/seam_handles.h"

namespace {

std::string ServiceKeyPath(const std::string& serviceName) {
  return "System\\CurrentControlSet\\Services\\" + serviceName;
}

}  // namespace

void CInstallEngine::CaptureServiceRegistry(const std::string& serviceName) {
  ISystemCalls& calls = SystemCalls();
  seam_hkey key;
  if (calls.RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return;
  }
  DWORD valueCount = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  if (calls.RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                             &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS ||
      valueCount == 0) {
    return;
  }

  // The slack covers the terminating zero the longest-length figures leave out.
  const DWORD nameSize = longestName + 16;
  const DWORD dataSize = longestData + 16;
  std::unique_ptr<char[]> name(new (std::nothrow) char[nameSize]());
  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[dataSize]());
  if (!name || !data) return;

  // Downwards, so the list (and the restore) runs in reverse enumeration order.
  std::list<CapturedValue> values;
  for (DWORD index = valueCount; index-- > 0;) {
    DWORD nameLength = nameSize;
    DWORD type = 0;
    if (calls.RegEnumValueA(key.get(), index, name.get(), &nameLength, nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      continue;
    }
    DWORD dataLength = dataSize;
    if (calls.RegQueryValueExA(key.get(), name.get(), nullptr, nullptr, data.get(), &dataLength) != ERROR_SUCCESS) {
      continue;
    }
    values.push_back(CapturedValue{std::string(name.get(), nameLength), type,
                                   std::string(reinterpret_cast<const char*>(data.get()), dataLength)});
  }
  m_serviceCapture[serviceName] = std::move(values);
}

void CInstallEngine::RestoreServiceRegistry() {
  ISystemCalls& calls = SystemCalls();
  for (const auto& [serviceName, values] : m_serviceCapture) {
    seam_hkey key;
    if (calls.RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath(serviceName).c_str(), 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS) {
      continue;  // the service is gone; nothing to put back
    }
    for (const CapturedValue& value : values) {
      calls.RegSetValueExA(key.get(), value.name.c_str(), 0, value.type,
                           reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
    }
  }
  m_serviceCapture.clear();
}
