// Finding and closing the programs that hold the product's files.

#include "engine/running_programs.h"

#include <algorithm>
#include <utility>

#include "base/wide_text.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

constexpr DWORD kClosePollMs = 250;

// True when `path` names a file inside `folder` or one of its subfolders,
// compared as Windows compares paths: without regard to case.
bool LiesIn(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() + 1) return false;
  std::string prefix = folder;
  if (prefix.back() != '\\') prefix += '\\';
  return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(prefix.size()),
                          prefix.c_str(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// The program file of a process; empty when it cannot be read.
std::string ImagePath(DWORD processId) {
  ISystemCalls& calls = SystemCalls();
  seam_handle process(calls.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return std::string();
  char path[MAX_PATH * 2] = {};
  DWORD size = sizeof(path);
  if (!calls.QueryFullProcessImageNameA(process.get(), 0, path, &size)) return std::string();
  return std::string(path, size);
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ISystemCalls& calls = SystemCalls();
  calls.GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && calls.IsWindowVisible(window)) search->windows.push_back(window);
  return TRUE;
}

// WM_CLOSE to every visible top-level window of the process: what a user's
// click on its close box sends. False when it has no such window (yet).
bool AskToClose(DWORD processId) {
  WindowSearch search{processId, {}};
  SystemCalls().EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.windows) SystemCalls().PostMessageA(window, WM_CLOSE, 0, 0);
  return !search.windows.empty();
}

}  // namespace

CRunningPrograms::CRunningPrograms(std::vector<std::string> files, std::string folder, CInstallLog* log)
    : m_files(std::move(files)), m_folder(std::move(folder)), m_log(log) {}

void CRunningPrograms::Log(const char* label, const std::string& argument) const {
  if (m_log) m_log->WriteLine(label, argument.c_str());
}

bool CRunningPrograms::RegisterFiles(DWORD session) const {
  std::vector<WidePathText> wide;
  for (const std::string& file : m_files) wide.push_back(WidePath(file));
  std::vector<LPCWSTR> names;
  for (const WidePathText& file : wide) names.push_back(file.data());
  if (names.empty()) return false;
  return SystemCalls().RmRegisterResources(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0,
                                           nullptr) == ERROR_SUCCESS;
}

std::vector<OpenProgram> CRunningPrograms::RestartManagerList() const {
  ISystemCalls& calls = SystemCalls();
  std::vector<OpenProgram> programs;
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (calls.RmStartSession(&session, 0, key) != ERROR_SUCCESS) return programs;
  std::vector<RM_PROCESS_INFO> list;
  if (RegisterFiles(session)) {
    UINT needed = 0;
    UINT count = 0;
    DWORD reasons = 0;
    DWORD result = calls.RmGetList(session, &needed, &count, nullptr, &reasons);
    // The list may grow between the two calls; ask again until it fits.
    for (int attempt = 0; result == ERROR_MORE_DATA && attempt < 3; ++attempt) {
      list.resize(needed);
      count = needed;
      result = calls.RmGetList(session, &needed, &count, list.data(), &reasons);
    }
    list.resize(result == ERROR_SUCCESS ? std::min<size_t>(count, list.size()) : 0);
  }
  calls.RmEndSession(session);
  const DWORD self = ::GetCurrentProcessId();
  for (const RM_PROCESS_INFO& info : list) {
    // A service is no program to close with a window message.
    if (info.ApplicationType == RmService || info.Process.dwProcessId == self) continue;
    programs.push_back({info.Process.dwProcessId, AnsiText(info.strAppName), true});
  }
  return programs;
}

void CRunningPrograms::AddProcessesInFolder(std::vector<OpenProgram>& programs) const {
  ISystemCalls& calls = SystemCalls();
  seam_hsnapshot snapshot(calls.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  const DWORD self = ::GetCurrentProcessId();
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = calls.Process32First(snapshot.get(), &entry); more;
       more = calls.Process32Next(snapshot.get(), &entry)) {
    const DWORD id = entry.th32ProcessID;
    if (id == 0 || id == self) continue;
    const bool listed = std::any_of(programs.begin(), programs.end(),
                                    [id](const OpenProgram& program) { return program.processId == id; });
    if (listed) continue;
    const std::string path = ImagePath(id);
    if (LiesIn(path, m_folder)) programs.push_back({id, path, false});
  }
}

std::vector<OpenProgram> CRunningPrograms::Find() const {
  std::vector<OpenProgram> programs = RestartManagerList();
  AddProcessesInFolder(programs);
  for (const OpenProgram& program : programs) Log("Running Program: ", program.name);
  return programs;
}

void CRunningPrograms::ShutDownKnownPrograms() const {
  ISystemCalls& calls = SystemCalls();
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (calls.RmStartSession(&session, 0, key) != ERROR_SUCCESS) return;
  // Without RmForceShutdown: a program that refuses stays running.
  if (RegisterFiles(session)) calls.RmShutdown(session, 0, nullptr);
  calls.RmEndSession(session);
}

std::vector<OpenProgram> CRunningPrograms::Close(const std::vector<OpenProgram>& programs) const {
  ISystemCalls& calls = SystemCalls();
  for (const OpenProgram& program : programs) Log("Close Running Program: ", program.name);
  const bool anyKnown = std::any_of(programs.begin(), programs.end(),
                                    [](const OpenProgram& program) { return program.knownToRestartManager; });
  if (anyKnown) ShutDownKnownPrograms();

  // Opened before the windows are asked, so that an identifier reused after
  // the end cannot be mistaken for the program.
  std::vector<seam_handle> processes;
  std::vector<char> gone;
  for (const OpenProgram& program : programs) {
    processes.emplace_back(calls.OpenProcess(SYNCHRONIZE, FALSE, program.processId));
    // No such process any more; any other failure leaves its end unknown.
    gone.push_back(!processes.back() && ::GetLastError() == ERROR_INVALID_PARAMETER);
  }
  auto ended = [&](size_t i) {
    return processes[i] ? calls.WaitForSingleObject(processes[i].get(), 0) == WAIT_OBJECT_0 : gone[i] != 0;
  };
  // A program that just started may show its window only a moment later:
  // it is asked once that window is there, never twice.
  std::vector<char> asked(programs.size(), 0);
  // Counted in rounds, not by the clock: a test's instant sleeps end the
  // wait at once.
  for (DWORD waited = 0; waited < kCloseWaitMs; waited += kClosePollMs) {
    bool allEnded = true;
    for (size_t i = 0; i < programs.size(); ++i) {
      if (ended(i)) continue;
      allEnded = false;
      if (!asked[i]) asked[i] = AskToClose(programs[i].processId) ? 1 : 0;
    }
    if (allEnded) break;
    calls.Sleep(kClosePollMs);
  }

  std::vector<OpenProgram> stillRunning;
  for (size_t i = 0; i < programs.size(); ++i) {
    if (ended(i)) {
      Log("Running Program Closed: ", programs[i].name);
    } else {
      Log("Warning: Running program did not close, its files wait for the restart: ", programs[i].name);
      stillRunning.push_back(programs[i]);
    }
  }
  return stillRunning;
}

void CRunningPrograms::Keep(const std::vector<OpenProgram>& programs) const {
  for (const OpenProgram& program : programs) {
    Log("Running Program Kept, its files wait for the restart: ", program.name);
  }
}
