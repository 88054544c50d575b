#include "tools/setuppack/file_name.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension, in any case.
bool IsDeviceName(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  for (char& c : stem) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

}  // namespace

std::string UnsafeNameReason(const std::string& name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name is a folder reference";
  if (name.size() > 255) return "the name is longer than 255 characters";
  for (unsigned char c : name) {
    if (c == '/' || c == '\\') return "the name has a folder part";
    if (c == ':') return "the name has a colon";
    if (c < 0x20 || std::strchr("<>\"|?*", c) != nullptr) return "the name has a character Windows forbids";
  }
  if (name.back() == '.' || name.back() == ' ') return "the name ends in a dot or blank";
  if (IsDeviceName(name)) return "the name is a Windows device name";
  return "";
}

std::string PrintableName(const std::string& name) {
  std::string text;
  for (unsigned char c : name) {
    if (c == '\\') {
      text += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      text += escape;
    } else {
      text += char(c);
    }
  }
  return text;
}
