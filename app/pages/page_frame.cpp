#include "app/pages/page_frame.h"

#include <algorithm>

#include "app/app_calls.h"
#include "app/wizard_language.h"
#include "base/product.h"
#include "framework/resource_language.h"
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
  if (HighContrastOn()) return UseWindowColours(dc);
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  ::SetTextColor(dc, RGB(255, 0, 0));
  return ::GetSysColorBrush(COLOR_WINDOW);
}

bool HighContrastOn() {
  HIGHCONTRASTA contrast = {sizeof(contrast), 0, nullptr};
  return AppCalls().SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void NameByLabel(HWND dialog, int id, int labelId) {
  HWND control = ::GetDlgItem(dialog, id);
  CWnd page;
  page.Attach(dialog);
  CString label;
  page.GetDlgItemText(labelId, label);
  page.Detach();
  if (control && !label.IsEmpty()) AppCalls().SetAccessibleName(control, label);
}

BOOL FocusPageItself(HWND dialog) {
  ::SetFocus(dialog);
  // Showing the page activates it; queued behind that, the focus comes
  // back to the page (the dialog manager would look for a control).
  ::PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dialog), TRUE);
  return FALSE;
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

void CreateExteriorTitleFont(CFont& font, UINT dpi) {
  const LANGID language = AfxGetResourceLanguage();
  font.CreateFont(::MulDiv(18, static_cast<int>(dpi), 96), 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, TitleFontCharSet(language), 0, 0, ANTIALIASED_QUALITY, 0, TitleFontFace(language));
}

CInteriorPage::CInteriorPage(UINT templateId, int titleId, UINT titleTextId, int subtitleId, UINT subtitleTextId)
    : CDialog(templateId),
      m_scale(PageArt::kHeaderPicture, templateId == IDD_DESTINATION || templateId == IDD_START_MENU,
              templateId == IDD_DESTINATION ? PageArt::kFolderIcon : PageArt::kStartMenuIcon),
      m_titleId(titleId),
      m_titleTextId(titleTextId),
      m_subtitleId(subtitleId),
      m_subtitleTextId(subtitleTextId) {}

void CInteriorPage::InitFrame() {
  KeepPanelBeneath(m_hWnd);
  m_scale.Attach(m_hWnd);
  ApplyTitleFont();
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

void CInteriorPage::ApplyTitleFont() {
  if (m_scale.Dpi() == 96 || !m_pTitleFont) {
    m_title.SetFont(m_pTitleFont, TRUE);
    m_scaledTitleFont.DeleteObject();
    return;
  }
  // The font grows with the DPI, but never beyond the one line of its
  // static (at 96 DPI it stands out by a pixel, as it always has).
  LOGFONTA shape = {};
  ::GetObjectA(m_pTitleFont->GetSafeHandle(), sizeof(shape), &shape);
  RECT line;
  m_title.GetClientRect(&line);
  shape.lfHeight = std::min<LONG>(::MulDiv(shape.lfHeight, static_cast<int>(m_scale.Dpi()), 96), line.bottom + 1);
  m_scaledTitleFont.CreateFontIndirect(shape);
  m_title.SetFont(&m_scaledTitleFont, TRUE);
}

INT_PTR CInteriorPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DPICHANGED) {
    m_scale.ChangeDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    ApplyTitleFont();
    return TRUE;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

void CInteriorPage::OnDestroy() {
  CDialog::OnDestroy();
  m_scaledTitleFont.DeleteObject();
}
