// The page walk: positions 0 to 7, forward, back and cancel.

#include <exception>
#include <string>

#include "app/setup_app.h"
#include "app/worker_thread.h"

CSetupApp::WalkEnd CSetupApp::WalkPages(const WizardPageSet& pages) {
  int position = 0;
  CDialog* finishPage = pages.finish;
  // Position 7 tells the outcome of the installation that has just ended.
  auto chooseFinishPage = [&] {
    if (::InterlockedCompareExchange(&m_restartRequired, 0, 0) != 0) {
      m_restartPageUsed = 1;
      finishPage = pages.restart;
    }
  };
  for (;;) {
    CDialog* page = position < WizardPageSet::kFinishPosition ? pages.sequence[position] : finishPage;
    const INT_PTR result = page ? ShowPage(*page) : -1;
    if (result == IDOK) {
      if (position == WizardPageSet::kFinishPosition) return WalkEnd::Finished;
      ++position;
      if (position == WizardPageSet::kReadyPosition && pages.readySummary) BuildSummary(*pages.readySummary);
      if (position == WizardPageSet::kFinishPosition) {
        // The progress page has ended; its worker may still be finishing.
        JoinInstallWorker();
        chooseFinishPage();
      }
    } else if (result == IDCANCEL || result == -1) {
      // A page that cannot be shown ends the run like its cancel would;
      // otherwise the walk would show it again for ever.
      if (position == WizardPageSet::kFinishPosition) {
        if (result == -1) m_finalChoicesShown = false;
        return WalkEnd::Finished;
      }
      if (m_pWorkerThread) {
        // The progress page ended abnormally while its installation runs:
        // stopping the worker now would leave a half-installed system. The
        // installation finishes (or rolls back) and the walk goes on to
        // the finish position to tell the outcome.
        AwaitInstallWorker();
        position = WizardPageSet::kFinishPosition;
        chooseFinishPage();
        continue;
      }
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

void CSetupApp::AwaitInstallWorker() { AwaitWorker(m_pWorkerThread); }
