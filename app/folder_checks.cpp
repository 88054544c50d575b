#include "app/folder_checks.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/text_ids.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

// A backup copy's name adds "_", eight digits and ".tmp" to its file's path.
constexpr int kBackupSuffixLength = 1 + 8 + 4;

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

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

int MaxDestinationFolderLength() {
  const std::string stub = std::string(product::kStubFilePrefix) + product::kStubFileSuffix;
  const char* names[] = {product::kProgramFile,      stub.c_str(),         product::kUninstallerFile,
                         product::kHelpFile,         product::kLicenseTextFile, product::kReadmeFile};
  size_t longest = 0;
  for (const char* name : names) longest = std::max(longest, std::strlen(name));
  return MAX_PATH - 1 - static_cast<int>(1 + longest + kBackupSuffixLength);
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
  if (HasForbiddenCharacter(path, rest) || HasBadPart(path, rest)) return IDS_DESTINATION_NOT_ABSOLUTE;
  if (WithoutTrailingBackslash(folder, codePage).GetLength() > MaxDestinationFolderLength()) {
    return IDS_DESTINATION_TOO_LONG;
  }
  return 0;
}

UINT StartMenuFolderProblem(const CString& folder, UINT codePage) {
  const std::vector<wchar_t> path = FolderCharacters(folder.str(), codePage);
  if (path.empty() || path[0] == L'\\') return IDS_START_MENU_NOT_RELATIVE;
  if (HasForbiddenCharacter(path, 0) || HasBadPart(path, 0)) return IDS_START_MENU_NOT_RELATIVE;
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
  } else {
    text.Format(format.c_str(), shown.c_str());
  }
  return text;
}
