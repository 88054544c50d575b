#include "demo/uninstall/pending_moves.h"

#include <windows.h>

#include "base/handles.h"
#include "base/restart_operations.h"

namespace {
constexpr const char* kPendingValue = kRestartOperationsValueName;

// The value's bytes as the registry holds them, read wide: other programs'
// paths may hold characters the ANSI code page has not, which a round trip
// through it would change. False when there is no such list.
bool ReadOperationBytes(HKEY key, std::string* bytes) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, kRestartOperationsValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return false;
  }
  bytes->assign(size, '\0');
  if (RegQueryValueExW(key, kRestartOperationsValue, nullptr, &type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  bytes->resize(size);
  return true;
}

std::string AnsiPath(const wchar_t* stored) {
  const wchar_t* path = WithoutRestartPrefixes(stored);
  const int length = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, path, -1, &text[0], length, nullptr, nullptr);
  text.resize(static_cast<size_t>(length - 1));
  return text;
}
}  // namespace

std::vector<PendingMove> ReadPendingMoves() {
  std::vector<PendingMove> moves;
  unique_hkey key;
  std::string bytes;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS ||
      !ReadOperationBytes(key.get(), &bytes)) {
    return moves;
  }
  const RestartOperations operations(bytes);
  for (size_t index = 0; index < operations.Count(); ++index) {
    moves.push_back({AnsiPath(operations.Source(index)), AnsiPath(operations.Target(index))});
  }
  return moves;
}

bool RemovePendingMove(const PendingMove& move) {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::string bytes;
  if (!ReadOperationBytes(key.get(), &bytes)) return false;
  RestartOperations operations(bytes);
  const WidePathText source = WidePath(move.source);
  const WidePathText target = WidePath(move.target);
  bool removed = false;
  for (size_t index = 0; index < operations.Count();) {
    if (SameRestartPath(operations.Source(index), source) && SameRestartPath(operations.Target(index), target)) {
      operations.Take(index);
      removed = true;
    } else {
      ++index;
    }
  }
  if (!removed) return false;
  if (operations.Count() == 0) return RegDeleteValueA(key.get(), kPendingValue) == ERROR_SUCCESS;
  return RegSetValueExW(key.get(), kRestartOperationsValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(operations.Bytes().data()),
                        static_cast<DWORD>(operations.Bytes().size())) == ERROR_SUCCESS;
}
