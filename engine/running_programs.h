#pragma once
// The programs that hold files a run is about to replace or remove, and
// their polite closing. They are found through the Restart Manager, which
// also knows programs elsewhere that hold the files (a help viewer), and
// among the processes whose program file lies in the product's folder,
// since not every Restart Manager sees them (Wine's lists nothing). A
// program is asked to close and given time; it is never ended by force.

#include <windows.h>

#include <string>
#include <vector>

#include "log/install_log.h"

struct OpenProgram {
  DWORD processId = 0;
  std::string name;  // the Restart Manager's name for it, else its program file's path
  bool knownToRestartManager = false;
};

class CRunningPrograms {
 public:
  // How long the programs asked to close are given to end, in all.
  static constexpr DWORD kCloseWaitMs = 30000;

  // `files`: the full paths the run replaces or removes; `folder`: the
  // product's folder; `log`: where the finding and the closing write their
  // lines (not owned; none without a log).
  CRunningPrograms(std::vector<std::string> files, std::string folder, CInstallLog* log);

  // Every program that holds one of the files or runs from the folder, this
  // process excepted; each is logged. Never throws; what the system cannot
  // tell is taken as nothing running.
  std::vector<OpenProgram> Find() const;
  // Asks each of `programs` to close (the Restart Manager's shutdown without
  // force for those it knows, WM_CLOSE to every visible top-level window of
  // each), then waits up to kCloseWaitMs for them to end. Logs each outcome
  // and returns the programs still running. Never throws.
  std::vector<OpenProgram> Close(const std::vector<OpenProgram>& programs) const;
  // Logs each of `programs` as left running.
  void Keep(const std::vector<OpenProgram>& programs) const;

 private:
  void Log(const char* label, const std::string& argument) const;
  // The Restart Manager's list, services left out; empty when it has none.
  std::vector<OpenProgram> RestartManagerList() const;
  // Adds to `programs` the processes running from the folder that are not
  // in it yet.
  void AddProcessesInFolder(std::vector<OpenProgram>& programs) const;
  // Registers the files with a session of the Restart Manager; false when
  // the session cannot take them.
  bool RegisterFiles(DWORD session) const;
  // The Restart Manager's shutdown, without force, of the programs it
  // knows that hold the files.
  void ShutDownKnownPrograms() const;

  std::vector<std::string> m_files;
  std::string m_folder;
  CInstallLog* m_log;
};
