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
  if (!DeleteNow(path) || replacementWaits) ScheduleAtRestart(path);
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
  if (HoldsOnlyScheduledItems(folder)) ScheduleAtRestart(folder);
}

void Removal::NoteRestartNeeded() {
  m_restartNeeded = true;
}

void Removal::NoteFailure(const std::string& what) {
  m_failures.push_back(what);
}

void Removal::ScheduleAtRestart(const std::string& path) {
  if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    m_scheduled.push_back(path);
    m_restartNeeded = true;
  } else {
    NoteFailure(path);
  }
}

bool Removal::DropPendingReplacements(const std::string& path) {
  bool dropped = true;
  for (const PendingMove& move : m_pendingAtStart) {
    if (move.target.empty() || !SamePath(move.target, path)) continue;
    if (!DeleteFileA(move.source.c_str()) && !IsMissing(GetLastError())) dropped = false;
  }
  return dropped;
}

bool Removal::IsScheduled(const std::string& path) const {
  for (const std::string& scheduled : m_scheduled) {
    if (SamePath(scheduled, path)) return true;
  }
  return false;
}

bool Removal::HoldsOnlyScheduledItems(const std::string& folder) const {
  WIN32_FIND_DATAA entry = {};
  unique_hfind find(FindFirstFileA(JoinPath(folder, "*").c_str(), &entry));
  if (!find) return false;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (!IsScheduled(JoinPath(folder, name))) return false;
  } while (FindNextFileA(find.get(), &entry));
  return true;
}
