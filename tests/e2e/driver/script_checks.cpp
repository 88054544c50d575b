// The script commands that look at the machine rather than at the wizard.
#include <cstdio>
#include <cstring>

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_runner.h"
#include "tests/e2e/driver/script_words.h"
#include "tests/e2e/driver/system_state.h"

namespace {

const DWORD kDefaultWaitMs = 30000;

DWORD ServiceStateWord(const std::string& word) {
  if (word == "running") return SERVICE_RUNNING;
  if (word == "stopped") return SERVICE_STOPPED;
  throw ScriptFailure("unknown service state " + word);
}

}  // namespace

void ScriptRunner::AddProcessCommands() {
  m_commands["wait-process"] = [](const Words& w) {
    RequireWords(w, 2);
    if (!WaitUntil(OptionalTimeout(w, 2, kDefaultWaitMs), [&] { return !ProcessesNamed(w[1]).empty(); }))
      throw ScriptFailure("no process " + w[1] + " appeared");
  };
  m_commands["expect-no-process"] = [](const Words& w) {
    RequireWords(w, 2);
    if (!ProcessesNamed(w[1]).empty()) throw ScriptFailure("a process " + w[1] + " is running");
  };
  // Ends the processes of that name in this prefix, e.g. the product the
  // setup launched.
  m_commands["end-process"] = [](const Words& w) {
    RequireWords(w, 2);
    for (DWORD id : ProcessesNamed(w[1])) {
      unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (!process) continue;
      TerminateProcess(process.get(), 0);
      WaitForSingleObject(process.get(), 5000);
    }
  };
  m_commands["wait-window-class"] = [](const Words& w) {
    RequireWords(w, 2);
    if (!WaitUntil(OptionalTimeout(w, 2, kDefaultWaitMs), [&] { return !TopLevelWindowsOfClass(w[1]).empty(); }))
      throw ScriptFailure("no window of class " + w[1] + " appeared");
  };
}

