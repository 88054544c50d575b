// The setup program's one application object; the framework's WinMain runs
// its InitInstance.

#include "app/setup_app.h"

CSetupApp theApp;
