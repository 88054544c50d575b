#include "app/silent_app_calls.h"

#include <shellapi.h>

#include <utility>

#include "framework/resource_language.h"

namespace {

// A log line is one line: the box's line breaks become blanks.
std::string OneLine(const char* text) {
  std::string line = text ? text : "";
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

int DefaultAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDCANCEL;
  }
}

}  // namespace

CSilentAppCalls::CSilentAppCalls(std::function<void(const char*, const char*)> log) : m_log(std::move(log)) {}

int CSilentAppCalls::MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT type) {
  m_log("Message: ", OneLine(text).c_str());
  return DefaultAnswer(type);
}

int CSilentAppCalls::AfxMessageBox(LPCSTR text, UINT type) { return MessageBoxA(nullptr, text, nullptr, type); }

HINSTANCE CSilentAppCalls::ShellExecuteA(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
  m_log("Not opened: ", file ? file : "");
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_ACCESSDENIED));
}

BOOL CSilentAppCalls::CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                     LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA,
                                     LPPROCESS_INFORMATION) {
  m_log("Not started: ", application ? application : (commandLine ? commandLine : ""));
  ::SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

LPITEMIDLIST CSilentAppCalls::SHBrowseForFolderA(LPBROWSEINFOA) { return nullptr; }

LANGID CSilentAppCalls::MessageLanguage() { return kEnglishLanguage; }

CSilentScope::CSilentScope(bool silent, std::function<void(const char*, const char*)> log)
    : m_silent(std::move(log)), m_active(silent) {
  if (!m_active) return;
  m_previous = &AppCalls();
  SetAppCalls(&m_silent);
}

CSilentScope::~CSilentScope() {
  if (!m_active) return;
  SetAppCalls(m_previous == &RealAppCalls() ? nullptr : m_previous);
}
