#include "app/pages/exterior_page.h"

#include "app/pages/page_frame.h"
#include "res/resource.h"

CExteriorPage::CExteriorPage(UINT templateId) : CDialog(templateId) {}

void CExteriorPage::InitExterior() {
  KeepPanelBeneath(m_hWnd);
  CreateExteriorTitleFont(m_titleFont);
  m_title.SetFont(&m_titleFont, TRUE);
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
