#pragma once
// The application's door for an unattended run: nobody is there to answer a
// message box, so each one is written to the log instead and answered as
// its safe default; nothing is opened, launched or browsed.

#include <functional>
#include <string>

#include "app/app_calls.h"

class CSilentAppCalls : public IAppCalls {
 public:
  // `log` receives one line per box or refused call.
  explicit CSilentAppCalls(std::function<void(const char* message, const char* argument)> log);

  // The box's text logged as "Message: "; IDOK for an OK box, otherwise the
  // answer that changes nothing (No, Cancel, Abort).
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  int AfxMessageBox(LPCSTR text, UINT type) override;
  // Logged as "Not opened: "; nothing opens (SE_ERR_ACCESSDENIED).
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override;
  // Logged as "Not started: "; FALSE with ERROR_ACCESS_DENIED.
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                      LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) override;
  // As a cancelled browser.
  LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) override;
  // English: the boxes go to the log, which is English in every language.
  LANGID MessageLanguage() override;

 private:
  std::function<void(const char*, const char*)> m_log;
};

// Installs the silent door for the life of this object when `silent`, then
// puts back the one that was in place.
class CSilentScope {
 public:
  CSilentScope(bool silent, std::function<void(const char* message, const char* argument)> log);
  ~CSilentScope();
  CSilentScope(const CSilentScope&) = delete;
  CSilentScope& operator=(const CSilentScope&) = delete;

 private:
  CSilentAppCalls m_silent;
  IAppCalls* m_previous = nullptr;
  bool m_active = false;
};
