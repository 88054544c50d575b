// The operations waiting for the next restart that concern the product:
// taking back a replacement the installation handed to the restart, and
// withdrawing (and on rollback putting back) an earlier run's or the
// uninstaller's operation that would undo what this run writes.

#include <string>

#include "base/restart_operations.h"
#include "engine/install_engine.h"
#include "engine/native_view.h"
#include "engine/seam_handles.h"

namespace {

// The value's bytes; false when there is no such value or it cannot be read.
bool ReadRestartOperations(HKEY key, std::string* bytes) {
  return ReadRestartOperationBytes(
      [](HKEY at, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
        return SystemCalls().RegQueryValueExW(at, name, reserved, type, data, size);
      },
      key, bytes);
}

// Writes the list back; a list left without pairs goes with its value, as
// Windows itself leaves no empty list. The status of the registry call.
LONG WriteRestartOperations(HKEY key, const RestartOperations& operations) {
  if (operations.Count() == 0) return SystemCalls().RegDeleteValueA(key, kRestartOperationsValueName);
  return SystemCalls().RegSetValueExW(key, kRestartOperationsValue, 0, REG_MULTI_SZ,
                                      reinterpret_cast<const BYTE*>(operations.Bytes().data()),
                                      static_cast<DWORD>(operations.Bytes().size()));
}

LONG OpenSessionManager(seam_hkey* key) {
  return SystemCalls().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                     key->put());
}

}  // namespace

void CInstallEngine::CancelPendingReplacement(const std::string& temporary, const std::string& target) {
  seam_hkey key;
  std::string bytes;
  if (OpenSessionManager(&key) != ERROR_SUCCESS || !ReadRestartOperations(key.get(), &bytes)) return;
  RestartOperations operations(bytes);
  if (operations.TakePairs(WidePath(temporary), WidePath(target))) WriteRestartOperations(key.get(), operations);
}

void CInstallEngine::WithdrawRestartOperations(const std::string& path) {
  seam_hkey key;
  std::string bytes;
  if (OpenSessionManager(&key) != ERROR_SUCCESS || !ReadRestartOperations(key.get(), &bytes)) return;
  RestartOperations operations(bytes);
  const WidePathText widePath = WidePath(path);
  std::vector<WithdrawnOperation> withdrawn;
  for (size_t index = 0; index < operations.Count();) {
    // A deletion of the path, or a move of another file over it.
    const bool deletes = operations.IsDeletion(index) && SameRestartPath(operations.Source(index), widePath);
    const bool replaces = !operations.IsDeletion(index) && SameRestartPath(operations.Target(index), widePath);
    if (!deletes && !replaces) {
      ++index;
      continue;
    }
    // The staged copy's path, empty when the code page cannot spell it.
    const std::string stagedCopy =
        replaces ? AnsiText(WithoutRestartPrefixes(operations.Source(index)), true) : std::string();
    withdrawn.push_back(WithdrawnOperation{path, index, operations.Take(index), stagedCopy});
  }
  if (withdrawn.empty()) return;

  Log("Withdraw Restart Operation: ", path.c_str());
  const LONG status = WriteRestartOperations(key.get(), operations);
  if (status != ERROR_SUCCESS) Throw(566, kModuleEngine, static_cast<uint32_t>(status));
  m_withdrawnOperations.insert(m_withdrawnOperations.end(), withdrawn.begin(), withdrawn.end());
}

void CInstallEngine::RestoreRestartOperations() {
  seam_hkey key;
  if (m_withdrawnOperations.empty() || OpenSessionManager(&key) != ERROR_SUCCESS) return;
  // Last withdrawn first, each where it stood, so that the list comes back
  // in its order; work this run left for the restart stays after it.
  for (auto operation = m_withdrawnOperations.rbegin(); operation != m_withdrawnOperations.rend(); ++operation) {
    Log("Restore Restart Operation: ", operation->path.c_str());
    std::string bytes;
    // A list the withdrawal emptied went with its value: it comes back
    // ended as Windows ends one, by an empty string.
    if (!ReadRestartOperations(key.get(), &bytes)) bytes.assign(sizeof(wchar_t), '\0');
    RestartOperations operations(bytes);
    operations.Put(operation->index, operation->pair);
    WriteRestartOperations(key.get(), operations);
  }
}

void CInstallEngine::DiscardStagedCopies() {
  // The withdrawn replacements' new copies: nothing moves them any more.
  for (const WithdrawnOperation& operation : m_withdrawnOperations) {
    if (operation.stagedCopy.empty()) continue;
    const char* copy = operation.stagedCopy.c_str();
    InNativeView(InNativeFolder(operation.path), FALSE, [&] { return SystemCalls().DeleteFileA(copy); });
  }
  m_withdrawnOperations.clear();
}
