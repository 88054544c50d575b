#include "tests/demo/window_probe.h"

namespace {
constexpr DWORD kPollMs = 100;
// The static control of a message box that holds its text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct WindowSearch {
  DWORD processId;
  const std::string* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  char title[256] = {};
  GetWindowTextA(window, title, sizeof(title));
  if (*search->title != title) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM parameter) {
  auto* texts = reinterpret_cast<std::vector<std::string>*>(parameter);
  // WM_GETTEXT is carried across processes, unlike GetWindowText on children.
  char text[1024] = {};
  SendMessageA(child, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  texts->push_back(text);
  return TRUE;
}
}  // namespace

HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += kPollMs) {
    WindowSearch search = {processId, &title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (waited >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

std::vector<std::string> ChildTexts(HWND window) {
  std::vector<std::string> texts;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

std::string AnswerMessageBox(DWORD processId, const std::string& caption, int button, DWORD timeoutMs) {
  HWND box = WaitForWindow(processId, caption, timeoutMs);
  if (!box) return std::string();
  char text[2048] = {};
  SendDlgItemMessageA(box, kMessageBoxTextId, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  // The next box may carry the same caption: let this one go first.
  for (DWORD waited = 0; IsWindow(box) && waited < timeoutMs; waited += kPollMs) Sleep(kPollMs);
  return text;
}
