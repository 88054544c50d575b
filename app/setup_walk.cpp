// The page walk: positions 0 to 7, forward, back and cancel.

#include <exception>
#include <string>

#include "app/setup_app.h"
#include "app/worker_thread.h"

CSetupApp::WalkEnd CSetupApp::WalkPages(const WizardPageSet& pages) {
  int position = 0;
  CDialog* finishPage = pages.finish;
  for (;;) {
    CDialog* page = position < kFinishPosition ? pages.sequence[position] : finishPage;
    const INT_PTR result = page ? ShowPage(*page) : -1;
    if (result == IDOK) {
      if (position == kFinishPosition) return WalkEnd::Finished;
      ++position;
      if (position == kReadyPosition && pages.readySummary) BuildSummary(*pages.readySummary);
      if (position == kFinishPosition) {
        // The progress page has ended; its worker may still be finishing.
        JoinInstallWorker();
        if (::InterlockedCompareExchange(&m_restartRequired, 0, 0) != 0) {
          m_restartPageUsed = 1;
          finishPage = pages.restart;
        }
      }
    } else if (result == IDCANCEL || result == -1) {
      // A page that cannot be shown ends the run like its cancel would;
      // otherwise the walk would show it again for ever.
      if (position == kFinishPosition) return WalkEnd::Finished;
      JoinInstallWorker();
      // Nobody cancelled: the run failed before anything was installed.
      if (result == -1) m_outcome.unexpectedFailure = true;
      return WalkEnd::Cancelled;
    } else if (result == kBackResult) {
      if (position > 0) --position;
    }
    // Any other result shows the same page again.
  }
}

INT_PTR CSetupApp::ShowPage(CDialog& page) {
  try {
    const INT_PTR result = page.DoModal();
    if (result == -1) LogLine("Error: A page could not be shown");
    return result;
  } catch (CExceptionEx* exception) {
    const std::string code = std::to_string(exception->m_code) + ", " + std::to_string(exception->m_arg0);
    delete exception;
    LogLine("Error: Unexpected exception on a page: ", code.c_str());
  } catch (const std::exception& exception) {
    LogLine("Error: Unexpected exception on a page: ", exception.what());
  } catch (...) {
    LogLine("Error: Unexpected exception on a page");
  }
  return -1;
}

void CSetupApp::JoinInstallWorker() { JoinWorker(m_pWorkerThread); }
