#pragma once
// The setup program under test: the process the driver started and the
// wizard pages and message boxes it shows.

#include <windows.h>

#include <string>
#include <vector>

#include "base/handles.h"

class SetupProcess {
 public:
  // Starts the program from its own folder, as a double click would, with
  // `arguments` after its quoted path; throws ScriptFailure when it cannot
  // be started.
  void Start(const std::string& path, const std::string& arguments = "");
  bool Started() const { return m_process.valid(); }
  bool Running() const;
  // Ends the process, when a script has failed and nobody will answer it.
  void Terminate();
  // Suspends (or resumes) every thread of the process; throws ScriptFailure
  // when a thread cannot be reached.
  void Suspend(bool suspend);
  DWORD Id() const { return m_id; }
  // The largest peak working set read while it ran (each Running call reads
  // it); 0 when never read.
  SIZE_T PeakWorkingSet() const { return m_peak; }
  // The exit code once the process has ended (GetExitCodeProcess).
  DWORD ExitCode() const;

  // Top-level dialog windows (#32770) of the process: the visible ones, or
  // also those still being initialized and not yet shown.
  std::vector<HWND> Dialogs(bool include_hidden = false) const;
  // The page of the given kind, or null. Kinds: welcome, license,
  // destination, startmenu, tasks, ready, progress, finish, restart.
  HWND FindPage(const std::string& kind, bool include_hidden = false) const;
  // The name of the page now shown, or empty.
  std::string CurrentPageKind() const;
  // A visible message box of the process, or null.
  HWND FindMessageBox() const;

 private:
  unique_handle m_process;
  DWORD m_id = 0;
  mutable SIZE_T m_peak = 0;
};

// What a top-level window is: a page kind, "box" for a message box, or
// "other".
std::string WindowKind(HWND window);
// True for the page kinds FindPage knows.
bool IsPageKind(const std::string& kind);

// Text of a window of any process (WM_GETTEXT, so edit and rich edit
// controls report their contents).
std::string WindowText(HWND window);
// Class name of a window.
std::string WindowClass(HWND window);
// The text of a message box: its static text control.
std::string MessageBoxText(HWND box);
// A check box's or radio button's state (BM_GETCHECK).
int CheckState(HWND button);
// Visible top-level windows of every process whose class is class_name.
std::vector<HWND> TopLevelWindowsOfClass(const std::string& class_name);
