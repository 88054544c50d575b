// Taking back a replacement the installation handed to the next restart.
// Windows keeps the requests of MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) as
// pairs of strings in one value of the Session Manager key and offers no
// call to withdraw one, so the pair is taken out of that value.

#include <cstring>
#include <string>
#include <vector>

#include "engine/install_engine.h"
#include "engine/seam_handles.h"

namespace {

constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

// A path of the value without its "!" (replace) and "\??\" prefixes.
std::string WithoutPrefixes(const std::string& path) {
  size_t start = 0;
  if (path.compare(start, 1, "!") == 0) ++start;
  if (path.compare(start, 4, "\\??\\") == 0) start += 4;
  return path.substr(start);
}

bool SamePath(const std::string& stored, const std::string& path) {
  return _stricmp(WithoutPrefixes(stored).c_str(), path.c_str()) == 0;
}

// The strings of a REG_MULTI_SZ value, empty ones included: an empty string
// is the target of a pending deletion, not the end of the list.
std::vector<std::string> SplitStrings(const std::string& data) {
  std::vector<std::string> strings;
  for (size_t at = 0; at < data.size();) {
    const size_t end = data.find('\0', at);
    strings.push_back(data.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  // The list's own terminator leaves one (or, with the stored zero of the
  // last string, two) empty strings at the end that are no pair.
  while (strings.size() % 2 != 0 || (!strings.empty() && strings[strings.size() - 2].empty())) {
    strings.pop_back();
  }
  return strings;
}

}  // namespace

void CInstallEngine::CancelPendingReplacement(const std::string& temporary, const std::string& target) {
  ISystemCalls& calls = SystemCalls();
  seam_hkey key;
  if (calls.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (calls.RegQueryValueExA(key.get(), kPendingRenamesValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return;
  }
  std::string data(size, '\0');
  if (size == 0 || calls.RegQueryValueExA(key.get(), kPendingRenamesValue, nullptr, &type,
                                          reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS) {
    return;
  }
  data.resize(size);

  const std::vector<std::string> strings = SplitStrings(data);
  std::string kept;
  bool cancelled = false;
  for (size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (SamePath(strings[i], temporary) && SamePath(strings[i + 1], target)) {
      cancelled = true;
      continue;
    }
    kept += strings[i] + '\0' + strings[i + 1] + '\0';
  }
  if (!cancelled) return;
  if (kept.empty()) {
    calls.RegDeleteValueA(key.get(), kPendingRenamesValue);
    return;
  }
  kept += '\0';
  calls.RegSetValueExA(key.get(), kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size()));
}
