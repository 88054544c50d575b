// The script commands for unattended runs: a second copy of the setup, exit
// codes read from the processes, and the windows each one ever showed.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_runner.h"
#include "tests/e2e/driver/script_words.h"

namespace {

const DWORD kExitWaitMs = 120000;

// Waits for the process to end and reports its exit code in the transcript.
DWORD WaitForExitCode(const SetupProcess& process, DWORD timeout_ms, const char* which) {
  if (!process.Started()) throw ScriptFailure(std::string("the ") + which + " setup was not started");
  if (!WaitUntil(timeout_ms, [&] { return !process.Running(); }))
    throw ScriptFailure(std::string("the ") + which + " setup is still running");
  const DWORD code = process.ExitCode();
  std::printf("exit code of the %s setup: %lu\n", which, static_cast<unsigned long>(code));
  std::fflush(stdout);
  return code;
}

void ExpectCode(DWORD seen, const std::string& wanted, const char* which) {
  if (seen != static_cast<DWORD>(IntegerWord(wanted)))
    throw ScriptFailure(std::string("the ") + which + " setup ended with " + std::to_string(seen) + ", not " + wanted);
}

}  // namespace

void ScriptRunner::AddUnattendedCommands() {
  m_commands["start-other"] = [this](const Words& w) {
    RequireWords(w, 2);
    m_other.Start(w[1], JoinArguments(w, 2));
    m_windows.Watch(m_other.Id());
  };
  // expect-exit-code N [ms]: the setup ends with exit code N.
  m_commands["expect-exit-code"] = [this](const Words& w) {
    RequireWords(w, 2);
    ExpectCode(WaitForExitCode(m_setup, OptionalTimeout(w, 2, kExitWaitMs), "first"), w[1], "first");
  };
  m_commands["expect-other-exit-code"] = [this](const Words& w) {
    RequireWords(w, 2);
    ExpectCode(WaitForExitCode(m_other, OptionalTimeout(w, 2, kExitWaitMs), "other"), w[1], "other");
  };
  // expect-peak-working-set-below MB: the setup's peak working set, as read
  // while it ran, stayed below MB mebibytes.
  m_commands["expect-peak-working-set-below"] = [this](const Words& w) {
    RequireWords(w, 2);
    const SIZE_T peak = m_setup.PeakWorkingSet();
    std::printf("peak working set: %lu KiB\n", static_cast<unsigned long>(peak / 1024));
    if (peak == 0) throw ScriptFailure("the peak working set was never read");
    if (peak >= static_cast<SIZE_T>(IntegerWord(w[1])) << 20) throw ScriptFailure("the peak working set is too large");
  };
  // suspend / resume: holds every thread of the setup still, and lets it go
  // on, so that a second copy surely meets the first one running.
  m_commands["suspend"] = [this](const Words&) { m_setup.Suspend(true); };
  m_commands["resume"] = [this](const Words&) { m_setup.Suspend(false); };
  // expect-shown [other] KIND...: every window the setup (or the other copy)
  // ever showed was of these kinds (page kinds, "box"); none at all when no
  // kind is given.
  m_commands["expect-shown"] = [this](const Words& w) {
    size_t first_kind = 1;
    const SetupProcess* process = &m_setup;
    if (w.size() > 1 && w[1] == "other") {
      process = &m_other;
      first_kind = 2;
    }
    const std::vector<std::string> allowed(w.begin() + first_kind, w.end());
    const auto seen = m_windows.SeenOf(process->Id());
    for (const WindowWatch::Seen& window : seen) {
      if (std::find(allowed.begin(), allowed.end(), window.kind) == allowed.end())
        throw ScriptFailure("windows shown:" + DescribeSeen(seen));
    }
    std::printf("windows shown:%s\n", DescribeSeen(seen).c_str());
  };
  // expect-seen KIND: the setup showed a window of that kind at some time.
  m_commands["expect-seen"] = [this](const Words& w) {
    RequireWords(w, 2);
    const auto seen = m_windows.SeenOf(m_setup.Id());
    for (const WindowWatch::Seen& window : seen)
      if (window.kind == w[1]) return;
    throw ScriptFailure("no " + w[1] + " was shown; windows shown:" + DescribeSeen(seen));
  };
  // answer-other-box ok TEXT CAPTION [ms]: as answer-box, for the other copy.
  m_commands["answer-other-box"] = [this](const Words& w) {
    RequireWords(w, 4);
    const int button = ButtonId(w[1]);
    HWND box = nullptr;
    if (!WaitUntil(OptionalTimeout(w, 4, 30000), [&] { return (box = m_other.FindMessageBox()) != nullptr; }))
      throw ScriptFailure("the other copy showed no message box");
    PumpMessages(100);
    ExpectEqual("message box text", MessageBoxText(box), w[2]);
    ExpectEqual("message box caption", WindowText(box), w[3]);
    HWND control = GetDlgItem(box, button);
    if (!control) throw ScriptFailure("the message box has no button " + w[1]);
    PostMessageA(control, BM_CLICK, 0, 0);
  };
}
