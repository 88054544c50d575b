#pragma once
// The driver's own message handling: it must keep answering while it waits,
// so that the system's end-of-session broadcast reaches its watcher window.

#include <windows.h>

#include <functional>

// Dispatches the driver's pending messages, then sleeps up to ms while
// watching for new ones.
void PumpMessages(DWORD ms);

// Calls done every few milliseconds, pumping messages in between, until it
// returns true (result true) or timeout_ms have passed (result false).
bool WaitUntil(DWORD timeout_ms, const std::function<bool()>& done);
