#include "tests/e2e/driver/message_pump.h"

void PumpMessages(DWORD ms) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (ms > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool WaitUntil(DWORD timeout_ms, const std::function<bool()>& done) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    PumpMessages(5);
  }
}
