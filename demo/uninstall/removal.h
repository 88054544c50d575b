#pragma once
// The uninstaller's removal primitives and their outcome: what was left for
// Windows to finish at the next restart and what could not be removed.

#include <string>
#include <vector>

#include "demo/uninstall/pending_moves.h"

class Removal {
 public:
  // Reads the operations already pending for the restart.
  Removal();

  // Deletes a file the setup installed; a missing file is fine, a folder of
  // that name is not the setup's and stays. A file that cannot be deleted now
  // (in use) is handed to Windows for deletion at the next restart. A
  // replacement the setup left for the restart would bring the file back, so
  // its waiting new copy goes too.
  void RemoveFile(const std::string& path);

  // Removes folder once the removal emptied it. A folder that holds nothing
  // but items waiting for the restart is scheduled after them; a folder that
  // still holds anything else (a user's file) stays. A missing folder is fine.
  void RemoveFolderIfEmptied(const std::string& folder);

  // Records that only a restart completes the removal (a driver that stays
  // loaded until then).
  void NoteRestartNeeded();

  // The running uninstaller's own file: removed at the restart, since it
  // cannot be removed while it runs, but nothing of the product waits for
  // that, so it (and a folder it alone keeps) asks for no restart.
  void SetOwnFile(const std::string& path) { m_ownFile = path; }

  // Records an item that could neither be removed nor scheduled for removal.
  void NoteFailure(const std::string& what);

  bool RestartNeeded() const { return m_restartNeeded; }
  const std::vector<std::string>& Failures() const { return m_failures; }

 private:
  // Deletes path at once; true when it is gone (or is a folder, which is
  // not the setup's file).
  bool DeleteNow(const std::string& path);
  // `needsRestart`: the item is the product's, not the uninstaller's own.
  void ScheduleAtRestart(const std::string& path, bool needsRestart);
  // Deletes the new copies waiting to replace path at the restart; false
  // when one of them cannot be deleted.
  bool DropPendingReplacements(const std::string& path);
  // True when folder holds nothing but items of `items`.
  static bool HoldsOnly(const std::string& folder, const std::vector<std::string>& items);

  std::vector<PendingMove> m_pendingAtStart;
  std::vector<std::string> m_scheduled;
  std::vector<std::string> m_ownLeftovers;  // scheduled, asking for no restart
  std::string m_ownFile;
  std::vector<std::string> m_failures;
  bool m_restartNeeded = false;
};
