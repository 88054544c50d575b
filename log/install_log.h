#pragma once
// Writer of the installation log: one line per call, message then argument
// then CR LF, straight to a file handle that the application owns.

#include <windows.h>

class CInstallLog {
 public:
  // Does not take ownership: the handle is never closed here. It may be
  // INVALID_HANDLE_VALUE, and then nothing is ever written.
  explicit CInstallLog(HANDLE hFile) noexcept : m_hFile(hFile) {}
  // Flushes the file's buffers when the handle is valid.
  ~CInstallLog();

  CInstallLog(const CInstallLog&) = delete;
  CInstallLog& operator=(const CInstallLog&) = delete;

  // Writes message, then argument (when not null), then CR LF, with one
  // WriteFile each. A failed write ends the line there; nothing is reported.
  void WriteLine(const char* message, const char* argument) noexcept;

 private:
  bool WriteText(const char* text, DWORD length) noexcept;

  HANDLE m_hFile;
};
