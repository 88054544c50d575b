#include "app/pages/welcome_page.h"

#include <cstdint>
#include <memory>

#include "app/app_calls.h"
#include "app/pages/page_frame.h"
#include "app/pages/page_messages.h"
#include "app/worker_thread.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

constexpr UINT kProgressIntervalMs = 250;

void InitializationBody(void* page) { static_cast<CWelcomePage*>(page)->RunInitialization(); }

UINT InitThreadProc(LPVOID parameter) {
  CWelcomePage* page = static_cast<CWelcomePage*>(parameter);
  StructuredFault fault;
  if (!RunWorkerBody(&InitializationBody, page, &fault)) page->ReportInitException(fault.code, fault.address);
  return 0;
}

}  // namespace

CWelcomePage::CWelcomePage() : CExteriorPage(IDD_WELCOME) {
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_SETUP), RT_GROUP_ICON);
  m_icon = ::LoadIconA(module, MAKEINTRESOURCEA(IDI_SETUP));
}

CWelcomePage::~CWelcomePage() { JoinWorker(m_pInitThread); }

BOOL CWelcomePage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitExterior();
  m_titleText.Format(IDS_WELCOME_TITLE, product::kName, product::kVersionText);
  m_bodyText.LoadString(IDS_WELCOME_WAIT);
  m_back.EnableWindow(FALSE);
  m_next.EnableWindow(FALSE);
  m_cancel.EnableWindow(FALSE);
  SetWindowText(WizardWindowTitle());

  m_notifyWindow = m_hWnd;
  m_pInitThread = CreateWorker(&InitThreadProc, this, m_hWnd);
  if (!m_pInitThread) {
    m_pPackageOpener->WorkerNotStarted();
    m_cancel.EnableWindow(TRUE);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  m_pInitThread->ResumeThread();
  SetTimer(kProgressTimerId, kProgressIntervalMs);
  UpdateData(FALSE);
  // Every button is disabled until the package is ready.
  return FocusPageItself(m_hWnd);
}

void CWelcomePage::ApplyFonts() {
  CExteriorPage::ApplyFonts();
  m_bodyFont.CreateFont(::MulDiv(16, static_cast<int>(m_scale.Dpi()), 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Verdana");
  m_body.SetFont(&m_bodyFont, TRUE);
}

void CWelcomePage::RunInitialization() {
  auto message = std::make_unique<CString>();
  const int status = m_pPackageOpener->InitializePackage(*message);
  // The last thing the worker does with the page.
  if (::PostMessageA(m_notifyWindow, kInitDoneMessage, static_cast<WPARAM>(status),
                     reinterpret_cast<LPARAM>(message.get()))) {
    message.release();
  }
}

void CWelcomePage::ReportInitException(DWORD code, void* address) {
  ::PostMessageA(m_notifyWindow, kInitFaultMessage, code, reinterpret_cast<LPARAM>(address));
}

INT_PTR CWelcomePage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kInitDoneMessage:
      OnInitializationDone(static_cast<int>(wParam), reinterpret_cast<CString*>(lParam));
      return TRUE;
    case kInitFaultMessage:
      OnInitializationFault(static_cast<DWORD>(wParam), reinterpret_cast<void*>(lParam));
      return TRUE;
    default:
      return CExteriorPage::WindowProc(message, wParam, lParam);
  }
}

void CWelcomePage::OnTimer(UINT_PTR timerId) {
  if (timerId != kProgressTimerId) return;
  const int percent = m_pPackageOpener->PackageProgress();
  if (percent < 0) return;
  CString text;
  text.Format("%s\n\n%d%%", static_cast<const char*>(m_bodyText), percent);
  m_body.SetWindowText(text);
  m_progressShown = true;
}

void CWelcomePage::EndProgress() {
  KillTimer(kProgressTimerId);
  if (m_progressShown) m_body.SetWindowText(m_bodyText);
  m_progressShown = false;
}

void CWelcomePage::OnInitializationDone(int status, CString* message) {
  std::unique_ptr<CString> text(message);
  // The worker has posted its last word and is only returning now.
  JoinWorker(m_pInitThread);
  EndProgress();
  if (status != 0) {
    ShowError(*text);
  } else {
    m_next.EnableWindow(TRUE);
    m_bodyText.Format(IDS_WELCOME_READY, product::kName, product::kVersionText);
    UpdateData(FALSE);
    // Enter now means Next.
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_next.GetSafeHwnd()), TRUE);
  }
  m_cancel.EnableWindow(TRUE);
}

void CWelcomePage::OnInitializationFault(DWORD code, void* address) {
  JoinWorker(m_pInitThread);
  EndProgress();
  CString text;
  text.Format(IDS_INIT_EXCEPTION, static_cast<unsigned>(code),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
  ShowError(text);
  m_cancel.EnableWindow(TRUE);
  m_next.EnableWindow(FALSE);
}

void CWelcomePage::ShowError(const CString& text) {
  AppCalls().MessageBoxA(m_hWnd, text, product::kName, MB_ICONERROR);
}

void CWelcomePage::OnCancel() {
  if (!ConfirmCancel()) return;
  JoinWorker(m_pInitThread);
  EndDialog(IDCANCEL);
}

void CWelcomePage::DoDataExchange(CDataExchange* pDX) {
  CExteriorPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDCANCEL, m_cancel);
  DDX_Control(pDX, IDOK, m_next);
  DDX_Control(pDX, IDC_BACK, m_back);
  DDX_Control(pDX, IDC_BODY, m_body);
}

HBRUSH CWelcomePage::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
  return PanelColours(dc, control, ctlType, false, {});
}

BOOL CWelcomePage::OnPaint() {
  if (!IsIconic()) return FALSE;
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(&client);
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, m_icon);
  ::EndPaint(m_hWnd, &paint);
  return TRUE;
}

HCURSOR CWelcomePage::OnQueryDragIcon() { return static_cast<HCURSOR>(m_icon); }

void CWelcomePage::OnDestroy() {
  CExteriorPage::OnDestroy();
  m_bodyFont.DeleteObject();
}
