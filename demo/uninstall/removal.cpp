#include "demo/uninstall/removal.h"

#include <windows.h>

#include "base/handles.h"
#include "demo/uninstall/paths.h"

namespace {
bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
}  // namespace

Removal::Removal() : m_pendingAtStart(ReadPendingMoves()) {}

void Removal::RemoveFile(const std::string& path) {
  // A waiting copy that cannot be dropped moves into place at the restart;
  // the file is then deleted after that move.
  bool replacementWaits = !DropPendingReplacements(path);
  if (!DeleteNow(path) || replacementWaits) {
    ScheduleAtRestart(path, replacementWaits || m_ownFile.empty() || !SamePath(path, m_ownFile));
  }
}

bool Removal::DeleteNow(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (IsMissing(GetLastError())) return true;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return true;
  } else if (attributes & FILE_ATTRIBUTE_READONLY) {
    // DeleteFile refuses read-only files; the user may have set the flag.
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return DeleteFileA(path.c_str()) || IsMissing(GetLastError());
}

void Removal::RemoveFolderIfEmptied(const std::string& folder) {
  if (RemoveDirectoryA(folder.c_str())) return;
  DWORD error = GetLastError();
  if (IsMissing(error)) return;
  // An empty folder that cannot go now (some process's current folder) and
  // a folder left with only our pending files both go at the restart.
  if (HoldsOnly(folder, m_scheduled)) ScheduleAtRestart(folder, !HoldsOnly(folder, m_ownLeftovers));
}

void Removal::NoteRestartNeeded() {
  m_restartNeeded = true;
}

void Removal::NoteFailure(const std::string& what) {
  m_failures.push_back(what);
}

void Removal::ScheduleAtRestart(const std::string& path, bool needsRestart) {
  if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    m_scheduled.push_back(path);
    if (needsRestart) {
      m_restartNeeded = true;
    } else {
      m_ownLeftovers.push_back(path);
    }
  } else {
    NoteFailure(path);
  }
}

bool Removal::DropPendingReplacements(const std::string& path) {
  bool dropped = true;
  for (const PendingMove& move : m_pendingAtStart) {
    if (move.target.empty() || !SamePath(move.target, path)) continue;
    if (!DeleteFileA(move.source.c_str()) && !IsMissing(GetLastError())) {
      dropped = false;
      continue;
    }
    // Its operation goes too: a move of a file that no longer exists.
    RemovePendingMove(move);
  }
  return dropped;
}

bool Removal::HoldsOnly(const std::string& folder, const std::vector<std::string>& items) {
  WIN32_FIND_DATAA entry = {};
  unique_hfind find(FindFirstFileA(JoinPath(folder, "*").c_str(), &entry));
  if (!find) return false;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    bool listed = false;
    for (const std::string& item : items) listed = listed || SamePath(item, JoinPath(folder, name));
    if (!listed) return false;
  } while (FindNextFileA(find.get(), &entry));
  return true;
}
