#include "tests/e2e/driver/window_watch.h"

#include <algorithm>

#include "tests/e2e/driver/setup_process.h"

namespace {

const DWORD kLookIntervalMs = 2;

struct Visible {
  std::vector<std::pair<HWND, DWORD>> windows;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
  if (!IsWindowVisible(window)) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  reinterpret_cast<Visible*>(param)->windows.emplace_back(window, owner);
  return TRUE;
}

// The title without waiting on a window that may hang: only windows of
// other processes are asked, with a timeout.
std::string TitleOf(HWND window) {
  char title[256] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, 500,
                      &copied);
  return std::string(title, copied);
}

}  // namespace

WindowWatch::WindowWatch() : m_thread([this] { Loop(); }) {}

WindowWatch::~WindowWatch() {
  m_stop = true;
  m_thread.join();
}

void WindowWatch::Watch(DWORD process) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_processes.push_back(process);
}

std::vector<WindowWatch::Seen> WindowWatch::SeenOf(DWORD process) const {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<Seen> result;
  for (const Seen& seen : m_seen)
    if (seen.process == process) result.push_back(seen);
  return result;
}

void WindowWatch::Loop() {
  while (!m_stop) {
    Look();
    Sleep(kLookIntervalMs);
  }
}

void WindowWatch::Look() {
  std::vector<DWORD> processes;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    processes = m_processes;
  }
  if (processes.empty()) return;
  Visible visible;
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&visible));
  for (const auto& [window, owner] : visible.windows) {
    if (std::find(processes.begin(), processes.end(), owner) == processes.end()) continue;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      bool known = false;
      for (const Seen& seen : m_seen) known = known || (seen.window == window && seen.process == owner);
      if (known) continue;
    }
    Seen seen{owner, window, WindowClass(window), TitleOf(window), WindowKind(window)};
    std::lock_guard<std::mutex> guard(m_lock);
    m_seen.push_back(seen);
  }
}

std::string DescribeSeen(const std::vector<WindowWatch::Seen>& seen) {
  std::string text;
  for (const WindowWatch::Seen& window : seen)
    text += "\n    " + window.kind + " (" + window.class_name + "): " + window.title;
  return text.empty() ? " none" : text;
}
