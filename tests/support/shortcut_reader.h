#pragma once
// Reads a ".lnk" file back through the shell-link object, for tests.

#include <string>

struct ShortcutInfo {
  bool loaded = false;  // false when the file could not be loaded
  std::string path;
  std::string description;
  std::string workingDirectory;
  std::string arguments;
  std::string iconLocation;
  int iconIndex = -1;
};

ShortcutInfo ReadShortcut(const std::string& shortcutPath);
