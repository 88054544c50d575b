#pragma once
// CWnd: a thin object over a window handle it does not own. The dialog and
// the control wrappers derive from it.

#include <windows.h>

#include <map>
#include <memory>

#include "framework/cstring.h"

class CFont;

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The window this object stands for; null while it is not attached.
  HWND m_hWnd = nullptr;

  // The window handle (null when not attached).
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // Makes the object stand for `window` (never destroys a window).
  void Attach(HWND window);
  // Forgets the window and returns it.
  HWND Detach();

  // SendMessageA / PostMessageA to the window; from another thread the
  // window's own thread carries a sent message out.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // The window's text (a control's text, a dialog's title), any length.
  void SetWindowText(const char* text);
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;

  // Previous state as EnableWindow reports it (nonzero: was disabled).
  BOOL EnableWindow(BOOL enable = TRUE);
  // The Win32 calls of the same names on this window.
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int showCommand);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  int GetDlgCtrlID() const;
  void Invalidate(BOOL erase = TRUE);

  // WM_SETFONT with the font's handle (a null font selects the system font).
  void SetFont(CFont* font, BOOL redraw = TRUE);

  // A CWnd for the child control `id`, owned by this object and valid while
  // this window lives; null when there is no such control.
  CWnd* GetDlgItem(int id);
  // Text and check state of child control `id` (the Win32 calls of the same names).
  void SetDlgItemText(int id, const char* text);
  void GetDlgItemText(int id, CString& text) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  // Checks radio button `checkId` of the range and clears the others.
  void CheckRadioButton(int firstId, int lastId, int checkId);

  // Timer on this window delivered as WM_TIMER; returns the id or 0.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
  // Stops timer `id`; FALSE when there was none.
  BOOL KillTimer(UINT_PTR id);

  // MessageBoxA owned by this window (no caption: the application title).
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

 protected:
  // Drops the objects GetDlgItem handed out (the window is gone).
  void ReleaseDlgItems();

 private:
  std::map<HWND, std::unique_ptr<CWnd>> m_items;
};
