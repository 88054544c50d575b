#pragma once
// The sequence runner's command line.
//
//   sequence_runner install --package FILE --dest FOLDER --start-menu NAME
//                   [--desktop] [--quick-launch] [--log FILE] [--hold FILE]...
//                   [--fail-call N] [--fail-name CALL] [--error CODE] [--change-bytes OFFSET HEX]
//                   [--wait-running SERVICE] [--installed]
//   sequence_runner services [--wait-running SERVICE]
//   sequence_runner package --package FILE
//   sequence_runner quiet-uninstall
// --change-bytes: the package's bytes from OFFSET read as HEX when the
// installation reads them again.
// --fail-name: every call of that name (ControlService: a driver that
// refuses to stop) fails with --error.
// --installed: over an installed product, its folders and icon choices
// replace the given ones, as the setup's second run takes them.
// quiet-uninstall: runs the registration's QuietUninstallString exactly as
// written, from another folder, and prints its exit code.

#include <windows.h>

#include <string>
#include <vector>

struct RunnerOptions {
  std::string command;
  std::string package;
  std::string destFolder;
  std::string startMenuFolder;
  int desktopIcon = 0;
  int quickLaunchIcon = 0;
  std::string logFile;              // empty: the system folder's velmora-install.log
  std::vector<std::string> held;    // files held open, without write sharing, for the whole run
  int failCall = 0;                 // the mutating call to fail, counting from 1; 0 for none
  std::string failName;             // a call whose every occurrence fails; empty for none
  DWORD error = ERROR_ACCESS_DENIED;
  DWORD changeOffset = 0;           // where the package reads changed when read again
  std::string changedBytes;         // what it reads there then; none by default
  std::string waitRunning;          // a service to wait for (a few seconds at most) before anything else
  bool installed = false;           // take the installed product's folders and icons
};

// Parses argv[1..]; false with a message on stderr when it is not usable.
bool ParseRunnerOptions(int argc, char** argv, RunnerOptions* options);
