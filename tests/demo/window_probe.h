#pragma once
// Looking at another process's windows the way a user sees them.

#include <windows.h>

#include <string>
#include <vector>

// The visible top-level window of processId whose title is title; waits up
// to timeoutMs and returns null when none appears.
HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs);

// The texts of the window's child controls, in their order.
std::vector<std::string> ChildTexts(HWND window);

// Waits for a message box of processId with the given caption, returns its
// message text, presses the button with id button (IDYES, IDNO, IDOK) and
// waits for the box to close. Returns an empty text and presses nothing when
// no box appears in time.
std::string AnswerMessageBox(DWORD processId, const std::string& caption, int button, DWORD timeoutMs);
