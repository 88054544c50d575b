#pragma once
// The ready page (template 134): a read-only summary of the settings and
// "Install" in place of Next.

#include "app/pages/page_frame.h"

class CReadyPage : public CInteriorPage {
 public:
  CReadyPage();

  // Rebuilt by the application each time the walk moves forward into it.
  CString m_summary;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
};
