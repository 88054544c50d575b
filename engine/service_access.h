#pragma once
// Access the engine asks for when it opens one of the product's services.

#include <windows.h>
#include <winsvc.h>

// Standard rights plus the six service rights from SERVICE_QUERY_CONFIG to
// SERVICE_STOP: enough to reconfigure, query, start and stop a service. Only
// creating and deleting a service ask for SERVICE_ALL_ACCESS.
constexpr DWORD kServiceControlAccess = 0xF003F;

// The pause between two status queries while a service stops.
constexpr DWORD kStopPollInterval = 500;

// Waits up to `polls` intervals for the service to stop; true when it did.
// A status that cannot be read ends the wait, as not stopped.
bool WaitForStop(SC_HANDLE service, int polls);
