#pragma once
// The progress page (template 144): starts the installation worker, shows
// its task texts and moves the bar one percent per 150 ms tick towards the
// engine's target. It ends itself with IDOK once the worker has marked the
// progress complete. The user has no control here.

#include <windows.h>

#include "app/pages/page_frame.h"
#include "app/pages/page_hosts.h"

class CProgressPage : public CInteriorPage {
 public:
  static constexpr UINT_PTR kTimerId = 222;
  static constexpr UINT kTimerIntervalMs = 150;

  CProgressPage();

  // Target percentage and displayed position; the worker writes them
  // through the application's relay, atomically.
  volatile LONG m_target = 0;
  volatile LONG m_pos = 0;
  // Starts the installation worker; set before the page is shown.
  IInstallStarter* m_pInstallStarter = nullptr;

 protected:
  // Bar 0..100 at 0, the frame, timer 222 every 150 ms, then the worker;
  // ends with IDCANCEL when the worker cannot be started.
  BOOL OnInitDialog() override;
  // The frame's controls, the bar and the task text.
  void DoDataExchange(CDataExchange* pDX) override;
  // One step of the bar; ends the page with IDOK at 100.
  void OnTimer(UINT_PTR timerId) override;
  // Kills the timer.
  void OnDestroy() override;
  // The worker's posted task texts; everything else to the frame.
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // One tick: the position one step towards the target, unless the worker
  // wrote it meanwhile; the new position, as shown.
  LONG Step();

  CProgressCtrl m_bar;
  CStatic m_taskText;
  UINT_PTR m_timerId = 0;
};
