#include "app/pages/restart_page.h"

#include "app/pages/page_frame.h"
#include "base/product.h"
#include "res/resource.h"

CRestartPage::CRestartPage() : CExteriorPage(IDD_RESTART) {}

bool CRestartPage::Failed() const { return ::InterlockedCompareExchange(m_pInstallFailed, 0, 0) != 0; }

BOOL CRestartPage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitExterior();
  m_restartNowLabelText.LoadString(IDS_RESTART_NOW_LABEL);
  m_restartLaterLabelText.LoadString(IDS_RESTART_LATER_LABEL);
  const bool restart = ::InterlockedCompareExchange(m_pRestartRequired, 0, 0) != 0;
  CheckRadioButton(IDC_RESTART_NOW, IDC_RESTART_LATER, restart ? IDC_RESTART_NOW : IDC_RESTART_LATER);
  if (Failed()) {
    m_titleText.Format(IDS_FAILED_TITLE, product::kName);
    m_bodyText.Format(IDS_RESTART_FAILED_BODY, product::kName, product::kName);
  } else {
    m_titleText.Format(IDS_FINISH_TITLE, product::kName);
    m_bodyText.Format(IDS_RESTART_BODY, product::kName);
  }
  SetWindowText(WizardWindowTitle());
  UpdateData(FALSE);
  NameChoice(IDC_RESTART_NOW, IDC_RESTART_NOW_LABEL);
  NameChoice(IDC_RESTART_LATER, IDC_RESTART_LATER_LABEL);
  return TRUE;
}

void CRestartPage::DoDataExchange(CDataExchange* pDX) {
  CExteriorPage::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_RESTART_NOW_LABEL, m_restartNowLabelText);
  DDX_Text(pDX, IDC_RESTART_LATER_LABEL, m_restartLaterLabelText);
}

BOOL CRestartPage::OnCommand(UINT id, UINT notifyCode) {
  if (notifyCode == BN_CLICKED && (id == IDC_RESTART_NOW || id == IDC_RESTART_LATER)) {
    ::InterlockedExchange(m_pRestartRequired, id == IDC_RESTART_NOW ? 1 : 0);
    return TRUE;
  }
  return CDialog::OnCommand(id, notifyCode);
}

void CRestartPage::OnOK() { OnCancel(); }

HBRUSH CRestartPage::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
  return PanelColours(dc, control, ctlType, Failed(),
                      {IDC_RESTART_NOW, IDC_RESTART_LATER, IDC_RESTART_NOW_LABEL, IDC_RESTART_LATER_LABEL});
}
