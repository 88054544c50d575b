#pragma once
// The additional tasks page (template 133): desktop and Quick Launch icons.
// The only interior page that saves its inputs on Back as well as on Next.

#include "app/pages/page_frame.h"

class CTasksPage : public CInteriorPage {
 public:
  CTasksPage();

  LONG* m_pDesktopIcon = nullptr;
  LONG* m_pQuickLaunchIcon = nullptr;

 protected:
  // The frame, then both boxes from the settings.
  BOOL OnInitDialog() override;
  // The frame's controls and both check boxes.
  void DoDataExchange(CDataExchange* pDX) override;
  // Saves both boxes, then ends with IDOK.
  void OnOK() override;
  // Saves both boxes, then ends with 1000.
  void OnBack() override;

 private:
  // Reads the check boxes into the two settings.
  bool SaveChoices();

  int m_desktopCheck = 0;
  int m_quickLaunchCheck = 0;
};
