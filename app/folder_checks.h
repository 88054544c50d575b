#pragma once
// The checks a destination folder and a Start Menu folder text must pass
// before the installation may use them. The wizard's folder pages and the
// command line use the same checks, so a value the wizard would refuse
// cannot reach the engine another way.

#include <windows.h>

#include "framework/cstring.h"
#include "framework/resource_language.h"

// The longest destination folder the installation can use: every program
// file and its backup copy ("<file>_NNNNNNNN.tmp") must still fit a path of
// MAX_PATH characters.
int MaxDestinationFolderLength();
// The same for the Start Menu folder below this computer's common Programs
// folder, for every shortcut and its backup copy.
int MaxStartMenuFolderLength();

// The texts are read in `codePage` (the system's ANSI code page unless a test
// names another), so that the second byte of a double-byte character is
// never taken for a backslash or another character of its own.

// 0 when `folder` can be the destination: an absolute path in a folder on a
// drive ("C:\...", not the drive's root) or on a network share
// ("\\server\share..."), of at most MaxDestinationFolderLength characters,
// without characters a file name cannot hold, a part that ends in a blank or
// a dot, or a part named as a device (CON, NUL, COM1, LPT1.txt, ...); one
// trailing backslash is allowed (see
// WithoutTrailingBackslash). Otherwise the string-table id of the message
// that says why.
UINT DestinationFolderProblem(const CString& folder, UINT codePage = CP_ACP);
// 0 when `folder` can be the Start Menu folder: a non-empty name or path
// relative to the Programs folder, of at most MaxStartMenuFolderLength
// characters, without a drive, a leading backslash, a ".." part, a part that
// ends in a blank or a dot or is named as a device, or characters a file
// name cannot hold; one trailing backslash is allowed. Otherwise the string-table
// id of the message that says why.
UINT StartMenuFolderProblem(const CString& folder, UINT codePage = CP_ACP);
// `folder` without the one backslash it may end with: the form the
// installation uses.
CString WithoutTrailingBackslash(const CString& folder, UINT codePage = CP_ACP);
// The message for a refused folder: text `problem` in `language`
// formatted with the folder (and the length limit where the text names
// it). In English it is a text of the system's code page, for the log and
// the command line's reasons; in another language a framework text for a box.
CString FolderProblemText(UINT problem, const CString& folder, LANGID language = kEnglishLanguage);
