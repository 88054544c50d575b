#include "app/install_worker.h"

#include <cstdlib>
#include <memory>

#include "app/app_calls.h"
#include "engine/product.h"
#include "framework/cstring.h"
#include "res/resource.h"

namespace {

constexpr int kStopServicesPercent = 50;
constexpr int kStopServicesTask = 6;

}  // namespace

void InstallWithRollback(CProductInstallEngine& engine, volatile LONG* restartRequired, volatile LONG* installFailed,
                         HWND owner) {
  engine.m_pRestartRequired = restartRequired;
  // The runtime's generator is per thread; backup names draw from it.
  std::srand(::GetTickCount());
  try {
    engine.Install();
  } catch (CExceptionEx* exception) {
    std::unique_ptr<CExceptionEx> failure(exception);
    engine.m_app->ReportProgress(kStopServicesPercent, kStopServicesTask);
    engine.StopServices();
    CString text;
    text.Format(IDS_INSTALL_ERROR, static_cast<unsigned>(failure->m_code), static_cast<unsigned>(failure->m_arg0));
    // The worker waits here for the user; the page keeps animating.
    AppCalls().MessageBoxA(owner, text, product::kName, MB_ICONERROR);
    engine.Rollback();
    ::InterlockedExchange(installFailed, 1);
  }
}
