#include "app/pages/tasks_page.h"

#include "res/resource.h"

CTasksPage::CTasksPage() : CInteriorPage(IDD_TASKS, IDC_TASKS_TITLE, IDS_TASKS_TITLE, IDC_TASKS_SUBTITLE, IDS_TASKS_SUBTITLE) {}

BOOL CTasksPage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitFrame();
  m_desktopCheck = *m_pDesktopIcon;
  m_quickLaunchCheck = *m_pQuickLaunchIcon;
  UpdateData(FALSE);
  return TRUE;
}

void CTasksPage::DoDataExchange(CDataExchange* pDX) {
  CInteriorPage::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_DESKTOP_ICON, m_desktopCheck);
  DDX_Check(pDX, IDC_QUICK_LAUNCH_ICON, m_quickLaunchCheck);
}

bool CTasksPage::SaveChoices() {
  if (!UpdateData(TRUE)) return false;
  *m_pDesktopIcon = m_desktopCheck;
  *m_pQuickLaunchIcon = m_quickLaunchCheck;
  return true;
}

void CTasksPage::OnOK() {
  if (SaveChoices()) CDialog::OnOK();
}

void CTasksPage::OnBack() {
  if (SaveChoices()) EndDialog(IDC_BACK);
}
