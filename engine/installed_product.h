#pragma once
// The product an earlier run left on this computer, as its uninstall
// registration tells, and what a run of this setup does about it.

#include <string>

struct InstalledProduct {
  bool present = false;           // registered, with the folder it lives in
  std::string installLocation;    // the destination folder of that run
  std::string startMenuLocation;  // relative to the all-users Programs folder
  std::string displayVersion;     // empty: a setup that recorded none (older than any)
  bool hasTasks = false;          // the icon choices of that run were recorded
  int desktopIcon = 0;
  int quickLaunchIcon = 0;
  unsigned language = 0;          // the Language value (a LANGID); 0: none recorded
};

// What a run does over what is installed.
enum class SecondRun { Installation, Upgrade, Repair, Downgrade };

// The values of our own in the uninstall key: the icon choices of the run
// that wrote it (REG_DWORD, 0 or 1).
constexpr const char* kDesktopIconValue = "DesktopIcon";
constexpr const char* kQuickLaunchIconValue = "QuickLaunchIcon";
// The standard value of the language the product was installed in: the
// LANGID of the setup's wizard (REG_DWORD).
constexpr const char* kLanguageValue = "Language";

// Reads the uninstall registration from the registry view the engine writes
// it to. Nothing registered (or no folder named) gives present false. Never
// throws.
InstalledProduct ReadInstalledProduct();
// Compares two versions part by part (parts separated by dots; a missing
// part counts as 0): a part's leading digits as a number of any length
// ("1.10" is newer than "1.9"); whatever follows them ("-rc1", " beta 2")
// marks a pre-release of that number, older than the number alone; two marks
// compare in natural order (digit runs as numbers, other characters without
// regard to case). Negative, 0 or positive as `a` is older than, the same as
// or newer than `b`.
int CompareVersions(const std::string& a, const std::string& b);
// The numbers of a version's first two parts.
int VersionPart(const std::string& version, int index);
// What this setup (product::kVersion) does over `installed`.
SecondRun PlanSecondRun(const InstalledProduct& installed);
