#pragma once
// Reading the product's shell links.

#include <string>

// True when link is a shell link (.lnk) whose target is the file target.
// COM must be initialised on the calling thread.
bool IsShortcutTo(const std::string& link, const std::string& target);
