// Time from starting a setup to its first page with Next enabled, measured
// inside Windows: from the CreateProcess call until a visible window of the
// new process shows a visible, enabled control 1 (the Next button of our
// pages and of NSIS's). The process is then ended. The setups given take
// turns, the order rotating every round, so that a machine busy with other
// work slows them alike.
//
//   first_page_timer [--rounds N] SETUP.exe...
//
// Prints every time, then each setup's median, and the ratio of each
// median to the first setup's.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kGiveUpMs = 120000;

struct Search {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindEnabledNext(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !::IsWindowVisible(window)) return TRUE;
  HWND next = ::GetDlgItem(window, 1);
  if (next && ::IsWindowVisible(next) && ::IsWindowEnabled(next)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// One start of setup; the time in milliseconds, or a negative value when it
// could not be started or showed no enabled Next in time.
double TimeFirstPage(const std::string& setup) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + setup + "\"";
  LARGE_INTEGER started, now;
  ::QueryPerformanceCounter(&started);
  if (!::CreateProcessA(setup.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", setup.c_str(), ::GetLastError());
    return -1;
  }
  double elapsed = -1;
  for (;;) {
    Search search = {process.dwProcessId, false};
    ::EnumWindows(FindEnabledNext, reinterpret_cast<LPARAM>(&search));
    ::QueryPerformanceCounter(&now);
    if (search.found) {
      elapsed = Milliseconds(started, now);
      break;
    }
    if (Milliseconds(started, now) > kGiveUpMs || ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "%s showed no enabled Next\n", setup.c_str());
      break;
    }
    // Every look at the windows goes through the Wine server; looking every
    // millisecond took a share of the processors from a setup that verifies
    // on two threads (its package opened up to a fifth slower), and none from
    // one that runs on one. Every 10 ms costs either side at most that.
    ::Sleep(10);
  }
  ::TerminateProcess(process.hProcess, 1);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  std::vector<std::string> setups;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else {
      setups.push_back(argv[i]);
    }
  }
  if (setups.empty() || rounds < 1) {
    std::fprintf(stderr, "usage: first_page_timer [--rounds N] SETUP.exe...\n");
    return 2;
  }
  std::vector<std::vector<double>> times(setups.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t turn = 0; turn < setups.size(); ++turn) {
      const size_t which = (turn + static_cast<size_t>(round)) % setups.size();
      const double elapsed = TimeFirstPage(setups[which]);
      if (elapsed < 0) return 1;
      times[which].push_back(elapsed);
      std::printf("round %d: %s %.0f ms\n", round + 1, setups[which].c_str(), elapsed);
    }
  }
  const double first = Median(times[0]);
  for (size_t which = 0; which < setups.size(); ++which) {
    const double median = Median(times[which]);
    std::printf("%s: median %.0f ms over %d rounds, %.2f of the first's\n", setups[which].c_str(), median, rounds,
                median / first);
  }
  return 0;
}
