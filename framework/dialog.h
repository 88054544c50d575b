#pragma once
// CDialog: a modal dialog built from a dialog template. The dialog procedure
// finds the object from the window (DWLP_USER) and dispatches every message
// to the virtual handlers below; a C++ exception thrown by a handler ends the
// dialog and is rethrown by DoModal, never through user32.
//
// A page overrides the handlers it needs and calls the CDialog version for
// the framework's default, for example:
//   BOOL CMyPage::OnCommand(UINT id, UINT code) {
//     if (id == 1000 && code == BN_CLICKED) { EndDialog(1000); return TRUE; }
//     return CDialog::OnCommand(id, code);
//   }

#include <windows.h>

#include <exception>
#include <vector>

#include "framework/data_exchange.h"
#include "framework/wnd.h"

class CDialog : public CWnd {
 public:
  // The dialog of template `templateId` (from the resource module), owned by
  // `parent` (null: no owner) when shown.
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog and runs its modal loop; returns the EndDialog result,
  // or -1 when the dialog cannot be created (GetLastError tells why). Rethrows
  // an exception a handler threw (the dialog was ended with -1 first).
  virtual INT_PTR DoModal();
  // Ends the modal loop with `result` once the current message is handled.
  void EndDialog(int result);
  // Runs DoDataExchange: FALSE loads the members into the controls, TRUE
  // reads the controls into the members. FALSE when an exchange failed.
  // For the dialog's own thread: workers post to the window instead.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  UINT GetTemplateId() const { return m_templateId; }

 protected:
  // WM_INITDIALOG. Default: UpdateData(FALSE) (binds DDX_Control members and
  // fills the controls); returns TRUE so the dialog manager sets the focus.
  virtual BOOL OnInitDialog();
  // Next/Enter (IDOK). Default: UpdateData(TRUE), then EndDialog(IDOK).
  virtual void OnOK();
  // Cancel/Escape/close box (IDCANCEL). Default: EndDialog(IDCANCEL).
  virtual void OnCancel();
  // Lists the members exchanged with controls (DDX_Text, DDX_Check,
  // DDX_Control). Default: none.
  virtual void DoDataExchange(CDataExchange* pDX);

  // WM_COMMAND; TRUE when handled. Default: IDOK calls OnOK and IDCANCEL
  // calls OnCancel (button clicks, Enter, Escape, close box), except when
  // that button exists and is disabled: as the native dialog manager does,
  // the command is then ignored. Everything else: FALSE.
  virtual BOOL OnCommand(UINT id, UINT notifyCode);
  // WM_NOTIFY; TRUE when handled, with the reply in *result. Default: FALSE.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // WM_CTLCOLORMSGBOX..WM_CTLCOLORSTATIC for `control`; `ctlType` is
  // CTLCOLOR_EDIT, CTLCOLOR_STATIC, ... Returns the background brush.
  // Default: what the system would return (colours already set on `dc`),
  // so an override calls it first and changes only what it needs.
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);
  // WM_TIMER; the message then gets its default processing.
  virtual void OnTimer(UINT_PTR timerId);
  // WM_PAINT; TRUE when the override painted. Default: FALSE, the dialog
  // manager paints.
  virtual BOOL OnPaint();
  // WM_QUERYDRAGICON; the icon to drag, or null for the default.
  virtual HCURSOR OnQueryDragIcon();
  // WM_DESTROY, while the controls still exist. Default: nothing.
  virtual void OnDestroy();

  // Every message of the dialog procedure, before the handlers above. Return
  // what a dialog procedure returns (FALSE: default processing). Override to
  // handle other messages; call CDialog::WindowProc for the rest.
  virtual INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Remembers a control member bound to the current window.
  void BindControl(CWnd& control, HWND window);
  // The window is gone: forget it and unbind the control members.
  void ReleaseWindow();
  // Dialog manager commands (IDOK, IDCANCEL) whose button is disabled.
  bool IsDisabledButtonCommand(UINT id) const;

  UINT m_templateId;
  CWnd* m_pParent;
  std::vector<CWnd*> m_boundControls;
  std::exception_ptr m_handlerFailure;
};
