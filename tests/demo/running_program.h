#pragma once
// Starting the demo programs from tests and watching them end.

#include <windows.h>

#include <string>

#include "base/handles.h"

// A program started with CreateProcessA; terminated when the object goes
// while it still runs, so no test leaves a process behind.
class RunningProgram {
 public:
  // Starts commandLine; the program's standard output goes to output when
  // that is a valid inheritable handle.
  explicit RunningProgram(const std::string& commandLine, HANDLE output = nullptr);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return m_process.valid(); }
  DWORD Id() const { return m_id; }
  // Waits for the end and returns the exit code; STILL_ACTIVE after timeoutMs.
  DWORD WaitForExit(DWORD timeoutMs);

 private:
  unique_handle m_process;
  DWORD m_id = 0;
};

struct ProgramResult {
  bool started = false;
  DWORD exitCode = STILL_ACTIVE;  // STILL_ACTIVE: it did not end in time
  std::string output;             // what it wrote to standard output
};

// Runs commandLine to its end (at most timeoutMs) and collects its output.
ProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000);
