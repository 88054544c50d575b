#pragma once
// The finish page (template 145), position 7 after an installation that
// needs no restart: offers to launch the product and open its quick-start
// page, or, after a failure, shows the failure texts under a red title.
// Its Finish button has the id IDCANCEL.

#include <windows.h>

#include "app/pages/exterior_page.h"

class CFinishPage : public CExteriorPage {
 public:
  CFinishPage();

  LONG* m_pLaunchProduct = nullptr;          // written at Finish
  volatile LONG* m_pInstallFailed = nullptr;  // read
  LONG* m_pOpenQuickStart = nullptr;         // written at Finish

 protected:
  // Title font, texts, and the success or failure variant.
  BOOL OnInitDialog() override;
  // Finish: the two check boxes become the launch and quick-start choices.
  void OnCancel() override;
  // Enter: the same as Finish, so the boxes are read too.
  void OnOK() override;
  // Both boxes, the launch label, the title and the four texts.
  void DoDataExchange(CDataExchange* pDX) override;
  // The panel and its texts and boxes in the window colours; the failure
  // title in red.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;

 private:
  // The installation failed.
  bool Failed() const;

  CButton m_quickStart;
  CStatic m_launchLabel;
  CButton m_launch;
  CString m_launchLabelText;
  CString m_quickStartLabelText;
};
