#include "tests/e2e/driver/text_recorder.h"

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/setup_process.h"

void TextRecorder::Start(HWND control) {
  Stop();
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_texts.clear();
  }
  m_stop = false;
  m_done = false;
  m_thread = std::thread([this, control] { Run(control); });
}

void TextRecorder::Run(HWND control) {
  while (!m_stop && IsWindow(control)) {
    try {
      std::string text = WindowText(control);
      std::lock_guard<std::mutex> hold(m_lock);
      if (m_texts.empty() || m_texts.back() != text) m_texts.push_back(text);
    } catch (const ScriptFailure&) {
      // The control went away between the check and the read.
    }
    // Some task texts stand for only a few milliseconds.
    Sleep(1);
  }
  m_done = true;
}

std::vector<std::string> TextRecorder::Finish(DWORD timeout_ms) {
  WaitUntil(timeout_ms, [this] { return m_done.load(); });
  Stop();
  std::lock_guard<std::mutex> hold(m_lock);
  return m_texts;
}

void TextRecorder::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
}
