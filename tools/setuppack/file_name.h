#pragma once
// Entry names as files: which names are safe, and how to show any name.

#include <string>

// Why name cannot be a file of its own in a folder, on Windows as on Linux
// (empty, "." or "..", a separator, a drive colon, a character Windows
// forbids, a trailing dot or blank, a device name such as "CON"), or "" when
// it can. Such a name is never written into a package or out of one.
std::string UnsafeNameReason(const std::string& name);

// The name with control, non-ASCII and backslash bytes shown as escapes.
std::string PrintableName(const std::string& name);
