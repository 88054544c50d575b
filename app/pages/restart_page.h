#pragma once
// The restart page (template 146), position 7 in place of the finish page
// when a change waits for the next start: restart now or later. The choice
// is live: every click of a radio button writes the restart flag at once.
// Its Finish button (IDCANCEL) keeps the framework's default handling.

#include <windows.h>

#include "app/pages/exterior_page.h"

class CRestartPage : public CExteriorPage {
 public:
  CRestartPage();

  volatile LONG* m_pRestartRequired = nullptr;  // read on opening, written on clicks
  volatile LONG* m_pInstallFailed = nullptr;    // read

 protected:
  // Title font, labels, the radio button matching the flag, and the success
  // or failure texts.
  BOOL OnInitDialog() override;
  // The title and the four texts.
  void DoDataExchange(CDataExchange* pDX) override;
  // Clicks of restart now (1008) and restart later (1009).
  BOOL OnCommand(UINT id, UINT notifyCode) override;
  // Enter: the same as Finish.
  void OnOK() override;
  // The panel, its texts and radio buttons in the window colours; the
  // failure title in red.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;

 private:
  // The installation failed.
  bool Failed() const;

  CString m_restartNowLabelText;
  CString m_restartLaterLabelText;
};
