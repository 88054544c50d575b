#pragma once
// The ids a shell link is created and saved with, defined here instead of
// taken from the uuid library: that library's one object carries every id
// Windows defines (about 35 KB) into each executable that links it.

#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>

// The shell link object's class (CLSID_ShellLink).
inline constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Its ANSI interface and the interface that loads and saves it.
inline const IID& kShellLinkInterface = __uuidof(IShellLinkA);
inline const IID& kPersistFileInterface = __uuidof(IPersistFile);
