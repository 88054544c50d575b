#pragma once
// What every wizard page shares: the window title, the cancel confirmation,
// the white panel's colours, the exterior title font, and for the interior
// pages (those with a header band) a common base class.

#include <windows.h>

#include <initializer_list>

#include "framework/afxwin.h"

// "Setup - Velmora".
CString WizardWindowTitle();
// Asks whether to cancel the installation (AfxMessageBox, Yes/No,
// question icon); true only for Yes.
bool ConfirmCancel();
// Paints `dc` in the system window colours; returns the window-colour
// system brush (never deleted).
HBRUSH UseWindowColours(HDC dc);
// The failure title's colours: window-colour background, pure red text;
// returns the window-colour system brush.
HBRUSH UseFailureTitleColours(HDC dc);
// Keeps the white panel (1003) from painting over the texts and pictures
// that lie on it: it lies beneath them, so it clips them out of its own
// painting.
void KeepPanelBeneath(HWND dialog);
// True when `control` is one of the dialog's controls `ids`.
bool IsControlOneOf(HWND control, std::initializer_list<int> ids);
// The large title font of the welcome and finish pages: Arial 18, bold,
// italic.
void CreateExteriorTitleFont(CFont& font);

// An interior page: header band 1003 with a title static in the shared title
// font and an optional subtitle, Back (1000), Next (1) and Cancel (2) with
// its confirmation.
class CInteriorPage : public CDialog {
 public:
  // `titleId`/`subtitleId` are the statics (0: no subtitle); `titleTextId`
  // and `subtitleTextId` the string-table texts, formatted with the product
  // name.
  CInteriorPage(UINT templateId, int titleId, UINT titleTextId, int subtitleId, UINT subtitleTextId);

  // The shared title font, set by the application before the page is shown.
  CFont* m_pTitleFont = nullptr;

 protected:
  // The frame's initialization: title font, title and subtitle texts and the
  // window title. Pages call it after CDialog::OnInitDialog.
  void InitFrame();
  // Binds the title static; exchanges the title and subtitle texts.
  void DoDataExchange(CDataExchange* pDX) override;
  // Back (1000) calls OnBack.
  BOOL OnCommand(UINT id, UINT notifyCode) override;
  // The cancel confirmation; the page ends with IDCANCEL only on Yes.
  void OnCancel() override;
  // Header band, title and subtitle in the window colours.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
  // Back: ends the page with 1000, saving nothing.
  virtual void OnBack();

  CStatic m_title;
  CString m_titleText;
  CString m_subtitleText;

 private:
  int m_titleId;
  UINT m_titleTextId;
  int m_subtitleId;
  UINT m_subtitleTextId;
};
