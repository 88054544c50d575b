// The end of a run that reached the finish position.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/app_calls.h"
#include "app/setup_app.h"
#include "engine/product.h"
#include "res/resource.h"

void CSetupApp::WrapUp() {
  if (m_restartPageUsed) {
    if (::InterlockedCompareExchange(&m_restartRequired, 0, 0) != 0 && m_engine &&
        m_options.restart != RestartChoice::Never) {
      m_outcome.restartStarted = m_engine->RestartSystem() != 0;
    }
  } else {
    if (m_launchProduct) LaunchProduct();
    if (m_openQuickStart) {
      AppCalls().ShellExecuteA(nullptr, "open", product::kQuickStartUrl, nullptr, nullptr, SW_SHOWMINIMIZED);
    }
  }
  m_titleFont.DeleteObject();
  EndLog();
  if (m_logPath.IsEmpty()) return;
  if (::InterlockedCompareExchange(&m_installFailed, 0, 0) != 0) {
    AppCalls().ShellExecuteA(nullptr, "open", m_logPath, nullptr, nullptr, SW_SHOW);
    CString text;
    text.Format(IDS_SEND_LOG, product::kLogFileName);
    AppCalls().MessageBoxA(nullptr, text, product::kName, MB_OK | MB_ICONWARNING);
  } else {
    ::DeleteFileA(m_logPath);
  }
}

void CSetupApp::LaunchProduct() {
  // The program is named explicitly and its path quoted: with a bare command
  // line a destination such as C:\Program Files\... would first run
  // C:\Program.exe.
  const std::string program = m_destFolder.str() + "\\" + product::kProgramFile;
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (AppCalls().CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process)) {
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
  }
}