void ScriptRunner::AddFileCommands() {
  m_commands["make-dir"] = [](const Words& w) {
    RequireWords(w, 2);
    std::string path = w[1];
    for (size_t slash = path.find('\\', 3); ; slash = path.find('\\', slash + 1)) {
      CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
      if (slash == std::string::npos) break;
    }
    if (KindOfPath(path) != PathKind::Directory) throw ScriptFailure("cannot make the folder " + path);
  };
  // An empty file, for instance where a folder would have to be created.
  m_commands["make-file"] = [](const Words& w) {
    RequireWords(w, 2);
    unique_hfile file(CreateFileA(w[1].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ScriptFailure("cannot make the file " + w[1] + ", error " + std::to_string(GetLastError()));
  };
  // Keeps a file open the way a running program would: others may read it
  // but not write it.
  m_commands["hold-file"] = [this](const Words& w) {
    RequireWords(w, 2);
    unique_hfile file(CreateFileA(w[1].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ScriptFailure("cannot open " + w[1] + ", error " + std::to_string(GetLastError()));
    m_heldFiles.push_back(std::move(file));
  };
  m_commands["release-files"] = [this](const Words&) { m_heldFiles.clear(); };
  m_commands["expect-file"] = [](const Words& w) {
    RequireWords(w, 2);
    if (KindOfPath(w[1]) != PathKind::File) throw ScriptFailure("no file " + w[1]);
  };
  m_commands["expect-dir"] = [](const Words& w) {
    RequireWords(w, 2);
    if (KindOfPath(w[1]) != PathKind::Directory) throw ScriptFailure("no folder " + w[1]);
  };
  m_commands["expect-no-file"] = [](const Words& w) {
    RequireWords(w, 2);
    if (KindOfPath(w[1]) != PathKind::Missing) throw ScriptFailure(w[1] + " exists");
  };
  m_commands["wait-file"] = [](const Words& w) {
    RequireWords(w, 2);
    if (!WaitUntil(OptionalTimeout(w, 2, kDefaultWaitMs), [&] { return KindOfPath(w[1]) == PathKind::File; }))
      throw ScriptFailure("no file " + w[1] + " appeared");
  };
  m_commands["expect-same-file"] = [](const Words& w) {
    RequireWords(w, 3);
    if (ReadWholeFile(w[1]) != ReadWholeFile(w[2])) throw ScriptFailure(w[1] + " differs from " + w[2]);
  };
  m_commands["expect-file-text"] = [](const Words& w) {
    RequireWords(w, 3);
    ExpectEqual("content of " + w[1], ReadWholeFile(w[1]), w[2]);
  };
  m_commands["expect-file-contains"] = [](const Words& w) {
    RequireWords(w, 3);
    std::string content = ReadWholeFile(w[1]);
    if (content.find(w[2]) == std::string::npos)
      throw ScriptFailure(w[1] + " does not hold " + Quote(w[2]) + "; it holds " + Quote(content));
  };
  m_commands["wait-file-contains"] = [](const Words& w) {
    RequireWords(w, 3);
    auto holds = [&] { return KindOfPath(w[1]) == PathKind::File && ReadWholeFile(w[1]).find(w[2]) != std::string::npos; };
    if (!WaitUntil(OptionalTimeout(w, 3, kDefaultWaitMs), holds))
      throw ScriptFailure(w[1] + " did not come to hold " + Quote(w[2]));
  };
  m_commands["expect-match-count"] = [](const Words& w) {
    RequireWords(w, 3);
    std::vector<std::string> names = MatchingNames(w[1]);
    if (static_cast<int>(names.size()) != IntegerWord(w[2]))
      throw ScriptFailure(w[1] + " matches " + std::to_string(names.size()) + ": " + JoinQuoted(names));
  };
  m_commands["expect-shortcut"] = [](const Words& w) {
    RequireWords(w, 4);
    ShortcutInfo link = ReadShortcut(w[1]);
    ExpectEqual("target of " + w[1], link.target, w[2]);
    ExpectEqual("working folder of " + w[1], link.working_directory, w[3]);
  };
}

void ScriptRunner::AddRegistryCommands() {
  m_commands["expect-reg"] = [](const Words& w) {
    RequireWords(w, 4);
    std::string value;
    if (!ReadRegistryString(w[1], w[2], &value)) throw ScriptFailure("no text value " + Quote(w[2]) + " in " + w[1]);
    ExpectEqual(w[1] + " " + Quote(w[2]), value, w[3]);
  };
  m_commands["expect-reg-key"] = [](const Words& w) {
    RequireWords(w, 2);
    if (!RegistryKeyExists(w[1])) throw ScriptFailure("no registry key " + w[1]);
  };
  m_commands["expect-no-reg-key"] = [](const Words& w) {
    RequireWords(w, 2);
    if (RegistryKeyExists(w[1])) throw ScriptFailure("the registry key " + w[1] + " exists");
  };
  m_commands["expect-no-reg-value"] = [](const Words& w) {
    RequireWords(w, 3);
    if (RegistryValueExists(w[1], w[2])) throw ScriptFailure("the value " + Quote(w[2]) + " exists in " + w[1]);
  };
  // expect-reg-contains KEY NAME TEXT: the value's raw data, of any type,
  // holds TEXT (e.g. one name of a multi-string list).
  m_commands["expect-reg-contains"] = [](const Words& w) {
    RequireWords(w, 4);
    std::string data;
    if (!ReadRegistryData(w[1], w[2], &data)) throw ScriptFailure("no value " + Quote(w[2]) + " in " + w[1]);
    if (data.find(w[3]) == std::string::npos)
      throw ScriptFailure(w[1] + " " + Quote(w[2]) + " does not hold " + Quote(w[3]) + "; it holds " + Quote(data));
  };
  // expect-reg-number KEY NAME NUMBER: a REG_DWORD value, in decimal.
  m_commands["expect-reg-number"] = [](const Words& w) {
    RequireWords(w, 4);
    std::string data;
    if (!ReadRegistryData(w[1], w[2], &data) || data.size() != 4)
      throw ScriptFailure("no number " + Quote(w[2]) + " in " + w[1]);
    DWORD number = 0;
    memcpy(&number, data.data(), 4);
    ExpectEqual(w[1] + " " + Quote(w[2]), std::to_string(number), w[3]);
  };
  m_commands["reg-set"] = [](const Words& w) {
    RequireWords(w, 4);
    WriteRegistryString(w[1], w[2], w[3]);
  };
}

void ScriptRunner::AddServiceCommands() {
  // expect-service NAME running|stopped|absent
  m_commands["expect-service"] = [](const Words& w) {
    RequireWords(w, 3);
    ServiceState state = QueryService(w[1]);
    if (w[2] == "absent") {
      if (state.exists) throw ScriptFailure("the service " + w[1] + " exists");
      return;
    }
    if (!state.exists) throw ScriptFailure("no service " + w[1]);
    if (state.current_state != ServiceStateWord(w[2]))
      throw ScriptFailure("the service " + w[1] + " is in state " + std::to_string(state.current_state));
  };
  // Stops a service the way an administrator would and waits until it has.
  m_commands["stop-service"] = [](const Words& w) {
    RequireWords(w, 2);
    StopService(w[1]);
    if (!WaitUntil(kDefaultWaitMs, [&] { return QueryService(w[1]).current_state == SERVICE_STOPPED; }))
      throw ScriptFailure("the service " + w[1] + " did not stop");
  };
  // expect-service-config NAME START_TYPE DISPLAY_NAME IMAGE_PATH: a kernel
  // driver service so configured.
  m_commands["expect-service-config"] = [](const Words& w) {
    RequireWords(w, 5);
    ServiceState state = QueryService(w[1]);
    if (!state.exists) throw ScriptFailure("no service " + w[1]);
    if (state.service_type != SERVICE_KERNEL_DRIVER)
      throw ScriptFailure("the service " + w[1] + " has type " + std::to_string(state.service_type));
    if (static_cast<int>(state.start_type) != IntegerWord(w[2]))
      throw ScriptFailure("the service " + w[1] + " has start type " + std::to_string(state.start_type));
    ExpectEqual("display name of " + w[1], state.display_name, w[3]);
    ExpectEqual("image path of " + w[1], state.image_path, w[4]);
  };
}

namespace {

// What a snapshot covers: the system drive, except the user's document
// folders, which Wine links to the host's home; and the registry the setup may
// touch.
const std::vector<std::string> kSnapshotFolders = {"C:\\.", "C:\\Program Files", "C:\\ProgramData", "C:\\windows",
                                                   "C:\\users\\Public", "%VELMORA_PROFILE%\\.", "%VELMORA_PROFILE%\\AppData"};
const std::vector<std::string> kSnapshotKeys = {"HKLM\\Software", "HKLM\\System\\CurrentControlSet", "HKCU"};

}  // namespace

std::vector<std::string> ScriptRunner::SnapshotFolders() const {
  std::vector<std::string> folders;
  for (const std::string& folder : kSnapshotFolders) folders.push_back(ExpandVariables(folder, m_variables));
  return folders;
}

void ScriptRunner::AddSnapshotCommands() {
  m_commands["snapshot"] = [this](const Words& w) {
    RequireWords(w, 2);
    m_snapshots[w[1]].Take(SnapshotFolders(), kSnapshotKeys);
  };
  // expect-unchanged NAME [IGNORED_PREFIX...]: the machine equals snapshot NAME
  // but for entries starting with one of the prefixes.
  m_commands["expect-unchanged"] = [this](const Words& w) {
    RequireWords(w, 2);
    auto before = m_snapshots.find(w[1]);
    if (before == m_snapshots.end()) throw ScriptFailure("no snapshot " + w[1]);
    MachineSnapshot now;
    now.Take(SnapshotFolders(), kSnapshotKeys);
    std::vector<std::string> differences = before->second.Differences(now, Words(w.begin() + 2, w.end()));
    if (differences.empty()) return;
    std::string listing;
    for (const std::string& line : differences) listing += "\n    " + line;
    throw ScriptFailure("the machine changed since snapshot " + w[1] + ":" + listing);
  };
}
