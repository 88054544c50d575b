#include "app/folder_checks.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/text_ids.h"
#include "engine/product_install_engine.h"
#include "engine/system_calls.h"
#include "res/resource.h"

namespace {

// The text as characters: on double-byte Windows a character's second byte
// may be 0x5C ('\\') or 0x7C ('|'), which are no characters of their own.
// One backslash at the end is dropped (see WithoutTrailingBackslash).
std::vector<wchar_t> FolderCharacters(const std::string& text, UINT codePage) {
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::vector<wchar_t> path(static_cast<size_t>(length > 0 ? length : 0));
  if (length > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), path.data(), length);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Characters no folder name may hold; ':' is allowed only after the drive.
bool HasForbiddenCharacter(const std::vector<wchar_t>& path, size_t from) {
  for (size_t i = from; i < path.size(); ++i) {
    if (path[i] < 32 || std::wcschr(L"<>:\"/|?*", path[i]) != nullptr) return true;
  }
  return false;
}

// A backslash-separated part from `from` on that is empty (a doubled
// backslash), only dots, or ends in a blank or a dot: Windows trims the last
// two when it creates the folder, so the installation would then look for a
// folder that is not there.
bool HasBadPart(const std::vector<wchar_t>& path, size_t from) {
  for (size_t start = from;;) {
    size_t end = start;
    while (end < path.size() && path[end] != L'\\') ++end;
    if (end == start || path[end - 1] == L' ' || path[end - 1] == L'.') return true;
    if (end == path.size()) return false;
    start = end + 1;
  }
}

// A part whose name before its first dot (blanks before the dot ignored) is
// a device Windows reserves in every folder: CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, in any case. Such a folder cannot be created.
bool HasDeviceName(const std::vector<wchar_t>& path, size_t from) {
  for (size_t start = from; start <= path.size();) {
    size_t end = start;
    while (end < path.size() && path[end] != L'\\') ++end;
    size_t base = start;
    while (base < end && path[base] != L'.') ++base;
    while (base > start && path[base - 1] == L' ') --base;
    // The names are ASCII: compared by their upper-case letters.
    char name[5] = {};
    for (size_t i = start; i < base && i - start < 4; ++i) {
      const wchar_t c = path[i];
      name[i - start] = static_cast<char>(c >= L'a' && c <= L'z' ? c - L'a' + L'A' : (c < 128 ? c : '?'));
    }
    const bool port = (std::strncmp(name, "COM", 3) == 0 || std::strncmp(name, "LPT", 3) == 0) &&
                      name[3] >= '1' && name[3] <= '9';
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
      if (base - start == 3 && std::strcmp(name, device) == 0) return true;
    }
    if (base - start == 4 && port) return true;
    start = end + 1;
  }
  return false;
}

// The length of the common Programs folder the Start Menu folder goes
// below; 0 when the shell does not say (the engine then fails on it anyway).
int ProgramsFolderLength() {
  char programs[MAX_PATH + 1] = {};
  if (!SystemCalls().SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE)) return 0;
  return static_cast<int>(std::strlen(programs));
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

int MaxDestinationFolderLength() {
  return MAX_PATH - 1 - static_cast<int>(CProductInstallEngine::LongestPathInDestination());
}

int MaxStartMenuFolderLength() {
  return MAX_PATH - 1 - ProgramsFolderLength() - 1 - static_cast<int>(CProductInstallEngine::LongestPathInStartMenu());
}

UINT DestinationFolderProblem(const CString& folder, UINT codePage) {
  const std::vector<wchar_t> path = FolderCharacters(folder.str(), codePage);
  // A folder on a drive, never the drive's root (Windows refuses to create
  // it, and the product's files do not belong there), or \\server\share...
  const bool onDrive = path.size() > 3 && IsLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
  const bool onShare = path.size() >= 5 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\' &&
                       path[2] != L'?' && path[2] != L'.' && std::find(path.begin() + 2, path.end(), L'\\') != path.end();
  if (!onDrive && !onShare) return IDS_DESTINATION_NOT_ABSOLUTE;
  const size_t rest = onDrive ? 3 : 2;
  if (HasForbiddenCharacter(path, rest) || HasBadPart(path, rest) || HasDeviceName(path, rest)) {
    return IDS_DESTINATION_NOT_ABSOLUTE;
  }
  if (WithoutTrailingBackslash(folder, codePage).GetLength() > MaxDestinationFolderLength()) {
    return IDS_DESTINATION_TOO_LONG;
  }
  return 0;
}

UINT StartMenuFolderProblem(const CString& folder, UINT codePage) {
  const std::vector<wchar_t> path = FolderCharacters(folder.str(), codePage);
  if (path.empty() || path[0] == L'\\') return IDS_START_MENU_NOT_RELATIVE;
  if (HasForbiddenCharacter(path, 0) || HasBadPart(path, 0) || HasDeviceName(path, 0)) {
    return IDS_START_MENU_NOT_RELATIVE;
  }
  if (WithoutTrailingBackslash(folder, codePage).GetLength() > MaxStartMenuFolderLength()) {
    return IDS_START_MENU_TOO_LONG;
  }
  return 0;
}

CString WithoutTrailingBackslash(const CString& folder, UINT codePage) {
  const std::string& text = folder.str();
  // Walked by characters: the last byte may be the second of a double-byte one.
  size_t last = 0;
  for (size_t at = 0; at < text.size();) {
    last = at;
    at += ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) && at + 1 < text.size() ? 2 : 1;
  }
  if (text.empty() || text[last] != '\\') return folder;
  return CString(text.substr(0, last));
}

CString FolderProblemText(UINT problem, const CString& folder, LANGID language) {
  CString format;
  format.LoadString(problem, language);
  const std::string shown = language == kEnglishLanguage ? folder.str() : AfxTextFromSystem(folder);
  CString text;
  if (problem == IDS_DESTINATION_TOO_LONG) {
    text.Format(format.c_str(), shown.c_str(), MaxDestinationFolderLength());
  } else if (problem == IDS_START_MENU_TOO_LONG) {
    text.Format(format.c_str(), shown.c_str(), MaxStartMenuFolderLength());
  } else {
    text.Format(format.c_str(), shown.c_str());
  }
  return text;
}
