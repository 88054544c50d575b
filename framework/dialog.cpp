#include "framework/dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/resource_language.h"
#include "framework/win_app.h"

namespace {

// Templates may hold common controls (progress bar); their window classes
// must be registered before a dialog is created. Registering again is
// harmless and cheap, and needs no once-only guard (whose runtime support
// would bring the POSIX thread library into every program).
void RegisterCommonControls() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
}

// The dialog template `templateId` in the resource language (else English),
// copied so that a right-to-left language can lay the dialog out mirrored;
// empty when there is no such template.
std::vector<DWORD> LoadTemplate(UINT templateId) {
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA(templateId), RT_DIALOG);
  DWORD size = 0;
  const void* data = AfxLockResource(module, MAKEINTRESOURCEA(templateId), RT_DIALOG, AfxGetResourceLanguage(), &size);
  if (!data) return {};
  std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  memcpy(copy.data(), data, size);
  if (AfxIsRightToLeftLanguage(AfxGetResourceLanguage())) {
    // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, extended style;
    // DLGTEMPLATE: style, extended style.
    const WORD* words = reinterpret_cast<const WORD*>(copy.data());
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    copy[extended ? 2 : 1] |= WS_EX_LAYOUTRTL;
  }
  return copy;
}

// In a mirrored dialog the pictures keep their orientation: a picture
// control that is not itself laid out right to left is placed mirrored but
// drawn as it is.
void KeepPicturesUnmirrored(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof(className));
    const LONG_PTR kind = ::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK;
    if (lstrcmpiA(className, "Static") == 0 && (kind == SS_BITMAP || kind == SS_ICON)) AfxKeepLeftToRight(child);
  }
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParent(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  if (m_hWnd) {
    ::SetLastError(ERROR_BUSY);  // already running
    return -1;
  }
  RegisterCommonControls();
  m_handlerFailure = nullptr;
  const std::vector<DWORD> dialogTemplate = LoadTemplate(m_templateId);
  if (dialogTemplate.empty()) {
    ::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  HWND owner = m_pParent ? m_pParent->m_hWnd : nullptr;
  // In another language than English the dialog is a Unicode one: the
  // dialog manager of an ANSI dialog would pass its controls' texts, and the
  // window texts set later, through the system's code page.
  const auto* layout = reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data());
  INT_PTR result = AfxTextCodePage() == CP_ACP
                       ? ::DialogBoxIndirectParamA(AfxGetResourceHandle(), layout, owner, DialogProc,
                                                   reinterpret_cast<LPARAM>(this))
                       : ::DialogBoxIndirectParamW(AfxGetResourceHandle(), layout, owner, DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
  DWORD error = ::GetLastError();
  ReleaseWindow();
  if (m_handlerFailure) {
    std::exception_ptr failure = m_handlerFailure;
    m_handlerFailure = nullptr;
    std::rethrow_exception(failure);
  }
  ::SetLastError(error);
  return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (!m_hWnd) return FALSE;
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (const CDataExchange::Failure&) {
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCommand(UINT id, UINT notifyCode) {
  // 0: a button click or the dialog manager's Enter/Escape/close; 1: an accelerator.
  if (notifyCode != 0 && notifyCode != 1) return FALSE;
  if (id != IDOK && id != IDCANCEL) return FALSE;
  if (IsDisabledButtonCommand(id)) return TRUE;
  if (id == IDOK) {
    OnOK();
  } else {
    OnCancel();
  }
  return TRUE;
}

BOOL CDialog::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }

HBRUSH CDialog::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
  // What the dialog manager would do with an unhandled WM_CTLCOLOR*.
  LRESULT brush = ::DefWindowProcA(m_hWnd, WM_CTLCOLORMSGBOX + ctlType,
                                   reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  return reinterpret_cast<HBRUSH>(brush);
}

void CDialog::OnTimer(UINT_PTR) {}

BOOL CDialog::OnPaint() { return FALSE; }

HCURSOR CDialog::OnQueryDragIcon() { return nullptr; }

void CDialog::OnDestroy() {}

INT_PTR CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
      LRESULT reply = 0;
      if (!OnNotify(wParam, lParam, &reply)) return FALSE;
      ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, reply);
      return TRUE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(OnCtlColor(reinterpret_cast<HDC>(wParam),
                                                  reinterpret_cast<HWND>(lParam),
                                                  message - WM_CTLCOLORMSGBOX));
    case WM_TIMER:
      OnTimer(wParam);
      return FALSE;
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    // DialogBoxParamA hands the object over as the WM_INITDIALOG parameter.
    dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    if (::GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) KeepPicturesUnmirrored(window);
  } else {
    dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!dialog) return FALSE;  // messages before WM_INITDIALOG

  INT_PTR result = FALSE;
  try {
    result = dialog->WindowProc(message, wParam, lParam);
  } catch (...) {
    // Unwinding through user32 is undefined: end the dialog and let DoModal
    // rethrow on the caller's side.
    if (!dialog->m_handlerFailure) dialog->m_handlerFailure = std::current_exception();
    ::EndDialog(window, -1);
    result = FALSE;
  }
  if (message == WM_NCDESTROY) dialog->ReleaseWindow();
  return result;
}

void CDialog::BindControl(CWnd& control, HWND window) {
  control.Attach(window);
  if (std::find(m_boundControls.begin(), m_boundControls.end(), &control) == m_boundControls.end())
    m_boundControls.push_back(&control);
}

void CDialog::ReleaseWindow() {
  for (CWnd* control : m_boundControls) control->Detach();
  m_boundControls.clear();
  ReleaseDlgItems();
  m_hWnd = nullptr;
}

bool CDialog::IsDisabledButtonCommand(UINT id) const {
  HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(id));
  return button && !::IsWindowEnabled(button);
}
