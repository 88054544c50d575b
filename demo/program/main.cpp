// velmora.exe: the product's main program. It shows its name and version and,
// started as "velmora.exe -open FILE" (the ".tms" document type's command),
// the document it was asked to open.
#include <windows.h>

#include <cstdlib>

#include "demo/program/command_line.h"
#include "demo/program/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  MainWindow window;
  if (!window.Create(instance, FindDocumentArgument(__argc, __argv), showCommand)) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
