// Keyboard commands: keys typed the way the keyboard delivers them (SendInput
// to the setup's window in the foreground), and where the focus is.

#include <string>

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_runner.h"
#include "tests/e2e/driver/script_words.h"

namespace {

const DWORD kFocusWaitMs = 5000;

const struct {
  const char* name;
  WORD key;
} kKeys[] = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB}, {"shift-tab", VK_TAB}, {"up", VK_UP},
             {"down", VK_DOWN},    {"left", VK_LEFT},     {"right", VK_RIGHT}, {"space", VK_SPACE}};

INPUT KeyInput(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// The window with the keyboard focus on the page's thread.
HWND FocusOf(HWND page) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info) ? info.hwndFocus : nullptr;
}

}  // namespace

void ScriptRunner::AddKeyboardCommands() {
  // key NAME: typed into the setup's box, or else its page, which must have
  // come to the front by itself: a user without a mouse cannot bring it there.
  m_commands["key"] = [this](const Words& w) {
    RequireWords(w, 2);
    WORD key = 0;
    for (const auto& candidate : kKeys) {
      if (w[1] == candidate.name) key = candidate.key;
    }
    if (!key) throw ScriptFailure("unknown key " + w[1]);
    HWND target = m_setup.FindMessageBox() ? m_setup.FindMessageBox() : Page();
    if (!WaitUntil(kFocusWaitMs, [&] { return GetForegroundWindow() == target; }))
      throw ScriptFailure("the setup's " + std::string(target == Page() ? "page" : "box") +
                          " is not in the foreground");
    const bool shift = w[1] == "shift-tab";
    INPUT inputs[4];
    UINT count = 0;
    if (shift) inputs[count++] = KeyInput(VK_SHIFT, false);
    inputs[count++] = KeyInput(key, false);
    inputs[count++] = KeyInput(key, true);
    if (shift) inputs[count++] = KeyInput(VK_SHIFT, true);
    if (SendInput(count, inputs, sizeof(INPUT)) != count) throw ScriptFailure("the key " + w[1] + " was not typed");
    PumpMessages(200);
  };
  // expect-focus ID|page: within 5 s the focus is on control ID, shown and
  // enabled, or on the page itself.
  m_commands["expect-focus"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND page = Page();
    HWND wanted = w[1] == "page" ? page : Control(w[1]);
    if (!WaitUntil(kFocusWaitMs, [&] { return FocusOf(page) == wanted; })) {
      HWND focus = FocusOf(page);
      throw ScriptFailure("the focus is not on " + w[1] + " but on " +
                          (focus == page ? "the page" : "control " + std::to_string(GetDlgCtrlID(focus))));
    }
    if (wanted != page && (!IsWindowVisible(wanted) || !IsWindowEnabled(wanted)))
      throw ScriptFailure("the focus is on control " + w[1] + ", which is hidden or disabled");
  };
}
