// Undoing the file steps of a failed installation, and discarding the
// backups of a successful one. Nothing here throws: what cannot be done now
// is handed to Windows for the next start.

#include "engine/install_engine.h"
#include "engine/system_calls.h"

void CInstallEngine::RemoveInstallFiles() {
  for (const auto& entry : m_created) {
    if (entry.second != KindFile) continue;
    const char* path = entry.first.c_str();
    Log("RemoveInstallFiles: ", path);
    // A temporary file that was to replace a file in use at the restart:
    // that replacement must not undo the restore that follows.
    const auto pending = m_pendingReplacements.find(entry.first);
    if (pending != m_pendingReplacements.end()) CancelPendingReplacement(pending->first, pending->second);
    if (!SystemCalls().DeleteFileA(path)) {
      // A file that is already gone is done; a deletion handed to the
      // restart would only remove whatever has that name by then.
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;
      SystemCalls().MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
      RequireRestart();
    }
  }
}

void CInstallEngine::RollBackInstallFiles() {
  for (const auto& entry : m_backups) {
    const char* target = entry.first.c_str();
    const char* backup = entry.second.c_str();
    Log("RollBackInstallFiles: ", target);
    if (!SystemCalls().MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING)) {
      SystemCalls().MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
      RequireRestart();
    }
  }
}

void CInstallEngine::RemoveCreatedDirectories() {
  // A parent sorts before its children, so a created parent that still holds
  // a created child is attempted first and stays; so does any folder that is
  // not empty.
  for (const auto& entry : m_created) {
    if (entry.second == KindDirectory) SystemCalls().RemoveDirectoryA(entry.first.c_str());
  }
}

void CInstallEngine::DiscardBackups() {
  for (const auto& entry : m_backups) SystemCalls().DeleteFileA(entry.second.c_str());
  m_backups.clear();
  m_serviceCapture.clear();
}
