#pragma once
// Watches which top-level windows of the setup processes ever become
// visible: a thread looks every few milliseconds, from the moment a process
// is started until the driver ends, and remembers each window it saw shown.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class WindowWatch {
 public:
  // One window seen visible: its process, class, title and what it was
  // ("box" for a message box, a page kind, or "other").
  struct Seen {
    DWORD process;
    HWND window;
    std::string class_name;
    std::string title;
    std::string kind;
  };

  WindowWatch();
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  // Adds a process to watch.
  void Watch(DWORD process);
  // Every window of `process` seen visible so far, in the order first seen.
  std::vector<Seen> SeenOf(DWORD process) const;

 private:
  void Loop();
  void Look();

  mutable std::mutex m_lock;
  std::vector<DWORD> m_processes;
  std::vector<Seen> m_seen;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// "pagekind: title" lines of what was seen, for failure messages.
std::string DescribeSeen(const std::vector<WindowWatch::Seen>& seen);
