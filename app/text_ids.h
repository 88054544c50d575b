#pragma once
// Which string-table text the application shows for a given outcome.

#include <windows.h>

#include <cstdint>

// The message for a failed engine construction, chosen by the exception's
// argument: 21 for ERROR_OLD_WIN_VERSION, 20 for ERROR_NO_SUCH_PRIVILEGE,
// 54 for 0xE0000233, 26 for anything else.
UINT ConstructionFailureTextId(uint32_t arg0);
// The message for a nonzero package status: 22 (-1), 23 (-2), 24 (-3), 25
// for any other value.
UINT PackageStatusTextId(int32_t status);
// The progress page's task text for a task index; 0 when the index has no
// text (9, or outside the table).
UINT TaskTextId(int task);

#include "framework/cstring.h"

// String `id` of the string table; empty when there is none.
CString LoadText(UINT id);
// String `id` in English, for the log.
CString LogText(UINT id);
// String `id` in the language of message boxes (English where a box goes to
// the log); empty when there is none.
CString MessageText(UINT id);
