#pragma once
// The progress page (template 144): starts the installation worker, shows
// its task texts and moves the bar one percent per 150 ms tick towards the
// engine's target. It ends itself with IDOK once the worker has marked the
// progress complete. The user has no control here.

#include <windows.h>

#include "app/pages/page_frame.h"

class CProgressPage : public CInteriorPage {
 public:
  static constexpr UINT_PTR kTimerId = 222;
  static constexpr UINT kTimerIntervalMs = 150;

  CProgressPage();

  // Target percentage and displayed position; the worker writes them
  // through the application's relay, atomically.
  volatile LONG m_target = 0;
  volatile LONG m_pos = 0;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnTimer(UINT_PTR timerId) override;
  void OnDestroy() override;
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // One tick: the position one step towards the target, unless the worker
  // wrote it meanwhile; the new position, as shown.
  LONG Step();

  CProgressCtrl m_bar;
  CStatic m_taskText;
  UINT_PTR m_timerId = 0;
};
