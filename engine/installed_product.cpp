// Reading the uninstall registration back, and the version comparison.

#include "engine/installed_product.h"

#include <vector>

#include "base/product.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

bool ReadText(HKEY key, const char* name, std::string* text) {
  DWORD type = 0;
  DWORD size = 0;
  if (SystemCalls().RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ) return false;
  // One byte more: the stored text need not end with its zero.
  std::vector<char> data(size + 1, '\0');
  if (SystemCalls().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  *text = data.data();
  return true;
}

bool ReadNumber(HKEY key, const char* name, DWORD* value) {
  DWORD type = 0;
  DWORD size = sizeof(*value);
  return SystemCalls().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
             ERROR_SUCCESS &&
         type == REG_DWORD;
}

bool ReadFlag(HKEY key, const char* name, int* flag) {
  DWORD value = 0;
  if (!ReadNumber(key, name, &value)) return false;
  *flag = value != 0 ? 1 : 0;
  return true;
}

// The parts of a version as numbers; a part that is no number counts as 0.
std::vector<unsigned long> VersionParts(const std::string& version) {
  std::vector<unsigned long> parts(1, 0);
  for (char c : version) {
    if (c == '.') {
      parts.push_back(0);
    } else if (c >= '0' && c <= '9') {
      parts.back() = parts.back() * 10 + static_cast<unsigned long>(c - '0');
    }
  }
  return parts;
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
  std::vector<unsigned long> left = VersionParts(a);
  std::vector<unsigned long> right = VersionParts(b);
  const size_t count = left.size() > right.size() ? left.size() : right.size();
  left.resize(count, 0);
  right.resize(count, 0);
  for (size_t i = 0; i < count; ++i) {
    if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
  }
  return 0;
}

int VersionPart(const std::string& version, int index) {
  const std::vector<unsigned long> parts = VersionParts(version);
  return index < static_cast<int>(parts.size()) ? static_cast<int>(parts[index]) : 0;
}

SecondRun PlanSecondRun(const InstalledProduct& installed) {
  if (!installed.present) return SecondRun::Installation;
  // A setup that recorded no version came before the ones that do.
  if (installed.displayVersion.empty()) return SecondRun::Upgrade;
  const int order = CompareVersions(installed.displayVersion, product::kVersion);
  if (order < 0) return SecondRun::Upgrade;
  return order == 0 ? SecondRun::Repair : SecondRun::Downgrade;
}
