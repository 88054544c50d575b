#pragma once
// The ready page (template 134): a read-only summary of the settings and
// "Install" in place of Next.

#include "app/pages/page_frame.h"
#include "app/pages/page_hosts.h"

class CReadyPage : public CInteriorPage {
 public:
  CReadyPage();

  // Rebuilt by the application each time the walk moves forward into it.
  CString m_summary;
  // Asked on Install; none in a page test: Install then always goes on.
  IProgramCloser* m_pProgramCloser = nullptr;

 protected:
  // The frame, then the summary shown.
  BOOL OnInitDialog() override;
  // The frame's controls and the summary text.
  void DoDataExchange(CDataExchange* pDX) override;
  // Install: the page ends unless the programs' box sent the user back.
  void OnOK() override;
};
