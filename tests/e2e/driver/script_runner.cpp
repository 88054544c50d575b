#include "tests/e2e/driver/script_runner.h"

#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/screenshot.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_words.h"

namespace {

const DWORD kDefaultWaitMs = 30000;
// Time for a page to paint itself fully before its picture is taken.
const DWORD kPaintSettleMs = 500;

// Clicks are sent with a completion callback: the driver goes on once the
// setup has handled the click, or once the click has opened a message box
// (whose modal loop holds the completion back).
std::atomic<unsigned> g_clicksHandled{0};
unsigned g_clicksSent = 0;

void CALLBACK ClickHandled(HWND, UINT, ULONG_PTR, LRESULT) { ++g_clicksHandled; }

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return "";
  return path;
}

std::string SystemFolder() {
  char path[MAX_PATH] = {};
  GetSystemDirectoryA(path, MAX_PATH);
  return path;
}

}  // namespace

ScriptRunner::ScriptRunner() {
  m_variables["VELMORA_PROGRAM_FILES"] = SpecialFolder(CSIDL_PROGRAM_FILES);
  m_variables["VELMORA_SYSTEM"] = SystemFolder();
  m_variables["VELMORA_COMMON_PROGRAMS"] = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  m_variables["VELMORA_COMMON_DESKTOP"] = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  m_variables["VELMORA_APPDATA"] = SpecialFolder(CSIDL_APPDATA);
  m_variables["VELMORA_PROFILE"] = SpecialFolder(CSIDL_PROFILE);
  m_variables["VELMORA_QUICK_LAUNCH"] =
      m_variables["VELMORA_APPDATA"] + "\\Microsoft\\Internet Explorer\\Quick Launch";
  AddCommands();
}

int ScriptRunner::Run(std::istream& script) {
  std::string line;
  int number = 0;
  DWORD start = GetTickCount();
  while (std::getline(script, line)) {
    ++number;
    try {
      Words words = SplitScriptLine(line);
      if (words.empty()) continue;
      for (std::string& word : words) word = ExpandVariables(word, m_variables);
      std::printf("[%d %.2fs] %s\n", number, (GetTickCount() - start) / 1000.0, line.c_str());
      std::fflush(stdout);
      Execute(words);
    } catch (const ScriptFailure& failure) {
      std::printf("FAIL at line %d: %s\n  %s\n", number, line.c_str(), failure.what());
      ReportSituation();
      std::fflush(stdout);
      m_setup.Terminate();
      m_other.Terminate();
      return 1;
    }
  }
  std::printf("PASS: %d lines\n", number);
  std::fflush(stdout);
  return 0;
}

void ScriptRunner::Execute(const Words& words) {
  auto command = m_commands.find(words[0]);
  if (command == m_commands.end()) throw ScriptFailure("unknown command " + words[0]);
  command->second(words);
}

void ScriptRunner::ReportSituation() const {
  if (!m_setup.Started()) return;
  std::printf("  setup %s; page shown: %s\n", m_setup.Running() ? "running" : "ended",
              m_setup.CurrentPageKind().empty() ? "none" : m_setup.CurrentPageKind().c_str());
  if (HWND box = m_setup.FindMessageBox()) {
    try {
      std::printf("  message box %s: %s\n", Quote(WindowText(box)).c_str(), Quote(MessageBoxText(box)).c_str());
    } catch (const ScriptFailure&) {
    }
  }
}

HWND ScriptRunner::Page() const {
  if (!m_page || !IsWindow(m_page)) throw ScriptFailure("no page: wait for one with wait-page first");
  return m_page;
}

HWND ScriptRunner::Control(const std::string& id) const {
  HWND control = GetDlgItem(Page(), IntegerWord(id));
  if (!control) throw ScriptFailure("the " + m_pageKind + " page has no control " + id);
  return control;
}

HWND ScriptRunner::ExpectBox(const std::string& text, const std::string& caption, unsigned timeoutMs) {
  HWND box = nullptr;
  if (!WaitUntil(timeoutMs, [&] { return (box = m_setup.FindMessageBox()) != nullptr; }))
    throw ScriptFailure("no message box appeared");
  // The box fills its text in while it opens.
  PumpMessages(100);
  ExpectEqual("message box text", MessageBoxText(box), text);
  ExpectEqual("message box caption", WindowText(box), caption);
  return box;
}

