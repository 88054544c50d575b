#include "tests/demo/running_program.h"

#include <vector>

RunningProgram::RunningProgram(const std::string& commandLine, HANDLE output) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  BOOL inherit = FALSE;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    inherit = TRUE;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, inherit, 0, nullptr, nullptr, &startup, &process)) {
    m_process.reset(process.hProcess);
    unique_handle thread(process.hThread);
    m_id = process.dwProcessId;
  }
}

RunningProgram::~RunningProgram() {
  if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(m_process.get(), 1);
    WaitForSingleObject(m_process.get(), 5000);
  }
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMs) {
  if (!m_process) return STILL_ACTIVE;
  if (WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(m_process.get(), &code);
  return code;
}

ProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs) {
  ProgramResult result;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  unique_handle readEnd;
  unique_handle writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return result;
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  RunningProgram program(commandLine, writeEnd.get());
  // Our copy of the write end must go, or the pipe never reports its end.
  writeEnd.reset();
  result.started = program.Started();
  if (!result.started) return result;

  // The programs write far less than a pipe holds, so waiting first cannot
  // block them, and a hung program cannot block the read.
  result.exitCode = program.WaitForExit(timeoutMs);
  if (result.exitCode == STILL_ACTIVE) return result;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    result.output.append(buffer, read);
  }
  return result;
}
