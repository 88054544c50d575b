#pragma once
// The uninstaller's texts from its string table, in the language the
// resources are looked up in (framework/resource_language.h: the language
// the setup recorded), in the framework's code page: show them with
// AfxShowMessageBox.

#include <windows.h>

#include <string>

// The text of id; empty when there is none.
std::string LoadText(UINT id);

// The text of id with its "%s" replaced by argument (which is never read as
// a format).
std::string FormatText(UINT id, const std::string& argument);
