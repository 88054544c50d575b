#include "app/pages/page_frame.h"

#include "app/app_calls.h"
#include "base/product.h"
#include "res/resource.h"

CString WizardWindowTitle() {
  CString title;
  title.Format(IDS_WINDOW_TITLE, product::kName);
  return title;
}

bool ConfirmCancel() {
  CString question;
  question.Format(IDS_CONFIRM_CANCEL, product::kName);
  return AppCalls().AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

HBRUSH UseWindowColours(HDC dc) {
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  return ::GetSysColorBrush(COLOR_WINDOW);
}

HBRUSH UseFailureTitleColours(HDC dc) {
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  ::SetTextColor(dc, RGB(255, 0, 0));
  return ::GetSysColorBrush(COLOR_WINDOW);
}

void KeepPanelBeneath(HWND dialog) {
  HWND panel = ::GetDlgItem(dialog, IDC_PANEL);
  if (!panel) return;
  ::SetWindowLongA(panel, GWL_STYLE, ::GetWindowLongA(panel, GWL_STYLE) | WS_CLIPSIBLINGS);
}

bool IsControlOneOf(HWND control, std::initializer_list<int> ids) {
  if (!control) return false;
  const int id = ::GetDlgCtrlID(control);
  for (int candidate : ids) {
    if (candidate != 0 && candidate == id) return true;
  }
  return false;
}

void CreateExteriorTitleFont(CFont& font) {
  font.CreateFont(18, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Arial");
}

CInteriorPage::CInteriorPage(UINT templateId, int titleId, UINT titleTextId, int subtitleId, UINT subtitleTextId)
    : CDialog(templateId),
      m_titleId(titleId),
      m_titleTextId(titleTextId),
      m_subtitleId(subtitleId),
      m_subtitleTextId(subtitleTextId) {}

void CInteriorPage::InitFrame() {
  KeepPanelBeneath(m_hWnd);
  m_title.SetFont(m_pTitleFont, TRUE);
  m_titleText.Format(m_titleTextId, product::kName);
  if (m_subtitleId != 0) m_subtitleText.Format(m_subtitleTextId, product::kName);
  SetWindowText(WizardWindowTitle());
}

void CInteriorPage::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, m_titleId, m_title);
  DDX_Text(pDX, m_titleId, m_titleText);
  if (m_subtitleId != 0) DDX_Text(pDX, m_subtitleId, m_subtitleText);
}

BOOL CInteriorPage::OnCommand(UINT id, UINT notifyCode) {
  if (id == IDC_BACK && notifyCode == BN_CLICKED) {
    OnBack();
    return TRUE;
  }
  return CDialog::OnCommand(id, notifyCode);
}

void CInteriorPage::OnCancel() {
  if (ConfirmCancel()) CDialog::OnCancel();
}

HBRUSH CInteriorPage::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
  HBRUSH brush = CDialog::OnCtlColor(dc, control, ctlType);
  if (IsControlOneOf(control, {IDC_PANEL, m_titleId, m_subtitleId})) return UseWindowColours(dc);
  return brush;
}

void CInteriorPage::OnBack() { EndDialog(IDC_BACK); }