void ScriptRunner::AddCommands() {
  m_commands["echo"] = [](const Words& w) {
    RequireWords(w, 2);
    std::printf("%s\n", w[1].c_str());
  };
  m_commands["sleep"] = [](const Words& w) {
    RequireWords(w, 2);
    PumpMessages(IntegerWord(w[1]));
  };
  m_commands["set"] = [this](const Words& w) {
    RequireWords(w, 3);
    m_variables[w[1]] = w[2];
  };
  m_commands["wait-end-session"] = [this](const Words& w) {
    if (!WaitUntil(OptionalTimeout(w, 1, kDefaultWaitMs), [this] { return m_session.Ended(); }))
      throw ScriptFailure("no end of session was announced");
  };
  m_commands["expect-no-end-session"] = [this](const Words& w) {
    if (WaitUntil(OptionalTimeout(w, 1, 0), [this] { return m_session.Ended(); }))
      throw ScriptFailure("the end of the session was announced");
  };
  AddWizardCommands();
  AddBoxCommands();
  AddProcessCommands();
  AddFileCommands();
  AddRegistryCommands();
  AddServiceCommands();
  AddSnapshotCommands();
  AddUnattendedCommands();
  AddKeyboardCommands();
}

void ScriptRunner::AddWizardCommands() {
  // start PATH [ARGUMENT...]: the arguments follow the quoted path, joined
  // by blanks exactly as written.
  m_commands["start"] = [this](const Words& w) {
    RequireWords(w, 2);
    m_setup.Start(w[1], JoinArguments(w, 2));
    m_windows.Watch(m_setup.Id());
  };
  // wait-page KIND [ms] [early]: waits for the page; with "early" it is taken
  // while it is still being set up, before it is first shown, so that the
  // state it starts in can be seen even when it changes quickly.
  m_commands["wait-page"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (!IsPageKind(w[1])) throw ScriptFailure("unknown page kind " + w[1]);
    bool early = w.size() > 3 && w[3] == "early";
    HWND page = nullptr;
    auto found = [&] {
      page = m_setup.FindPage(w[1], early);
      return page && (!early || GetDlgItem(page, 1));
    };
    if (!WaitUntil(OptionalTimeout(w, 2, kDefaultWaitMs), found))
      throw ScriptFailure("the " + w[1] + " page did not appear");
    m_page = page;
    m_pageKind = w[1];
  };
  m_commands["expect-page"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (m_setup.FindPage(w[1]) != Page() || !IsWindowVisible(Page()))
      throw ScriptFailure("the " + w[1] + " page is not the one shown");
  };
  m_commands["expect-title"] = [this](const Words& w) {
    RequireWords(w, 2);
    ExpectEqual("window title", WindowText(Page()), w[1]);
  };
  m_commands["expect-text"] = [this](const Words& w) {
    RequireWords(w, 3);
    ExpectEqual("text of " + w[1], WindowText(Control(w[1])), w[2]);
  };
  m_commands["expect-text-contains"] = [this](const Words& w) {
    RequireWords(w, 3);
    std::string text = WindowText(Control(w[1]));
    if (text.find(w[2]) == std::string::npos)
      throw ScriptFailure("text of " + w[1] + " is " + Quote(text) + ", without " + Quote(w[2]));
  };
  m_commands["expect-empty"] = [this](const Words& w) {
    RequireWords(w, 2);
    ExpectEqual("text of " + w[1], WindowText(Control(w[1])), "");
  };
  m_commands["expect-not-empty"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (WindowText(Control(w[1])).empty()) throw ScriptFailure("control " + w[1] + " is empty");
  };
  m_commands["wait-text"] = [this](const Words& w) {
    RequireWords(w, 3);
    HWND control = Control(w[1]);
    if (!WaitUntil(OptionalTimeout(w, 3, kDefaultWaitMs), [&] { return WindowText(control) == w[2]; }))
      throw ScriptFailure("text of " + w[1] + " stayed " + Quote(WindowText(control)) + ", not " + Quote(w[2]));
  };
  m_commands["expect-enabled"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (!IsWindowEnabled(Control(w[1]))) throw ScriptFailure("control " + w[1] + " is disabled");
  };
  m_commands["expect-disabled"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (IsWindowEnabled(Control(w[1]))) throw ScriptFailure("control " + w[1] + " is enabled");
  };
  // An edit box the user cannot type into.
  m_commands["expect-read-only"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (!(GetWindowLongA(Control(w[1]), GWL_STYLE) & ES_READONLY)) throw ScriptFailure("control " + w[1] + " is editable");
  };
  m_commands["wait-enabled"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND control = Control(w[1]);
    if (!WaitUntil(OptionalTimeout(w, 2, kDefaultWaitMs), [&] { return IsWindowEnabled(control) != FALSE; }))
      throw ScriptFailure("control " + w[1] + " stayed disabled");
  };
  m_commands["expect-visible"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (!IsWindowVisible(Control(w[1]))) throw ScriptFailure("control " + w[1] + " is hidden");
  };
  m_commands["expect-hidden"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (IsWindowVisible(Control(w[1]))) throw ScriptFailure("control " + w[1] + " is visible");
  };
  m_commands["expect-checked"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (CheckState(Control(w[1])) != BST_CHECKED) throw ScriptFailure("control " + w[1] + " is not checked");
  };
  m_commands["expect-unchecked"] = [this](const Words& w) {
    RequireWords(w, 2);
    if (CheckState(Control(w[1])) != BST_UNCHECKED) throw ScriptFailure("control " + w[1] + " is checked");
  };
  m_commands["click"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND control = Control(w[1]);
    // A user can press only what is shown and enabled, on a page no message
    // box is blocking.
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
      throw ScriptFailure("control " + w[1] + " cannot be clicked: hidden or disabled");
    if (!IsWindowEnabled(Page())) throw ScriptFailure("the page is disabled (a message box is open?)");
    unsigned click = ++g_clicksSent;
    if (!SendMessageCallbackA(control, BM_CLICK, 0, 0, ClickHandled, 0))
      throw ScriptFailure("cannot click control " + w[1]);
    if (!WaitUntil(kDefaultWaitMs, [&] { return g_clicksHandled >= click || m_setup.FindMessageBox() != nullptr; }))
      throw ScriptFailure("the setup did not handle the click on " + w[1]);
  };
  m_commands["set-text"] = [this](const Words& w) {
    RequireWords(w, 3);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(Control(w[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[2].c_str()), SMTO_ABORTIFHUNG,
                             5000, &result))
      throw ScriptFailure("control " + w[1] + " does not take the text");
  };
  m_commands["record-texts"] = [this](const Words& w) {
    RequireWords(w, 2);
    m_recorder.Start(Control(w[1]));
  };
  m_commands["expect-recorded"] = [this](const Words& w) {
    RequireWords(w, 2);
    std::vector<std::string> seen = m_recorder.Finish(kDefaultWaitMs);
    std::vector<std::string> wanted(w.begin() + 1, w.end());
    if (!ContainsRun(seen, wanted)) throw ScriptFailure("texts seen in order: " + JoinQuoted(seen));
  };
  m_commands["screenshot"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND page = Page();
    PumpMessages(kPaintSettleMs);
    SaveWindowPicture(page, w[1]);
  };
  m_commands["wait-exit"] = [this](const Words& w) {
    if (!m_setup.Started()) throw ScriptFailure("the setup was not started");
    if (!WaitUntil(OptionalTimeout(w, 1, kDefaultWaitMs), [this] { return !m_setup.Running(); }))
      throw ScriptFailure("the setup is still running");
  };
  m_commands["expect-running"] = [this](const Words&) {
    if (!m_setup.Running()) throw ScriptFailure("the setup has ended");
  };
}

