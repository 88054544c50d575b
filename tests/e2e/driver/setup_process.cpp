#include "tests/e2e/driver/setup_process.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "tests/e2e/driver/script_line.h"

namespace {

const DWORD kMessageTimeoutMs = 5000;

// Every page holds the panel or header band 1003; each kind is told apart by a
// control only it has.
struct PageKind {
  const char* name;
  int own_control;
  int absent[2];
};
const PageKind kPageKinds[] = {
    {"welcome", 1002, {1030, 1031}}, {"license", 1007, {0, 0}},  {"destination", 1017, {0, 0}},
    {"startmenu", 1019, {0, 0}},     {"tasks", 1022, {0, 0}},    {"ready", 1026, {0, 0}},
    {"progress", 1029, {0, 0}},      {"finish", 1030, {0, 0}},   {"restart", 1031, {0, 0}},
};
const int kPanelId = 1003;
const int kMessageBoxTextId = 0xFFFF;

const PageKind* FindKind(const std::string& name) {
  for (const PageKind& kind : kPageKinds)
    if (name == kind.name) return &kind;
  return nullptr;
}

bool IsKind(HWND dialog, const PageKind& kind) {
  if (!GetDlgItem(dialog, kPanelId) || !GetDlgItem(dialog, kind.own_control)) return false;
  for (int id : kind.absent)
    if (id && GetDlgItem(dialog, id)) return false;
  return true;
}

struct WindowSearch {
  DWORD process_id;
  std::string class_name;
  bool include_hidden;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!search->include_hidden && !IsWindowVisible(window)) return TRUE;
  if (search->process_id) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id) return TRUE;
  }
  if (WindowClass(window) == search->class_name) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevel(DWORD process_id, const std::string& class_name, bool include_hidden) {
  WindowSearch search{process_id, class_name, include_hidden, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

void SetupProcess::Start(const std::string& path, const std::string& arguments) {
  std::string folder = path.substr(0, path.find_last_of('\\'));
  std::string command_line = "\"" + path + "\"";
  if (!arguments.empty()) command_line += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &info))
    throw ScriptFailure("cannot start " + path + ", error " + std::to_string(GetLastError()));
  unique_handle thread(info.hThread);
  m_process.reset(info.hProcess);
  m_id = info.dwProcessId;
}

void SetupProcess::Suspend(bool suspend) {
  if (!Running()) throw ScriptFailure("the setup is not running");
  unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) throw ScriptFailure("no thread snapshot (error " + std::to_string(GetLastError()) + ")");
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int threads = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != m_id) continue;
    unique_handle thread(OpenThread(THREAD_SUSPEND_RESUME | THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
    // The setup's short-lived threads (the package check's second one) may
    // end between the snapshot and here: an ended thread needs nothing.
    if (!thread && GetLastError() == ERROR_INVALID_PARAMETER) continue;
    const bool done = thread && (suspend ? SuspendThread(thread.get()) : ResumeThread(thread.get())) != static_cast<DWORD>(-1);
    DWORD code = 0;
    if (!done && thread && GetExitCodeThread(thread.get(), &code) && code != STILL_ACTIVE) continue;
    if (!done)
      throw ScriptFailure("cannot " + std::string(suspend ? "suspend" : "resume") + " thread " +
                          std::to_string(entry.th32ThreadID) + " (error " + std::to_string(GetLastError()) + ")");
    ++threads;
  }
  if (threads == 0) throw ScriptFailure("the setup has no threads to " + std::string(suspend ? "suspend" : "resume"));
}

DWORD SetupProcess::ExitCode() const {
  DWORD code = 0;
  if (!m_process.valid() || !GetExitCodeProcess(m_process.get(), &code)) throw ScriptFailure("no exit code");
  return code;
}

bool SetupProcess::Running() const {
  if (!m_process.valid() || WaitForSingleObject(m_process.get(), 0) != WAIT_TIMEOUT) return false;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(m_process.get(), &counters, sizeof(counters)) && counters.PeakWorkingSetSize > m_peak) {
    m_peak = counters.PeakWorkingSetSize;
  }
  return true;
}

void SetupProcess::Terminate() {
  if (!Running()) return;
  TerminateProcess(m_process.get(), 1);
  WaitForSingleObject(m_process.get(), 5000);
}

std::vector<HWND> SetupProcess::Dialogs(bool include_hidden) const {
  if (!m_id) return {};
  return TopLevel(m_id, "#32770", include_hidden);
}

HWND SetupProcess::FindPage(const std::string& kind_name, bool include_hidden) const {
  const PageKind* kind = FindKind(kind_name);
  if (!kind) return nullptr;
  for (HWND dialog : Dialogs(include_hidden))
    if (IsKind(dialog, *kind)) return dialog;
  return nullptr;
}

std::string SetupProcess::CurrentPageKind() const {
  for (HWND dialog : Dialogs())
    for (const PageKind& kind : kPageKinds)
      if (IsKind(dialog, kind)) return kind.name;
  return "";
}

HWND SetupProcess::FindMessageBox() const {
  for (HWND dialog : Dialogs())
    if (!GetDlgItem(dialog, kPanelId)) return dialog;
  return nullptr;
}

bool IsPageKind(const std::string& kind) { return FindKind(kind) != nullptr; }

std::string WindowKind(HWND window) {
  if (WindowClass(window) != "#32770") return "other";
  for (const PageKind& kind : kPageKinds)
    if (IsKind(window, kind)) return kind.name;
  return GetDlgItem(window, kPanelId) ? "other" : "box";
}

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
    throw ScriptFailure("the window does not answer WM_GETTEXTLENGTH");
  // Room to spare: the text may grow between the two messages.
  std::string text(length + 4096, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &copied))
    throw ScriptFailure("the window does not answer WM_GETTEXT");
  text.resize(copied);
  return text;
}

std::string WindowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string MessageBoxText(HWND box) {
  if (HWND text = GetDlgItem(box, kMessageBoxTextId)) return WindowText(text);
  // Otherwise the longest static text is the message.
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  std::string longest;
  for (HWND child : children) {
    if (WindowClass(child) != "Static") continue;
    std::string text = WindowText(child);
    if (text.size() > longest.size()) longest = text;
  }
  return longest;
}

int CheckState(HWND button) {
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &state))
    throw ScriptFailure("the button does not answer BM_GETCHECK");
  return static_cast<int>(state);
}

std::vector<HWND> TopLevelWindowsOfClass(const std::string& class_name) { return TopLevel(0, class_name, false); }
