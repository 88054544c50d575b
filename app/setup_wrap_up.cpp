// The end of a run that reached the finish position.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/app_calls.h"
#include "app/setup_app.h"
#include "base/product.h"
#include "res/resource.h"

void CSetupApp::WrapUp() {
  const bool failed = ::InterlockedCompareExchange(&m_installFailed, 0, 0) != 0;
  // Only what the user saw and chose is carried out, and a failed
  // installation has no product to launch.
  if (m_restartPageUsed) {
    if (m_finalChoicesShown && ::InterlockedCompareExchange(&m_restartRequired, 0, 0) != 0 && m_engine &&
        m_options.restart != RestartChoice::Never) {
      m_outcome.restartStarted = m_engine->RestartSystem() != 0;
    }
  } else if (m_finalChoicesShown && !failed) {
    if (m_launchProduct) LaunchProduct();
    if (m_openQuickStart) {
      AppCalls().ShellExecuteA(nullptr, "open", product::kQuickStartUrl, nullptr, nullptr, SW_SHOWMINIMIZED);
    }
  }
  m_titleFont.DeleteObject();
  EndLog();
  if (failed) {
    // Without a system directory there is no log to open, but the failure
    // is still told.
    if (!m_logPath.IsEmpty()) AppCalls().ShellExecuteA(nullptr, "open", m_logPath, nullptr, nullptr, SW_SHOW);
    CString text;
    text.Format(IDS_SEND_LOG, product::kLogFileName);
    AppCalls().MessageBoxA(nullptr, text, product::kName, MB_OK | MB_ICONWARNING);
  } else if (!m_logPath.IsEmpty()) {
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