void ScriptRunner::AddBoxCommands() {
  // expect-box TEXT CAPTION [ms]: a message box of the setup shows exactly
  // TEXT under CAPTION; nothing is pressed.
  m_commands["expect-box"] = [this](const Words& w) {
    RequireWords(w, 3);
    ExpectBox(w[1], w[2], OptionalTimeout(w, 3, kDefaultWaitMs));
  };
  // answer-box yes|no|ok TEXT CAPTION [ms]: as expect-box; the button is pressed.
  m_commands["answer-box"] = [this](const Words& w) {
    RequireWords(w, 4);
    int button = ButtonId(w[1]);
    HWND box = ExpectBox(w[2], w[3], OptionalTimeout(w, 4, kDefaultWaitMs));
    HWND control = GetDlgItem(box, button);
    if (!control || !IsWindowVisible(control)) throw ScriptFailure("the message box has no button " + w[1]);
    PostMessageA(control, BM_CLICK, 0, 0);
    if (!WaitUntil(kDefaultWaitMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
      throw ScriptFailure("the message box stayed open");
  };
  m_commands["screenshot-box"] = [this](const Words& w) {
    RequireWords(w, 2);
    HWND box = nullptr;
    if (!WaitUntil(kDefaultWaitMs, [&] { return (box = m_setup.FindMessageBox()) != nullptr; }))
      throw ScriptFailure("no message box appeared");
    PumpMessages(kPaintSettleMs);
    SaveWindowPicture(box, w[1]);
  };
  m_commands["expect-no-box"] = [this](const Words& w) {
    if (WaitUntil(OptionalTimeout(w, 1, 0), [this] { return m_setup.FindMessageBox() != nullptr; }))
      throw ScriptFailure("a message box is open: " + Quote(MessageBoxText(m_setup.FindMessageBox())));
  };
}
