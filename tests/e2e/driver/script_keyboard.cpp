// Keyboard commands: keys typed the way the keyboard delivers them (SendInput
// to the page in the foreground), and where the focus is.

#include <string>

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_runner.h"
#include "tests/e2e/driver/script_words.h"

namespace {

const DWORD kFocusWaitMs = 5000;

struct KeyName {
  const char* name;
  WORD key;
  bool shift;
};
const KeyName kKeys[] = {{"enter", VK_RETURN, false}, {"escape", VK_ESCAPE, false}, {"tab", VK_TAB, false},
                         {"shift-tab", VK_TAB, true}, {"up", VK_UP, false},         {"down", VK_DOWN, false},
                         {"left", VK_LEFT, false},    {"right", VK_RIGHT, false},   {"space", VK_SPACE, false}};

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
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string Describe(HWND page, HWND focus) {
  if (!focus) return "nothing";
  if (focus == page) return "the page";
  return "control " + std::to_string(GetDlgCtrlID(focus));
}

}  // namespace

void ScriptRunner::AddKeyboardCommands() {
  // key NAME: enter, escape, tab, shift-tab, up, down, left, right, space,
  // typed into the setup's active window (the page, or a box over it).
  m_commands["key"] = [this](const Words& w) {
    RequireWords(w, 2);
    const KeyName* key = nullptr;
    for (const KeyName& candidate : kKeys) {
      if (w[1] == candidate.name) key = &candidate;
    }
    if (!key) throw ScriptFailure("unknown key " + w[1]);
    HWND target = m_setup.FindMessageBox();
    if (!target) target = Page();
    if (GetForegroundWindow() != target) SetForegroundWindow(target);
    if (!WaitUntil(kFocusWaitMs, [&] { return GetForegroundWindow() == target; }))
      throw ScriptFailure("the setup's window is not in the foreground");
    INPUT inputs[4];
    UINT count = 0;
    if (key->shift) inputs[count++] = KeyInput(VK_SHIFT, false);
    inputs[count++] = KeyInput(key->key, false);
    inputs[count++] = KeyInput(key->key, true);
    if (key->shift) inputs[count++] = KeyInput(VK_SHIFT, true);
    if (SendInput(count, inputs, sizeof(INPUT)) != count) throw ScriptFailure("the key " + w[1] + " was not typed");
    PumpMessages(200);
  };
  // expect-focus ID|page: the focus is (within 5 s) on control ID, shown and
  // enabled, or on the page itself.
  m_commands["expect-focus"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND page = Page();
    HWND wanted = w[1] == "page" ? page : Control(w[1]);
    if (!WaitUntil(kFocusWaitMs, [&] { return FocusOf(page) == wanted; }))
      throw ScriptFailure("the focus is on " + Describe(page, FocusOf(page)) + ", not on " + w[1]);
    if (wanted != page && (!IsWindowVisible(wanted) || !IsWindowEnabled(wanted)))
      throw ScriptFailure("the focus is on control " + w[1] + ", which is hidden or disabled");
  };
}
