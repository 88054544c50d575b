#pragma once
// The product's uninstall registration, as the setup writes it.

#include <string>

#include "demo/uninstall/removal.h"

struct InstalledProduct {
  std::string installLocation;    // the destination folder
  std::string uninstallString;    // the installed uninstall.exe, quoted or not
  std::string startMenuLocation;  // relative to the all-users Programs folder
  std::string displayName;
  unsigned language = 0;          // Language: the LANGID the setup spoke; 0 when none is recorded
};

// Reads the registration; false when the product is not registered.
bool ReadInstalledProduct(InstalledProduct* product);

// The folder holding the program files: InstallLocation, or the folder of
// UninstallString when InstallLocation is empty.
std::string ProgramFolder(const InstalledProduct& product);

// The program of a command line: the quoted part when it starts with a
// quote (arguments after it dropped), else the whole line, which may hold
// blanks as an unquoted path.
std::string CommandProgram(const std::string& command);

// Deletes the registration key with everything in it; a failure is noted.
void DeleteRegistration(Removal& removal);
