#pragma once
// The installation worker's step: the engine's installation, and on its
// failure the stop of the started services, the error message and the
// rollback.

#include <windows.h>

#include "engine/product_install_engine.h"

// Points the engine's restart flag at `restartRequired`, seeds the random
// generator of this thread, and runs Install. When Install does not return:
// progress target 50 with "Stop running services...", StopServices, a
// message owned by `owner` (44 for a CExceptionEx; 35 with the code and
// address of any other C++ or processor exception), Rollback,
// *installFailed = 1. Exceptions of the stop and the rollback pass through.
void InstallWithRollback(CProductInstallEngine& engine, volatile LONG* restartRequired, volatile LONG* installFailed,
                         HWND owner);
