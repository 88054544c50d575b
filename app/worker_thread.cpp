#include "app/worker_thread.h"

#include "app/app_calls.h"
#include "app/text_ids.h"
#include "base/product.h"
#include "framework/cstring.h"
#include "res/resource.h"

namespace {

constexpr DWORD kJoinTimeoutMs = 10000;

}  // namespace

CWinThread* CreateWorker(AFX_THREADPROC procedure, LPVOID parameter, HWND owner) {
  CWinThread* thread = AppCalls().BeginWorkerThread(procedure, parameter);
  if (!thread) {
    const DWORD error = ::GetLastError();
    CString text;
    text.Format(MessageText(IDS_SYSTEM_ERROR).c_str(), static_cast<unsigned>(error));
    AppCalls().MessageBoxA(owner, text, product::kName, MB_ICONERROR);
    return nullptr;
  }
  thread->m_bAutoDelete = FALSE;
  return thread;
}

bool RunWorkerBody(void (*body)(void* context), void* context, StructuredFault* fault) {
  try {
    return RunGuarded(body, context, fault);
  } catch (...) {
    fault->code = kCppExceptionCode;
    fault->address = nullptr;
    return false;
  }
}

void JoinWorker(CWinThread*& thread) {
  if (!thread) return;
  HANDLE handle = thread->m_hThread.get();
  if (::WaitForSingleObject(handle, kJoinTimeoutMs) != WAIT_OBJECT_0) ::TerminateThread(handle, 0xFFFFFFFF);
  delete thread;
  thread = nullptr;
}

void AwaitWorker(CWinThread*& thread) {
  if (!thread) return;
  ::WaitForSingleObject(thread->m_hThread.get(), INFINITE);
  delete thread;
  thread = nullptr;
}
