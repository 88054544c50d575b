#pragma once
// The installation worker's step: the engine's installation, and on its
// failure the stop of the started services, the error message and the
// rollback.

#include <windows.h>

#include "engine/product_install_engine.h"

// Points the engine's restart flag at `restartRequired`, seeds the random
// generator of this thread, and runs Install. On a CExceptionEx: progress
// target 50 with "Stop running services...", StopServices, message 44 owned
// by `owner`, Rollback, *installFailed = 1. Other exceptions pass through.
void InstallWithRollback(CProductInstallEngine& engine, volatile LONG* restartRequired, volatile LONG* installFailed,
                         HWND owner);
