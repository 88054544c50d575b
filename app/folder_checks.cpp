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
std::wstring Characters(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// One backslash at the end is dropped.
std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Characters no folder name may hold; ':' is allowed only after the drive.
bool HasForbiddenCharacter(const std::wstring& text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] < 32 || std::wcschr(L"<>:\"/|?*", text[i]) != nullptr) return true;
  }
  return false;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The parts of a backslash-separated path.
std::vector<std::wstring> PartsOf(const std::wstring& path, size_t from) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (size_t i = from; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  return parts;
}

// A part that is empty (a doubled backslash), only dots, or ends in a blank
// or a dot: Windows trims the last two when it creates the folder, so the
// installation would look for a folder that is not there.
bool IsBadPart(const std::wstring& part) {
  return part.empty() || part.back() == L' ' || part.back() == L'.';
}

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
  const std::wstring path = WithoutTrailingBackslash(Characters(folder.str(), codePage));
  size_t rest = 0;
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
    // Not the drive's root: Windows refuses to create it, and the product's
    // files do not belong there.
    rest = 3;
  } else if (path.size() >= 5 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\' && path[2] != L'?' &&
             path[2] != L'.') {
    // \\server\share: both names present.
    const std::vector<std::wstring> parts = PartsOf(path, 2);
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return IDS_DESTINATION_NOT_ABSOLUTE;
    rest = 2;
  } else {
    return IDS_DESTINATION_NOT_ABSOLUTE;
  }
  if (HasForbiddenCharacter(path, rest)) return IDS_DESTINATION_NOT_ABSOLUTE;
  for (const std::wstring& part : PartsOf(path, rest)) {
    if (IsBadPart(part)) return IDS_DESTINATION_NOT_ABSOLUTE;
  }
  if (static_cast<int>(WithoutTrailingBackslash(folder, codePage).GetLength()) > MaxDestinationFolderLength()) {
    return IDS_DESTINATION_TOO_LONG;
  }
  return 0;
}

UINT StartMenuFolderProblem(const CString& folder, UINT codePage) {
  const std::wstring path = WithoutTrailingBackslash(Characters(folder.str(), codePage));
  if (path.empty() || path[0] == L'\\') return IDS_START_MENU_NOT_RELATIVE;
  if (HasForbiddenCharacter(path, 0)) return IDS_START_MENU_NOT_RELATIVE;
  for (const std::wstring& part : PartsOf(path, 0)) {
    if (IsBadPart(part)) return IDS_START_MENU_NOT_RELATIVE;
  }
  return 0;
}

CString WithoutTrailingBackslash(const CString& folder, UINT codePage) {
  const std::wstring path = Characters(folder.str(), codePage);
  // A backslash that is a character of its own is the text's last byte.
  if (path.empty() || path.back() != L'\\') return folder;
  return CString(folder.str().substr(0, folder.str().size() - 1));
}

CString FolderProblemText(UINT problem, const CString& folder) {
  CString text;
  if (problem == IDS_DESTINATION_TOO_LONG) {
    text.Format(problem, folder.c_str(), MaxDestinationFolderLength());
  } else {
    text.Format(problem, folder.c_str());
  }
  return text;
}
