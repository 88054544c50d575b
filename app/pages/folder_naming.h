#pragma once
// How a folder chosen in the shell's folder browser becomes a setting.

#include "framework/cstring.h"

// The destination for a chosen folder: its path, one backslash (none added
// when it already ends with one, as a drive root does) and the product name.
// C:\ gives C:\Velmora, D:\Apps gives D:\Apps\Velmora.
CString DestinationFolderFor(const CString& chosenPath);
// The Start Menu folder for a chosen folder: only the chosen folder's own
// name (the text after the path's last backslash), a backslash and the
// product name. A path without a backslash leaves `current` unchanged.
CString StartMenuFolderFor(const CString& chosenPath, const CString& current);
