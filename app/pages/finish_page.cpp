#include "app/pages/finish_page.h"

#include "app/pages/page_frame.h"
#include "base/product.h"
#include "res/resource.h"

CFinishPage::CFinishPage() : CExteriorPage(IDD_FINISH) {}

bool CFinishPage::Failed() const { return ::InterlockedCompareExchange(m_pInstallFailed, 0, 0) != 0; }

BOOL CFinishPage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitExterior();
  m_launchLabelText.Format(IDS_LAUNCH_LABEL, product::kName);
  if (Failed()) {
    m_titleText.Format(IDS_FAILED_TITLE, product::kName);
    m_bodyText.Format(IDS_FINISH_FAILED_BODY, product::kName, product::kName);
    m_launch.ShowWindow(SW_HIDE);
    m_launch.EnableWindow(FALSE);
    m_launchLabel.ShowWindow(SW_HIDE);
    m_quickStart.ShowWindow(SW_HIDE);
    if (CWnd* label = GetDlgItem(IDC_QUICK_START_LABEL)) label->ShowWindow(SW_HIDE);
  } else {
    m_titleText.Format(IDS_FINISH_TITLE, product::kName);
    m_bodyText.Format(IDS_FINISH_BODY, product::kName);
    m_quickStartLabelText.LoadString(IDS_QUICK_START_LABEL);
    m_launch.SetCheck(BST_CHECKED);
    m_quickStart.SetCheck(BST_CHECKED);
  }
  SetWindowText(WizardWindowTitle());
  UpdateData(FALSE);
  NameChoice(IDC_LAUNCH, IDC_LAUNCH_LABEL);
  NameChoice(IDC_QUICK_START, IDC_QUICK_START_LABEL);
  return TRUE;
}

void CFinishPage::OnCancel() {
  UpdateData(TRUE);
  *m_pLaunchProduct = m_launch.GetCheck() != 0 ? 1 : 0;
  *m_pOpenQuickStart = m_quickStart.GetCheck() != 0 ? 1 : 0;
  EndDialog(IDCANCEL);
}

void CFinishPage::OnOK() { OnCancel(); }

void CFinishPage::DoDataExchange(CDataExchange* pDX) {
  CExteriorPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_QUICK_START, m_quickStart);
  DDX_Control(pDX, IDC_LAUNCH_LABEL, m_launchLabel);
  DDX_Control(pDX, IDC_LAUNCH, m_launch);
  DDX_Text(pDX, IDC_LAUNCH_LABEL, m_launchLabelText);
  DDX_Text(pDX, IDC_QUICK_START_LABEL, m_quickStartLabelText);
}

HBRUSH CFinishPage::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
  return PanelColours(dc, control, ctlType, Failed(),
                      {IDC_LAUNCH, IDC_LAUNCH_LABEL, IDC_QUICK_START, IDC_QUICK_START_LABEL});
}
