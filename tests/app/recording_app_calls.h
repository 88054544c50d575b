#pragma once
// The application's seam for tests: every message box, shell and process
// call is recorded; boxes are answered at once, nothing is opened, and
// processes start only when a test lets them through.

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/app_calls.h"

class RecordingAppCalls : public IAppCalls {
 public:
  struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;  // "(application title)" for AfxMessageBox
    UINT type;
    DWORD threadId;
    bool viaAfx;
  };
  struct ShellExecuteCall {
    HWND owner;
    std::string verb;
    std::string file;
    bool hasParameters;
    bool hasDirectory;
    INT show;
  };
  struct CreateProcessCall {
    std::string application;  // "(none)" when null
    std::string commandLine;
    DWORD flags;
    bool inheritHandles;
  };

  RecordingAppCalls();
  ~RecordingAppCalls() override;

  // The answer of every AfxMessageBox (the cancel confirmation): IDYES unless set.
  void AnswerConfirmations(int answer) { m_confirmationAnswer = answer; }
  // The answer of every MessageBoxA with Yes, No and Cancel: IDYES unless set.
  void AnswerYesNoCancel(int answer) { m_yesNoCancelAnswer = answer; }
  // Lets CreateProcessA reach the system (it is only recorded by default).
  void LetProcessesStart(bool start) { m_startProcesses = start; }
  // What the folder browser returns: a path (its item list is made from it),
  // or an empty text for a cancelled browser.
  void ChooseFolder(const std::string& path) { m_chosenFolder = path; }
  // Makes every worker thread fail to start, with ERROR_NOT_ENOUGH_MEMORY.
  void FailThreads(bool fail) { m_failThreads = fail; }

  std::vector<MessageBoxCall> MessageBoxes() const;
  std::vector<ShellExecuteCall> ShellExecutes() const;
  std::vector<CreateProcessCall> CreateProcesses() const;
  std::vector<std::string> BrowseTitles() const;
  // Turns the high-contrast scheme on or off as SPI_GETHIGHCONTRAST reports it.
  void UseHighContrast(bool on) { m_highContrast = on; }
  // The user interface language GetUserDefaultUILanguage reports (en-US
  // unless set, whatever the prefix's).
  void UseUiLanguage(LANGID language) { m_uiLanguage = language; }

  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  int AfxMessageBox(LPCSTR text, UINT type) override;
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override;
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                      LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) override;
  LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) override;
  CWinThread* BeginWorkerThread(AFX_THREADPROC procedure, LPVOID parameter) override;
  BOOL SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT winIni) override;
  LANGID GetUserDefaultUILanguage() override { return m_uiLanguage; }

 private:
  mutable std::mutex m_lock;
  int m_confirmationAnswer = IDYES;
  int m_yesNoCancelAnswer = IDYES;
  bool m_startProcesses = false;
  bool m_failThreads = false;
  std::string m_chosenFolder;
  std::vector<MessageBoxCall> m_messageBoxes;
  std::vector<ShellExecuteCall> m_shellExecutes;
  std::vector<CreateProcessCall> m_createProcesses;
  std::vector<std::string> m_browseTitles;
  LANGID m_uiLanguage = 0x409;
  bool m_highContrast = false;
};
