#pragma once
// Drives a modal dialog from a helper thread the way a user would: once the
// dialog's window is up, a script sends it clicks, keys and texts, and the
// test then sees what DoModal returned.

#include <windows.h>

#include <functional>

#include "framework/dialog.h"

// Result DoModal reports when the script left the dialog open.
constexpr INT_PTR kDialogLeftOpen = -77;
// Result DoModal reports when the dialog's window never became visible.
constexpr INT_PTR kDialogNeverShown = -78;

// Runs dialog.DoModal() on this thread while `script(window)` runs on a
// helper thread as soon as the dialog's window is visible. A dialog still
// open `leftOpenMs` after the script ended is closed with kDialogLeftOpen.
// A window that is not visible within 5 seconds fails the test at once: the
// dialog, if it exists, is closed with kDialogNeverShown and the script
// does not run.
INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND window)>& script,
                 DWORD leftOpenMs = 10000);

// Waits up to 5 seconds for `condition`; true when it became true.
bool WaitFor(const std::function<bool()>& condition);

// Waits until the dialog's thread has taken from its queue every message
// posted to the dialog before this call (a marker posted after them has
// come through), so that what they did, or failed to do, can be checked.
// Fails the test and returns false when the marker does not come through
// within 5 seconds.
bool AwaitPostedMessages(HWND dialog);

// BM_CLICK on control `id`, as a mouse click on it would.
void Click(HWND dialog, int id);
// Presses and releases `key` with the focus inside the dialog.
void PressKey(HWND dialog, WPARAM key);
