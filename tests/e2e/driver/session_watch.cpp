#include "tests/e2e/driver/session_watch.h"

#include <cstdio>

namespace {
const char kClassName[] = "VelmoraE2eSessionWatch";
}

SessionWatch::SessionWatch() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClassName;
  RegisterClassA(&window_class);
  // Message-only windows miss broadcasts, so this is an ordinary hidden one.
  m_window = CreateWindowExA(0, kClassName, "velmora e2e session watch", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                             nullptr, window_class.hInstance, this);
}

SessionWatch::~SessionWatch() {
  if (m_window) DestroyWindow(m_window);
}

LRESULT CALLBACK SessionWatch::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<SessionWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_QUERYENDSESSION) {
    std::printf("session: the system asks to end the session\n");
    std::fflush(stdout);
    return TRUE;
  }
  if (message == WM_ENDSESSION && wparam && self) {
    self->m_ended = true;
    std::printf("session: the session ends\n");
    std::fflush(stdout);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}
