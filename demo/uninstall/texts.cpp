#include "demo/uninstall/texts.h"

std::string LoadText(UINT id) {
  // The texts are short: one longer than the buffer would be cut, never
  // overrun.
  char buffer[1024] = {};
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? length : 0);
}

std::string FormatText(UINT id, const std::string& argument) {
  std::string text = LoadText(id);
  const std::string::size_type at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}
