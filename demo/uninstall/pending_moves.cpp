#include "demo/uninstall/pending_moves.h"

#include <windows.h>

#include "base/handles.h"
#include "base/restart_operations.h"

namespace {
constexpr const char* kPendingValue = kRestartOperationsValueName;

// The value's bytes as the registry holds them, read wide: other programs'
// paths may hold characters the ANSI code page has not, which a round trip
// through it would change.
bool ReadOperationBytes(HKEY key, std::string* bytes) { return ReadRestartOperationBytes(&RegQueryValueExW, key, bytes); }

std::string AnsiPath(const wchar_t* stored) { return AnsiText(WithoutRestartPrefixes(stored)); }
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
  if (!operations.TakePairs(WidePath(move.source), WidePath(move.target))) return false;
  if (operations.Count() == 0) return RegDeleteValueA(key.get(), kPendingValue) == ERROR_SUCCESS;
  return RegSetValueExW(key.get(), kRestartOperationsValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(operations.Bytes().data()),
                        static_cast<DWORD>(operations.Bytes().size())) == ERROR_SUCCESS;
}
