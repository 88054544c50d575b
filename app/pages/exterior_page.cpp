#include "app/pages/exterior_page.h"

#include "app/pages/page_frame.h"
#include "res/resource.h"

CExteriorPage::CExteriorPage(UINT templateId)
    : CDialog(templateId), m_scale(PageArt::kSidePicture, false, PageArt::kSidePicture) {}

void CExteriorPage::InitExterior() {
  KeepPanelBeneath(m_hWnd);
  m_scale.Attach(m_hWnd);
  ApplyFonts();
}

void CExteriorPage::ApplyFonts() {
  CreateExteriorTitleFont(m_titleFont, m_scale.Dpi());
  m_title.SetFont(&m_titleFont, TRUE);
}

INT_PTR CExteriorPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DPICHANGED) {
    m_scale.ChangeDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    ApplyFonts();
    return TRUE;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

void CExteriorPage::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_TITLE, m_title);
  DDX_Text(pDX, IDC_TITLE, m_titleText);
  DDX_Text(pDX, IDC_BODY, m_bodyText);
}

void CExteriorPage::OnDestroy() {
  CDialog::OnDestroy();
  m_titleFont.DeleteObject();
}

HBRUSH CExteriorPage::PanelColours(HDC dc, HWND control, UINT ctlType, bool failedTitle,
                                   std::initializer_list<int> panelControls) {
  HBRUSH brush = CDialog::OnCtlColor(dc, control, ctlType);
  if (failedTitle && IsControlOneOf(control, {IDC_TITLE})) return UseFailureTitleColours(dc);
  if (IsControlOneOf(control, {IDC_TITLE, IDC_BODY, IDC_PANEL}) || IsControlOneOf(control, panelControls)) {
    return UseWindowColours(dc);
  }
  return brush;
}

void CExteriorPage::NameChoice(int id, int labelId) { NameByLabel(m_hWnd, id, labelId); }
