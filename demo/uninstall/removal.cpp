#include "demo/uninstall/removal.h"

#include <windows.h>

#include "demo/uninstall/paths.h"
#include "framework/handles.h"

namespace {
bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
}  // namespace

void Removal::RemoveFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (IsMissing(error)) return;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return;
  } else if (attributes & FILE_ATTRIBUTE_READONLY) {
    // DeleteFile refuses read-only files; the user may have set the flag.
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (DeleteFileA(path.c_str())) return;
  if (IsMissing(GetLastError())) return;
  ScheduleAtRestart(path);
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
