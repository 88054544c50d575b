// Reading the uninstall registration back, and the version comparison.

#include "engine/installed_product.h"

#include <cstdlib>
#include <vector>

#include "base/product.h"
#include "base/registry_text.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

LONG QueryValue(HKEY key, const char* name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  return SystemCalls().RegQueryValueExA(key, name, reserved, type, data, size);
}

bool ReadText(HKEY key, const char* name, std::string* text) { return ReadRegistryText(&QueryValue, key, name, text); }

bool ReadNumber(HKEY key, const char* name, DWORD* value) { return ReadRegistryNumber(&QueryValue, key, name, value); }

bool ReadFlag(HKEY key, const char* name, int* flag) {
  DWORD value = 0;
  if (!ReadNumber(key, name, &value)) return false;
  *flag = value != 0 ? 1 : 0;
  return true;
}

// One dot-separated part of a version: its leading digits without leading
// zeros, and whatever follows them (a pre-release mark such as "-rc1").
struct VersionPiece {
  std::string number;
  std::string mark;
};

VersionPiece Piece(const std::string& part) {
  size_t digits = 0;
  while (digits < part.size() && part[digits] >= '0' && part[digits] <= '9') ++digits;
  size_t first = 0;
  while (first < digits && part[first] == '0') ++first;
  return VersionPiece{part.substr(first, digits - first), part.substr(digits)};
}

std::vector<VersionPiece> VersionPieces(const std::string& version) {
  std::vector<VersionPiece> pieces;
  for (size_t start = 0;;) {
    const size_t dot = version.find('.', start);
    pieces.push_back(Piece(version.substr(start, dot == std::string::npos ? std::string::npos : dot - start)));
    if (dot == std::string::npos) return pieces;
    start = dot + 1;
  }
}

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Numbers of any length as digit strings without leading zeros: the longer
// is the larger, equal lengths compare as text.
int CompareNumbers(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return Sign(a.compare(b));
}

// Two pre-release marks in natural order: runs of digits as numbers, other
// characters one by one without regard to case ("rc2" before "rc10", "beta"
// before "rc").
int CompareMarks(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t endA = i;
      size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      const int order = CompareNumbers(Piece(a.substr(i, endA - i)).number, Piece(b.substr(j, endB - j)).number);
      if (order != 0) return order;
      i = endA;
      j = endB;
      continue;
    }
    const char left = lower(a[i++]);
    const char right = lower(b[j++]);
    if (left != right) return left < right ? -1 : 1;
  }
  return Sign(static_cast<int>(a.size() - i) - static_cast<int>(b.size() - j));
}

int ComparePieces(const VersionPiece& a, const VersionPiece& b) {
  const int order = CompareNumbers(a.number, b.number);
  if (order != 0) return order;
  // A mark makes a pre-release, older than the same number without one.
  if (a.mark.empty() != b.mark.empty()) return a.mark.empty() ? 1 : -1;
  return CompareMarks(a.mark, b.mark);
}

}  // namespace

InstalledProduct ReadInstalledProduct() {
  InstalledProduct installed;
  seam_hkey key;
  // The default view of this 32-bit program: where the engine writes it.
  if (SystemCalls().RegOpenKeyExA(HKEY_LOCAL_MACHINE, product::UninstallKeyPath().c_str(), 0, KEY_READ,
                                  key.put()) != ERROR_SUCCESS) {
    return installed;
  }
  ReadText(key.get(), "InstallLocation", &installed.installLocation);
  ReadText(key.get(), "StartMenuLocation", &installed.startMenuLocation);
  ReadText(key.get(), "DisplayVersion", &installed.displayVersion);
  installed.hasTasks = ReadFlag(key.get(), kDesktopIconValue, &installed.desktopIcon) &&
                       ReadFlag(key.get(), kQuickLaunchIconValue, &installed.quickLaunchIcon);
  DWORD language = 0;
  if (ReadNumber(key.get(), kLanguageValue, &language)) installed.language = language;
  installed.present = !installed.installLocation.empty();
  return installed;
}

int CompareVersions(const std::string& a, const std::string& b) {
  std::vector<VersionPiece> left = VersionPieces(a);
  std::vector<VersionPiece> right = VersionPieces(b);
  const size_t count = left.size() > right.size() ? left.size() : right.size();
  left.resize(count);
  right.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const int order = ComparePieces(left[i], right[i]);
    if (order != 0) return order;
  }
  return 0;
}

int VersionPart(const std::string& version, int index) {
  const std::vector<VersionPiece> pieces = VersionPieces(version);
  if (index >= static_cast<int>(pieces.size())) return 0;
  const std::string& number = pieces[index].number;
  // Our own version's parts are small; a longer one would not fit a DWORD.
  return number.size() > 9 ? 0 : std::atoi(number.c_str());
}

SecondRun PlanSecondRun(const InstalledProduct& installed) {
  if (!installed.present) return SecondRun::Installation;
  // A setup that recorded no version came before the ones that do.
  if (installed.displayVersion.empty()) return SecondRun::Upgrade;
  const int order = CompareVersions(installed.displayVersion, product::kVersion);
  if (order < 0) return SecondRun::Upgrade;
  return order == 0 ? SecondRun::Repair : SecondRun::Downgrade;
}
