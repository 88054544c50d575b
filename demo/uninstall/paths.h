#pragma once
// Path helpers of the uninstaller. Paths are 8-bit ANSI, joined the way the
// setup joins them: folder, one backslash, name.

#include <string>

// folder + "\" + name; no second backslash when folder already ends in one.
std::string JoinPath(const std::string& folder, const std::string& name);

// The part of path before its last backslash; empty when it has none.
std::string ParentFolder(const std::string& path);

// True when both name the same file after making them absolute, ignoring case.
bool SamePath(const std::string& first, const std::string& second);

// True when path lies below folder (not folder itself), after making both
// absolute, ignoring case.
bool IsBelowFolder(const std::string& path, const std::string& folder);

// The shell folder csidl (never created); empty when Windows has none.
std::string SpecialFolder(int csidl);
