// Taking back a replacement the installation handed to the next restart.
// Windows keeps the requests of MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) as
// pairs of strings in one value of the Session Manager key and offers no
// call to withdraw one, so the pair is taken out of that value.

#include <cstring>
#include <string>

#include "engine/install_engine.h"
#include "engine/seam_handles.h"

namespace {

constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
// The value is a wide multi-string and is read and written as one: other
// programs' paths may hold characters the ANSI code page has not, which a
// round trip through it would turn into other names.
constexpr const wchar_t* kPendingRenamesValue = L"PendingFileRenameOperations";
constexpr const char* kPendingRenamesName = "PendingFileRenameOperations";

std::wstring Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  }
  return wide;
}

// A path of the value without its "!" (replace) and "\??\" prefixes.
std::wstring WithoutPrefixes(const std::wstring& path) {
  size_t start = 0;
  if (path.compare(start, 1, L"!") == 0) ++start;
  if (path.compare(start, 4, L"\\??\\") == 0) start += 4;
  return path.substr(start);
}

bool SamePath(const std::wstring& stored, const std::wstring& path) {
  return ::lstrcmpiW(WithoutPrefixes(stored).c_str(), path.c_str()) == 0;
}

// The string of the value that starts at `at`, and where the next one starts.
std::wstring StringAt(const std::wstring& data, size_t at, size_t* next) {
  const size_t end = data.find(L'\0', at);
  if (end == std::wstring::npos) {
    *next = data.size();
    return data.substr(at);
  }
  *next = end + 1;
  return data.substr(at, end - at);
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
  if (calls.RegQueryValueExW(key.get(), kPendingRenamesValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ || size == 0) {
    return;
  }
  // Whole characters; an odd last byte, if any, is kept as it came.
  std::string bytes(size, '\0');
  if (calls.RegQueryValueExW(key.get(), kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                             &size) != ERROR_SUCCESS) {
    return;
  }
  bytes.resize(size);
  std::wstring data(bytes.size() / sizeof(wchar_t), L'\0');
  if (!data.empty()) std::memcpy(&data[0], bytes.data(), data.size() * sizeof(wchar_t));

  // The pair is cut out where it stands; every other character of the value
  // stays as it was, the other programs' pairs and the list's end included.
  const std::wstring wideTemporary = Wide(temporary);
  const std::wstring wideTarget = Wide(target);
  bool cancelled = false;
  bool otherPairs = false;
  for (size_t at = 0; at < data.size();) {
    size_t second = 0;
    size_t next = 0;
    const std::wstring from = StringAt(data, at, &second);
    // An empty source is the end of the list, not a pair.
    if (from.empty() || second >= data.size()) break;
    const std::wstring to = StringAt(data, second, &next);
    if (SamePath(from, wideTemporary) && SamePath(to, wideTarget)) {
      data.erase(at, next - at);
      bytes.erase(at * sizeof(wchar_t), (next - at) * sizeof(wchar_t));
      cancelled = true;
      continue;
    }
    otherPairs = true;
    at = next;
  }
  if (!cancelled) return;
  if (!otherPairs) {
    calls.RegDeleteValueA(key.get(), kPendingRenamesName);
    return;
  }
  calls.RegSetValueExW(key.get(), kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
}
