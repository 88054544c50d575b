#include "demo/uninstall/pending_moves.h"

#include <windows.h>

#include "base/handles.h"
#include "base/restart_operations.h"

namespace {
constexpr const char* kPendingValue = kRestartOperationsValueName;

std::string WithoutPrefixes(std::string path) {
  if (!path.empty() && path[0] == '!') path.erase(0, 1);
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  return path;
}
}  // namespace

std::vector<PendingMove> ReadPendingMoves() {
  std::vector<PendingMove> moves;
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return moves;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return moves;
  }
  // Two extra zeros end the list even when the stored value lacks them.
  std::string data(size + 2, '\0');
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS) {
    return moves;
  }
  // The strings come in pairs, source then target; an empty target is the
  // second string of a pair, not the end of the list.
  std::vector<std::string> strings;
  for (size_t at = 0; at < size;) {
    std::string text(data.c_str() + at);
    strings.push_back(text);
    at += text.size() + 1;
  }
  for (size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i].empty()) break;
    moves.push_back({WithoutPrefixes(strings[i]), WithoutPrefixes(strings[i + 1])});
  }
  return moves;
}

bool RemovePendingMove(const PendingMove& move) {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  // Read wide: other programs' paths may hold characters the ANSI code page
  // has not, which a round trip through it would change.
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), kRestartOperationsValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return false;
  }
  std::string bytes(size, '\0');
  if (RegQueryValueExW(key.get(), kRestartOperationsValue, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  bytes.resize(size);
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
