#pragma once
// Messages the workers post to their pages, so that a page's controls are
// only ever touched on the page's own thread.

#include <windows.h>

// Welcome page: the package is open. wParam: the status; lParam: a CString*
// with the status message, owned by the receiver.
constexpr UINT kInitDoneMessage = WM_APP + 1;
// Welcome page: the initialization worker ended by an unexpected exception.
// wParam: the exception code; lParam: the exception address.
constexpr UINT kInitFaultMessage = WM_APP + 2;
// Progress page: show the text of task index wParam.
constexpr UINT kTaskTextMessage = WM_APP + 3;
// License page: the license could not be shown; say so over the page.
constexpr UINT kLicenseUnshownMessage = WM_APP + 4;
