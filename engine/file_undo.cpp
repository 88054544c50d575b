// Undoing the file steps of a failed installation, and discarding the
// backups of a successful one. Nothing here throws: what cannot be done now
// is handed to Windows for the next start. Files of the native folder are
// handled in the 64-bit system's own view, each call on its own.

#include "engine/install_engine.h"
#include "engine/native_view.h"
#include "engine/system_calls.h"

void CInstallEngine::RemoveInstallFiles() {
  for (const auto& entry : m_created) {
    if (entry.second != KindFile) continue;
    const char* path = entry.first.c_str();
    const bool native = InNativeFolder(entry.first);
    Log("RemoveInstallFiles: ", path);
    // A temporary file that was to replace a file in use at the restart:
    // that replacement must not undo the restore that follows.
    const auto pending = m_pendingReplacements.find(entry.first);
    if (pending != m_pendingReplacements.end()) CancelPendingReplacement(pending->first, pending->second);
    if (!InNativeView(native, FALSE, [&] { return SystemCalls().DeleteFileA(path); })) {
      // A file that is already gone is done; a deletion handed to the
      // restart would only remove whatever has that name by then.
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;
      InNativeView(native, FALSE,
                   [&] { return SystemCalls().MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); });
      RequireRestart();
    }
  }
}

void CInstallEngine::RollBackInstallFiles() {
  for (const auto& entry : m_backups) {
    const char* target = entry.first.c_str();
    const char* backup = entry.second.c_str();
    const bool native = InNativeFolder(entry.first);
    Log("RollBackInstallFiles: ", target);
    if (!InNativeView(native, FALSE,
                      [&] { return SystemCalls().MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING); })) {
      InNativeView(native, FALSE, [&] {
        return SystemCalls().MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
      });
      RequireRestart();
    }
  }
}

void CInstallEngine::RemoveCreatedDirectories() {
  // A parent sorts before its children: walked backwards, every created
  // folder goes before the created parent that holds it, so a parent this
  // run created goes too. A folder that is not empty stays.
  for (auto entry = m_created.rbegin(); entry != m_created.rend(); ++entry) {
    if (entry->second != KindDirectory) continue;
    const char* path = entry->first.c_str();
    InNativeView(InNativeFolder(entry->first), FALSE, [&] { return SystemCalls().RemoveDirectoryA(path); });
  }
}

void CInstallEngine::DiscardBackups() {
  for (const auto& entry : m_backups) {
    const char* backup = entry.second.c_str();
    InNativeView(InNativeFolder(entry.second), FALSE, [&] { return SystemCalls().DeleteFileA(backup); });
  }
  m_backups.clear();
  m_serviceCapture.clear();
  DiscardStagedCopies();
}
