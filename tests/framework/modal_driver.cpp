#include "modal_driver.h"

#include <atomic>
#include <thread>

bool WaitFor(const std::function<bool()>& condition) {
  for (int waited = 0; waited < 5000; waited += 10) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND window)>& script,
                 DWORD leftOpenMs) {
  std::atomic<bool> ended{false};
  std::thread helper([&] {
    HWND window = nullptr;
    WaitFor([&] {
      window = dialog.m_hWnd;
      return window && IsWindowVisible(window);
    });
    if (!window) return;
    script(window);
    for (DWORD waited = 0; !ended && waited < leftOpenMs; waited += 10) Sleep(10);
    if (!ended && IsWindow(window)) EndDialog(window, kDialogLeftOpen);
  });
  INT_PTR result = -1;
  try {
    result = dialog.DoModal();
  } catch (...) {
    ended = true;
    helper.join();
    throw;
  }
  ended = true;
  helper.join();
  return result;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND dialog, WPARAM key) {
  PostMessageA(dialog, WM_KEYDOWN, key, 1);
  PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}
