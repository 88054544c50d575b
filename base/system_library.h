#pragma once
// Libraries the programs load at run time come from the system directory by
// their full path, never by name: the setup runs elevated, usually from a
// downloads folder that anyone may have dropped a planted copy into.

#include <windows.h>

#include <string>

// Loads `fileName` from the system directory by its full path; null when it
// cannot be loaded. The library is never freed by this function.
inline HMODULE LoadSystemLibrary(const char* fileName) {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + fileName;
  return ::LoadLibraryA(path.c_str());
}
