#include "app/pages/progress_page.h"

#include "app/pages/page_messages.h"
#include "app/pages/progress_stepping.h"
#include "app/text_ids.h"
#include "res/resource.h"

namespace {

constexpr LONG kComplete = 100;

}  // namespace

CProgressPage::CProgressPage() : CInteriorPage(IDD_PROGRESS, IDC_PROGRESS_TITLE, IDS_PROGRESS_TITLE, 0, 0) {}

BOOL CProgressPage::OnInitDialog() {
  CDialog::OnInitDialog();
  m_bar.SetRange(0, 100);
  m_bar.SetPos(0);
  ::InterlockedExchange(&m_target, 0);
  ::InterlockedExchange(&m_pos, 0);
  InitFrame();
  m_timerId = SetTimer(kTimerId, kTimerIntervalMs);
  if (m_pInstallStarter->StartInstallWorker(m_hWnd) != 0) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  UpdateData(FALSE);
  NameByLabel(m_hWnd, IDC_PROGRESS_BAR, IDC_TASK_TEXT);
  // Nothing on the page takes input while it runs.
  return FocusPageItself(m_hWnd);
}

void CProgressPage::DoDataExchange(CDataExchange* pDX) {
  CInteriorPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PROGRESS_BAR, m_bar);
  DDX_Control(pDX, IDC_TASK_TEXT, m_taskText);
}

LONG CProgressPage::Step() {
  const LONG position = ::InterlockedCompareExchange(&m_pos, 0, 0);
  const LONG target = ::InterlockedCompareExchange(&m_target, 0, 0);
  const LONG next = NextProgressPosition(position, target);
  // A write by the worker since the read wins over this step.
  const LONG seen = ::InterlockedCompareExchange(&m_pos, next, position);
  return seen == position ? next : seen;
}

void CProgressPage::OnTimer(UINT_PTR timerId) {
  if (timerId != kTimerId) return;
  const LONG position = Step();
  m_bar.SetPos(position);
  if (position >= kComplete) EndDialog(IDOK);
}

INT_PTR CProgressPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTaskTextMessage) {
    const UINT textId = TaskTextId(static_cast<int>(wParam));
    m_taskText.SetWindowText(textId != 0 ? LoadText(textId) : CString());
    NameByLabel(m_hWnd, IDC_PROGRESS_BAR, IDC_TASK_TEXT);
    return TRUE;
  }
  return CInteriorPage::WindowProc(message, wParam, lParam);
}

void CProgressPage::OnDestroy() {
  CInteriorPage::OnDestroy();
  KillTimer(kTimerId);
}
