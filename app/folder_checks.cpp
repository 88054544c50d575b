#include "app/folder_checks.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/text_ids.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

// A backup copy's name adds "_", eight digits and ".tmp" to its file's path.
constexpr int kBackupSuffixLength = 1 + 8 + 4;

// Characters no folder name may hold; ':' is allowed only after the drive.
bool HasForbiddenCharacter(const std::string& text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 32 || std::strchr("<>:\"/|?*", c) != nullptr) return true;
  }
  return false;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The parts of a backslash-separated path.
std::vector<std::string> PartsOf(const std::string& path, size_t from) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = from; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  return parts;
}

bool IsDotsOnly(const std::string& part) {
  return !part.empty() && part.find_first_not_of('.') == std::string::npos;
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

UINT DestinationFolderProblem(const CString& folder) {
  const std::string path = folder.str();
  size_t rest = 0;
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
    rest = 3;
  } else if (path.size() >= 5 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' &&
             path[2] != '.') {
    // \\server\share: both names present.
    const std::vector<std::string> parts = PartsOf(path, 2);
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return IDS_DESTINATION_NOT_ABSOLUTE;
    rest = 2;
  } else {
    return IDS_DESTINATION_NOT_ABSOLUTE;
  }
  if (HasForbiddenCharacter(path, rest)) return IDS_DESTINATION_NOT_ABSOLUTE;
  const std::vector<std::string> parts = PartsOf(path, rest);
  for (size_t i = 0; i < parts.size(); ++i) {
    // An empty part is a doubled backslash; only a drive root's own one may
    // end the text.
    if (parts[i].empty() && !(parts.size() == 1 && rest == 3)) return IDS_DESTINATION_NOT_ABSOLUTE;
    if (IsDotsOnly(parts[i])) return IDS_DESTINATION_NOT_ABSOLUTE;
  }
  if (static_cast<int>(path.size()) > MaxDestinationFolderLength()) return IDS_DESTINATION_TOO_LONG;
  return 0;
}

UINT StartMenuFolderProblem(const CString& folder) {
  const std::string path = folder.str();
  if (path.empty() || path[0] == '\\') return IDS_START_MENU_NOT_RELATIVE;
  if (HasForbiddenCharacter(path, 0)) return IDS_START_MENU_NOT_RELATIVE;
  for (const std::string& part : PartsOf(path, 0)) {
    if (part.empty() || IsDotsOnly(part)) return IDS_START_MENU_NOT_RELATIVE;
  }
  return 0;
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
