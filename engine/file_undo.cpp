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
    if (!InNativeView(native, FALSE, [&] { return SystemCalls().DeleteFileA(path); })) {
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
  // A parent sorts before its children, so a created parent that still holds
  // a created child is attempted first and stays; so does any folder that is
  // not empty.
  for (const auto& entry : m_created) {
    if (entry.second != KindDirectory) continue;
    const char* path = entry.first.c_str();
    InNativeView(InNativeFolder(entry.first), FALSE, [&] { return SystemCalls().RemoveDirectoryA(path); });
  }
}

void CInstallEngine::DiscardBackups() {
  for (const auto& entry : m_backups) {
    const char* backup = entry.second.c_str();
    InNativeView(InNativeFolder(entry.second), FALSE, [&] { return SystemCalls().DeleteFileA(backup); });
  }
  m_backups.clear();
  m_serviceCapture.clear();
}
