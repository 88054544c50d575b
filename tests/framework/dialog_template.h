#pragma once
// Reads a dialog template resource (DLGTEMPLATE or DLGTEMPLATEEX) into plain
// values, so tests can compare what the resource compiler produced.

#include <windows.h>

#include <string>
#include <vector>

struct DialogItem {
  int id = 0;
  std::string className;  // predefined classes by name ("Button", "Static", ...)
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string text;       // a resource id as text reads "#<id>"
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  int pointSize = 0;
  std::string faceName;
  std::vector<DialogItem> items;
};

// Parses template `id` in exactly `language` (English unless named) of the
// running executable, through the framework's look-up (the chosen
// language's pack first), texts as UTF-8; false when it is missing or
// malformed.
bool LoadDialogTemplate(int id, DialogTemplate& result, LANGID language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
