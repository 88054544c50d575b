#pragma once
// The nine page objects of one run, constructed in the wizard's order.

#include "app/pages/destination_page.h"
#include "app/pages/finish_page.h"
#include "app/pages/license_page.h"
#include "app/pages/progress_page.h"
#include "app/pages/ready_page.h"
#include "app/pages/restart_page.h"
#include "app/pages/start_menu_page.h"
#include "app/pages/tasks_page.h"
#include "app/pages/welcome_page.h"
#include "app/setup_app.h"

class CWizardPages {
 public:
  // The walk's view of these pages.
  WizardPageSet Set() {
    WizardPageSet set;
    CDialog* sequence[] = {&welcome, &license, &destination, &startMenu, &tasks, &ready, &progress};
    static_assert(sizeof(sequence) == sizeof(set.sequence), "one page for each position before the finish");
    for (int i = 0; i < WizardPageSet::kFinishPosition; ++i) set.sequence[i] = sequence[i];
    set.finish = &finish;
    set.restart = &restart;
    set.readySummary = &ready.m_summary;
    return set;
  }

  CWelcomePage welcome;
  CLicensePage license;
  CDestinationPage destination;
  CStartMenuPage startMenu;
  CTasksPage tasks;
  CReadyPage ready;
  CProgressPage progress;
  CFinishPage finish;
  CRestartPage restart;
};
