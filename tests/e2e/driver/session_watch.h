#pragma once
// A hidden top-level window that notices the end-of-session broadcast which
// the system sends to every window before a restart.

#include <windows.h>

#include <atomic>

class SessionWatch {
 public:
  // Creates the hidden window; messages reach it while the driver pumps.
  SessionWatch();
  ~SessionWatch();
  SessionWatch(const SessionWatch&) = delete;
  SessionWatch& operator=(const SessionWatch&) = delete;

  // True once WM_ENDSESSION announcing the end of the session has arrived.
  bool Ended() const { return m_ended.load(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND m_window = nullptr;
  std::atomic<bool> m_ended{false};
};
