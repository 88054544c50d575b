// The installation worker and the progress relay.

#include <cstdint>

#include "app/app_calls.h"
#include "app/text_ids.h"
#include "app/install_worker.h"
#include "app/pages/page_messages.h"
#include "app/setup_app.h"
#include "app/worker_thread.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

constexpr LONG kComplete = 100;

void InstallationBody(void* app) { static_cast<CSetupApp*>(app)->RunInstallation(); }

UINT InstallThreadProc(LPVOID parameter) {
  static_cast<CSetupApp*>(parameter)->RunInstallationGuarded();
  return 0;
}

}  // namespace

int CSetupApp::StartInstallWorker(HWND page) {
  m_pWorkerThread = CreateWorker(&InstallThreadProc, this, page);
  if (!m_pWorkerThread) {
    WorkerNotStarted();
    return -1;
  }
  // In place before the worker runs, so it always sees it.
  m_hProgressWnd = page;
  m_pWorkerThread->ResumeThread();
  return 0;
}

void CSetupApp::WorkerNotStarted() {
  // The user was told of the failure; the page's cancel is none of the user's.
  LogLine("Error: A worker thread could not be started");
  m_outcome.startFailed = true;
}

void CSetupApp::RunInstallationGuarded() {
  StructuredFault fault;
  if (!RunWorkerBody(&InstallationBody, this, &fault)) ReportInstallException(fault.code, fault.address);
}

void CSetupApp::RunInstallation() {
  CloseChosenPrograms();
  InstallWithRollback(*m_engine, &m_restartRequired, &m_installFailed, m_hProgressWnd);
  MarkProgressComplete();
}

void CSetupApp::ReportInstallException(DWORD code, void* address) {
  CString text;
  text.Format(MessageText(IDS_INSTALL_EXCEPTION).c_str(), static_cast<unsigned>(code),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
  AppCalls().MessageBoxA(nullptr, text, product::kName, MB_ICONERROR);
  ::InterlockedExchange(&m_installFailed, 1);
  MarkProgressComplete();
}

void CSetupApp::ReportProgress(int percent, int task) {
  if (m_pProgressTarget) ::InterlockedExchange(m_pProgressTarget, percent);
  // The page sets the text on its own thread; a worker never waits for it.
  if (m_hProgressWnd) ::PostMessageA(m_hProgressWnd, kTaskTextMessage, static_cast<WPARAM>(task), 0);
}

void CSetupApp::SetProgressPosition(int position) {
  if (m_pProgressPos) ::InterlockedExchange(m_pProgressPos, position);
}

void CSetupApp::MarkProgressComplete() {
  // The target first: the page's timer never steps away from a complete
  // position towards an older target.
  if (m_pProgressTarget) ::InterlockedExchange(m_pProgressTarget, kComplete);
  SetProgressPosition(kComplete);
}
