#include "app/pages/ready_page.h"

#include "app/pages/page_frame.h"
#include "res/resource.h"

CReadyPage::CReadyPage() : CInteriorPage(IDD_READY, IDC_READY_TITLE, IDS_READY_TITLE, IDC_READY_SUBTITLE, IDS_READY_SUBTITLE) {}

BOOL CReadyPage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitFrame();
  UpdateData(FALSE);
  NameByLabel(m_hWnd, IDC_SUMMARY, IDC_READY_TITLE);
  // The summary is the first control and gets the focus with all of its
  // text selected; queued behind that, it shows unselected from the top.
  ::PostMessageA(::GetDlgItem(m_hWnd, IDC_SUMMARY), EM_SETSEL, 0, 0);
  return TRUE;
}

void CReadyPage::DoDataExchange(CDataExchange* pDX) {
  CInteriorPage::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_SUMMARY, m_summary);
}

void CReadyPage::OnOK() {
  if (m_pProgramCloser && !m_pProgramCloser->ReadyToReplaceFiles(m_hWnd)) return;
  CDialog::OnOK();
}
