#pragma once
// The setup runs elevated, usually from a downloads folder that anyone may
// have dropped files into: it never loads a library from its own folder.

#include <windows.h>

#include "base/system_library.h"

// Limits the search for libraries loaded by name to the system directory
// (SetDefaultDllDirectories, where the system has it). Returns whether the
// limit is in force.
bool RestrictDllSearchToSystem();
