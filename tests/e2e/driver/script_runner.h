#pragma once
// Runs a wizard script: starts the setup, walks its pages by control id,
// answers its message boxes, and checks what it left on the machine. Each
// line is one command; the first failing expectation stops the run.

#include <windows.h>

#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/handles.h"
#include "tests/e2e/driver/machine_snapshot.h"
#include "tests/e2e/driver/session_watch.h"
#include "tests/e2e/driver/setup_process.h"
#include "tests/e2e/driver/text_recorder.h"
#include "tests/e2e/driver/window_watch.h"

class ScriptRunner {
 public:
  ScriptRunner();

  // Runs every line of the script; returns 0 when all passed, 1 at the first
  // failure (reported on standard output).
  int Run(std::istream& script);

 private:
  using Words = std::vector<std::string>;
  using Command = std::function<void(const Words&)>;

  void Execute(const Words& words);
  void AddCommands();
  void AddWizardCommands();
  void AddBoxCommands();
  void AddProcessCommands();
  void AddFileCommands();
  void AddRegistryCommands();
  void AddServiceCommands();
  void AddSnapshotCommands();
  void AddUnattendedCommands();
  void AddKeyboardCommands();

  std::vector<std::string> SnapshotFolders() const;
  HWND Page() const;
  HWND Control(const std::string& id) const;
  // The setup's message box, once it shows exactly `text` under `caption`
  // (within `timeoutMs`).
  HWND ExpectBox(const std::string& text, const std::string& caption, unsigned timeoutMs);
  void ReportSituation() const;

  std::map<std::string, Command> m_commands;
  std::map<std::string, std::string> m_variables;
  SetupProcess m_setup;
  // A second copy of the setup, started while the first runs.
  SetupProcess m_other;
  WindowWatch m_windows;
  HWND m_page = nullptr;
  std::string m_pageKind;
  TextRecorder m_recorder;
  SessionWatch m_session;
  std::vector<unique_hfile> m_heldFiles;
  std::map<std::string, MachineSnapshot> m_snapshots;
};
