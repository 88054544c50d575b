#pragma once
// Keeps every text one control of the setup is given, in order, so that
// quickly changing task texts can be checked afterwards. A hook DLL
// (text_hook.cpp) runs inside the setup on the control's own thread and
// writes each text down as it is set; a poll from outside could miss one.

#include <windows.h>

#include <string>
#include <vector>

class TextRecorder {
 public:
  TextRecorder() = default;
  ~TextRecorder() { Stop(); }
  TextRecorder(const TextRecorder&) = delete;
  TextRecorder& operator=(const TextRecorder&) = delete;

  // Names the file the hook writes to, in this process's environment, which
  // the setup inherits: call before the setup is started.
  static void PrepareLog();

  // Starts recording the control's texts, the one it shows now first;
  // throws ScriptFailure when the hook cannot be set.
  void Start(HWND control);
  // Waits up to timeout_ms for the control to go, then stops; returns the
  // texts seen, each change once.
  std::vector<std::string> Finish(DWORD timeout_ms);
  void Stop();

 private:
  HWND m_control = nullptr;
  HHOOK m_hook = nullptr;
  long long m_logStart = 0;
  std::string m_firstText;
};
