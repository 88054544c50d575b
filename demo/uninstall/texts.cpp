#include "demo/uninstall/texts.h"

#include "framework/resource_language.h"

std::string LoadText(UINT id) {
  const WCHAR* text = nullptr;
  int length = 0;
  if (!AfxFindString(GetModuleHandleA(nullptr), id, AfxGetResourceLanguage(), &text, &length)) return std::string();
  return AfxNarrowText(text, length);
}

std::string FormatText(UINT id, const std::string& argument) {
  std::string text = LoadText(id);
  const std::string::size_type at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}
