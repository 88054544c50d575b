#include "app/install_worker.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/app_calls.h"
#include "app/text_ids.h"
#include "app/structured_guard.h"
#include "app/worker_thread.h"
#include "base/product.h"
#include "framework/cstring.h"
#include "res/resource.h"

namespace {

// One run of Install under the structured guard. C++ exceptions are caught
// here, inside the guard, so that none has to unwind through it.
struct InstallRun {
  CProductInstallEngine* engine;
  std::unique_ptr<CExceptionEx> engineFailure;
  bool otherException = false;
};

void RunInstall(void* context) {
  InstallRun* run = static_cast<InstallRun*>(context);
  try {
    run->engine->Install();
  } catch (CExceptionEx* exception) {
    run->engineFailure.reset(exception);
  } catch (...) {
    run->otherException = true;
  }
}

CString UnexpectedExceptionText(DWORD code, void* address) {
  CString text;
  text.Format(MessageText(IDS_INSTALL_EXCEPTION).c_str(), static_cast<unsigned>(code),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
  return text;
}

}  // namespace

void InstallWithRollback(CProductInstallEngine& engine, volatile LONG* restartRequired, volatile LONG* installFailed,
                         HWND owner) {
  engine.ShareRestartFlag(restartRequired);
  // The runtime's generator is per thread; backup names draw from it.
  std::srand(::GetTickCount());
  // Whatever ends the installation, the system is not left half-installed:
  // an engine failure, any other C++ exception (an allocation that failed,
  // say) and a processor exception all lead to the stop and the rollback.
  // After a processor exception the journal may be damaged, but the rollback
  // only undoes the entries it holds, and a fault in the rollback itself
  // ends it at the worker's own guard.
  InstallRun run{&engine, nullptr};
  StructuredFault fault;
  const bool returned = RunGuarded(&RunInstall, &run, &fault);
  CString failure;
  if (run.engineFailure) {
    failure.Format(MessageText(IDS_INSTALL_ERROR).c_str(), static_cast<unsigned>(run.engineFailure->m_code),
                   static_cast<unsigned>(run.engineFailure->m_arg0));
  } else if (run.otherException) {
    failure = UnexpectedExceptionText(kCppExceptionCode, nullptr);
  } else if (!returned) {
    failure = UnexpectedExceptionText(fault.code, fault.address);
  } else {
    return;
  }
  engine.StopAfterFailure();
  // The worker waits here for the user; the page keeps animating.
  AppCalls().MessageBoxA(owner, failure, product::kName, MB_ICONERROR);
  engine.Rollback();
  ::InterlockedExchange(installFailed, 1);
}
