#include "log/install_log.h"

#include <cstring>

CInstallLog::~CInstallLog() {
  if (m_hFile != INVALID_HANDLE_VALUE) ::FlushFileBuffers(m_hFile);
}

bool CInstallLog::WriteText(const char* text, DWORD length) noexcept {
  DWORD written = 0;
  return ::WriteFile(m_hFile, text, length, &written, nullptr) != FALSE;
}

void CInstallLog::WriteLine(const char* message, const char* argument) noexcept {
  if (m_hFile == INVALID_HANDLE_VALUE || message == nullptr) return;
  if (!WriteText(message, static_cast<DWORD>(std::strlen(message)))) return;
  if (argument != nullptr && !WriteText(argument, static_cast<DWORD>(std::strlen(argument)))) return;
  WriteText("\r\n", 2);
}
