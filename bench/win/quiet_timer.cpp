// One unattended run of an installer, measured inside Windows: the time from
// the CreateProcess call to the process's end, and its peak working set as
// GetProcessMemoryInfo reports it (read every few milliseconds while it
// runs; the peak only grows, so the last reading holds).
//
//   quiet_timer SETUP.exe [ARGUMENT...]
//
// Prints "milliseconds peak-KiB exit-code" on one line.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: quiet_timer SETUP.exe [ARGUMENT...]\n");
    return 2;
  }
  std::string commandLine = "\"" + std::string(argv[1]) + "\"";
  for (int i = 2; i < argc; ++i) commandLine += std::string(" ") + argv[i];
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER frequency, started, ended;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&started);
  if (!::CreateProcessA(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[1], ::GetLastError());
    return 1;
  }
  SIZE_T peak = 0;
  while (::WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters)) && counters.PeakWorkingSetSize > peak) {
      peak = counters.PeakWorkingSetSize;
    }
  }
  ::QueryPerformanceCounter(&ended);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const double ms = static_cast<double>(ended.QuadPart - started.QuadPart) * 1000.0 / frequency.QuadPart;
  std::printf("%.0f %lu %lu\n", ms, static_cast<unsigned long>(peak / 1024), static_cast<unsigned long>(code));
  return 0;
}
