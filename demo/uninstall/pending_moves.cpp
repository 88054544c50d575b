#include "demo/uninstall/pending_moves.h"

#include <windows.h>

#include "base/handles.h"

namespace {
constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingValue = "PendingFileRenameOperations";

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
