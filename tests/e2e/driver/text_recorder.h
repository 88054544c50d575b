#pragma once
// Watches one control on a background thread and keeps every text it shows,
// in order, so that quickly changing task texts can be checked afterwards.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TextRecorder {
 public:
  TextRecorder() = default;
  ~TextRecorder() { Stop(); }
  TextRecorder(const TextRecorder&) = delete;
  TextRecorder& operator=(const TextRecorder&) = delete;

  // Starts watching control; recording ends by itself when the control is gone.
  void Start(HWND control);
  // Waits up to timeout_ms for the control to go, then stops; returns the
  // texts seen, each change once.
  std::vector<std::string> Finish(DWORD timeout_ms);
  void Stop();

 private:
  void Run(HWND control);

  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_done{false};
  std::mutex m_lock;
  std::vector<std::string> m_texts;
};
