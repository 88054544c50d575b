#pragma once
// Removal of the product's kernel-driver services.

#include <windows.h>

#include "demo/uninstall/removal.h"

// Stops the service name when it runs (waiting up to ten seconds) and deletes
// it; a missing service is fine. A service that will not stop is still
// marked for deletion, which Windows completes at the restart.
void StopAndDeleteService(SC_HANDLE manager, const char* name, Removal& removal);
