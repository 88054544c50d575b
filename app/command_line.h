#pragma once
// The setup's command line: split into arguments by the rules Windows
// programs share (those of CommandLineToArgvW), then read as switches.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/cstring.h"

// The arguments of a whole command line, the program's name first. The
// name runs to the first blank or tab, or, when it starts with a quote, to
// the next quote. Then blanks and tabs outside quotes separate arguments; a
// quote toggles quoting and is dropped; 2n backslashes before a quote give n
// backslashes, 2n+1 give n and a literal quote; other backslashes are kept;
// inside quotes a doubled quote gives one literal quote and ends the quoting.
// One departure, for the switches' values (after the '=' of an argument that
// starts with '/' or '-'): a backslash is always itself, so a folder that
// ends in a backslash may stand in quotes (a folder never holds a quote).
// The line is read by characters of `codePage` (the system's ANSI code page
// unless a test names another): a double-byte character's second byte is
// never taken for a backslash or a quote.
std::vector<std::string> SplitCommandLine(const char* commandLine, UINT codePage = CP_ACP);

// How the run meets the user.
enum class RunMode { Wizard, Quiet, Passive };
// What happens when the installation needs a restart.
enum class RestartChoice { Ask, Never, Force };

// What the switches asked for. Each switch starts with '/' or '-', its name
// is read without regard to case, and a value follows '='.
struct SetupOptions {
  RunMode mode = RunMode::Wizard;
  RestartChoice restart = RestartChoice::Ask;
  // /noclose: an unattended run leaves the programs that hold the product's
  // files running; their files then wait for the restart.
  bool keepProgramsRunning = false;
  bool help = false;
  bool hasDestination = false;
  CString destination;
  bool hasStartMenu = false;
  CString startMenu;
  bool hasTasks = false;
  bool desktopIcon = false;
  bool quickLaunchIcon = false;
  CString logCopy;
  // /lang: the wizard's language (0: chosen from Windows or the installation).
  LANGID language = 0;
  // The first argument that is wrong and why; both empty when all are right.
  CString invalidArgument;
  CString invalidReason;

  bool Valid() const { return invalidReason.IsEmpty(); }
  bool Unattended() const { return mode != RunMode::Wizard; }
};

// Reads the switches (the arguments after the program's name). Every
// argument is read, so that /quiet or /passive is known even after a wrong
// one; the first wrong one is kept. Folder values must pass the same checks
// as the wizard's folder pages (read in `codePage`); a folder's trailing
// backslash is dropped.
SetupOptions ReadSetupOptions(const std::vector<std::string>& arguments, UINT codePage = CP_ACP);
