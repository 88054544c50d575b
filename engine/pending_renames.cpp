// Taking back a replacement the installation handed to the next restart.
// Windows keeps the requests of MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) as
// pairs of strings in one value of the Session Manager key and offers no
// call to withdraw one, so the pair is taken out of that value.

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/install_engine.h"
#include "engine/seam_handles.h"

namespace {

constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
// The value is a wide multi-string and is read and written as one: other
// programs' paths may hold characters the ANSI code page has not, which a
// round trip through it would turn into other names.
constexpr const wchar_t* kPendingRenamesValue = L"PendingFileRenameOperations";
constexpr const char* kPendingRenamesName = "PendingFileRenameOperations";

// The text in wide characters, zero-terminated.
std::vector<wchar_t> Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

// A path of the value compared without its "!" (replace) and "\??\" prefixes.
bool SamePath(const wchar_t* stored, const std::vector<wchar_t>& path) {
  if (*stored == L'!') ++stored;
  if (std::wcsncmp(stored, L"\\??\\", 4) == 0) stored += 4;
  return ::lstrcmpiW(stored, path.data()) == 0;
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
  std::string bytes(size, '\0');
  if (calls.RegQueryValueExW(key.get(), kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                             &size) != ERROR_SUCCESS) {
    return;
  }
  bytes.resize(size);
  // Whole characters, and a zero beyond the value's end, so that its last
  // string ends even when the value does not end it; an odd last byte stays
  // in `bytes` as it came.
  size_t count = bytes.size() / sizeof(wchar_t);
  std::vector<wchar_t> data(count + 1, L'\0');
  std::memcpy(data.data(), bytes.data(), count * sizeof(wchar_t));

  // The pair is cut out where it stands; every other byte of the value
  // stays as it was, the other programs' pairs and the list's end included.
  const std::vector<wchar_t> wideTemporary = Wide(temporary);
  const std::vector<wchar_t> wideTarget = Wide(target);
  bool cancelled = false;
  bool otherPairs = false;
  for (size_t at = 0; at < count;) {
    // An empty source is the end of the list, not a pair.
    const size_t second = at + std::wcslen(&data[at]) + 1;
    if (data[at] == L'\0' || second >= count) break;
    const size_t next = std::min(second + std::wcslen(&data[second]) + 1, count);
    if (SamePath(&data[at], wideTemporary) && SamePath(&data[second], wideTarget)) {
      data.erase(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(next));
      bytes.erase(at * sizeof(wchar_t), (next - at) * sizeof(wchar_t));
      count -= next - at;
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
