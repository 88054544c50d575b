#include "modal_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr WPARAM kQueueMarker = 0x5E771ED;
std::atomic<bool> g_markerTaken{false};

// Sees every message the hooked thread takes from its queue.
LRESULT CALLBACK WatchForMarker(int code, WPARAM removal, LPARAM message) {
  const MSG* taken = reinterpret_cast<const MSG*>(message);
  if (code >= 0 && removal == PM_REMOVE && taken->message == WM_NULL && taken->wParam == kQueueMarker) {
    g_markerTaken = true;
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition) {
  for (int waited = 0; waited < 5000; waited += 10) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

bool AwaitPostedMessages(HWND dialog) {
  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &WatchForMarker, nullptr, thread);
  if (hook == nullptr) {
    ADD_FAILURE() << "no message hook on the dialog's thread: error " << GetLastError();
    return false;
  }
  g_markerTaken = false;
  // Posted messages are taken in order: when the marker comes through, the
  // messages before it have been handled.
  PostMessageA(dialog, WM_NULL, kQueueMarker, 0);
  const bool taken = WaitFor([] { return g_markerTaken.load(); });
  UnhookWindowsHookEx(hook);
  if (!taken) ADD_FAILURE() << "the dialog's thread did not take its posted messages within 5 s";
  return taken;
}

INT_PTR RunModal(CDialog& dialog, const std::function<void(HWND window)>& script,
                 DWORD leftOpenMs) {
  std::atomic<bool> ended{false};
  std::atomic<bool> neverShown{false};
  std::thread helper([&] {
    HWND window = nullptr;
    const bool shown = WaitFor([&] {
      if (ended) return true;
      window = dialog.m_hWnd;
      return window && IsWindowVisible(window);
    });
    if (ended) return;  // DoModal gave up on its own; the caller sees its result
    if (!shown) {
      // Without this, a dialog that never shows would keep DoModal, and the
      // test, waiting until CTest's time limit.
      neverShown = true;
      if (window && IsWindow(window)) EndDialog(window, kDialogNeverShown);
      return;
    }
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
  if (neverShown) ADD_FAILURE() << "the dialog's window did not become visible within 5 s";
  return result;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND dialog, WPARAM key) {
  PostMessageA(dialog, WM_KEYDOWN, key, 1);
  PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}
