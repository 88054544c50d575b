// The programs that hold files the installation replaces: the wizard's box
// over the ready page, the unattended run's choice, and their closing
// before the first change.

#include <string>

#include "app/app_calls.h"
#include "app/setup_app.h"
#include "base/product.h"
#include "framework/resource_language.h"
#include "res/resource.h"

namespace {

// The programs' names, one a line.
std::string NameList(const std::vector<OpenProgram>& programs) {
  std::string names;
  for (const OpenProgram& program : programs) names += (names.empty() ? "" : "\n") + program.name;
  return names;
}

}  // namespace

bool CSetupApp::ReadyToReplaceFiles(HWND page) {
  m_programsToClose.clear();
  if (!m_engine) return true;
  const std::vector<OpenProgram> programs = m_engine->FindRunningPrograms();
  if (programs.empty()) return true;
  CString text;
  // The names come in the system's code page, the wizard's texts in its own.
  text.Format(IDS_PROGRAMS_RUNNING, AfxTextFromSystem(NameList(programs).c_str()).c_str());
  switch (AppCalls().MessageBoxA(page, text, product::kName, MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
      m_programsToClose = programs;
      return true;
    case IDNO:
      m_engine->KeepRunningPrograms(programs);
      return true;
    default:
      return false;
  }
}

void CSetupApp::ChooseProgramsToClose() {
  const std::vector<OpenProgram> programs = m_engine->FindRunningPrograms();
  if (m_options.keepProgramsRunning) {
    m_engine->KeepRunningPrograms(programs);
  } else {
    m_programsToClose = programs;
  }
}

void CSetupApp::CloseChosenPrograms() {
  if (!m_engine) return;
  m_engine->CloseRunningPrograms(m_programsToClose);
  m_programsToClose.clear();
}
