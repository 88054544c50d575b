// A stand-in for a running program with a window: it ends when its window
// is closed, or, with "--ignore-close", refuses WM_CLOSE and runs until it
// is ended from outside.

#include <windows.h>

#include <cstring>

namespace {

bool g_ignoreClose = false;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE && g_ignoreClose) return 0;
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  g_ignoreClose = std::strstr(commandLine, "--ignore-close") != nullptr;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "VelmoraTestWindowProgram";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA(windowClass.lpszClassName, "Window program", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
