#include "tests/app/recording_app_calls.h"

#include <shlobj.h>

namespace {

std::string Text(LPCSTR text) { return text ? text : ""; }

}  // namespace

RecordingAppCalls::RecordingAppCalls() { SetAppCalls(this); }

RecordingAppCalls::~RecordingAppCalls() { SetAppCalls(nullptr); }

std::vector<RecordingAppCalls::MessageBoxCall> RecordingAppCalls::MessageBoxes() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_messageBoxes;
}

std::vector<RecordingAppCalls::ShellExecuteCall> RecordingAppCalls::ShellExecutes() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_shellExecutes;
}

std::vector<RecordingAppCalls::CreateProcessCall> RecordingAppCalls::CreateProcesses() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_createProcesses;
}

std::vector<std::string> RecordingAppCalls::BrowseTitles() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_browseTitles;
}

int RecordingAppCalls::MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_messageBoxes.push_back({owner, Text(text), Text(caption), type, ::GetCurrentThreadId(), false});
  return (type & MB_TYPEMASK) == MB_YESNOCANCEL ? m_yesNoCancelAnswer : IDOK;
}

int RecordingAppCalls::AfxMessageBox(LPCSTR text, UINT type) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_messageBoxes.push_back({nullptr, Text(text), "(application title)", type, ::GetCurrentThreadId(), true});
  return (type & MB_TYPEMASK) == MB_YESNO ? m_confirmationAnswer : IDOK;
}

HINSTANCE RecordingAppCalls::ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                           LPCSTR directory, INT show) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_shellExecutes.push_back({owner, Text(verb), Text(file), parameters != nullptr, directory != nullptr, show});
  return reinterpret_cast<HINSTANCE>(42);  // above 32: success
}

BOOL RecordingAppCalls::CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                                       LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags,
                                       LPVOID environment, LPCSTR directory, LPSTARTUPINFOA startup,
                                       LPPROCESS_INFORMATION process) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_createProcesses.push_back(
        {application ? application : "(none)", Text(commandLine), flags, inheritHandles != FALSE});
    if (!m_startProcesses) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  return RealAppCalls().CreateProcessA(application, commandLine, processSecurity, threadSecurity, inheritHandles,
                                       flags, environment, directory, startup, process);
}

LPITEMIDLIST RecordingAppCalls::SHBrowseForFolderA(LPBROWSEINFOA browse) {
  std::string chosen;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_browseTitles.push_back(Text(browse->lpszTitle));
    chosen = m_chosenFolder;
  }
  if (chosen.empty()) return nullptr;
  return ::ILCreateFromPathA(chosen.c_str());
}

CWinThread* RecordingAppCalls::BeginWorkerThread(AFX_THREADPROC procedure, LPVOID parameter) {
  if (!m_failThreads) return IAppCalls::BeginWorkerThread(procedure, parameter);
  ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

BOOL RecordingAppCalls::SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT winIni) {
  if (action != SPI_GETHIGHCONTRAST) return IAppCalls::SystemParametersInfoA(action, param, value, winIni);
  static_cast<HIGHCONTRASTA*>(value)->dwFlags = m_highContrast ? HCF_HIGHCONTRASTON : 0;
  return TRUE;
}
