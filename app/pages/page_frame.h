#pragma once
// What every wizard page shares: the window title, the cancel confirmation,
// the white panel's colours, the exterior title font, and for the interior
// pages (those with a header band) a common base class.

#include <windows.h>

#include <initializer_list>

#include "app/pages/page_scale.h"
#include "framework/afxwin.h"

// "Setup - Velmora".
CString WizardWindowTitle();
// Asks whether to cancel the installation (AfxMessageBox, Yes/No,
// question icon); true only for Yes.
bool ConfirmCancel();
// Paints `dc` in the system window colours; returns the window-colour
// system brush (never deleted).
HBRUSH UseWindowColours(HDC dc);
// The failure title's colours: window-colour background, pure red text (the
// window-text colour under high contrast, which allows system colours
// only); returns the window-colour system brush.
HBRUSH UseFailureTitleColours(HDC dc);
// True while the system's high-contrast scheme is on.
bool HighContrastOn();
// Names control `id` for screen readers by the text of static `labelId`
// (the text the user sees beside or above it).
void NameByLabel(HWND dialog, int id, int labelId);
// For a page whose controls are all disabled at its opening: the page
// itself takes the focus, never a static text. Returns FALSE for
// OnInitDialog (the focus is set).
BOOL FocusPageItself(HWND dialog);
// Keeps the white panel (1003) from painting over the texts and pictures
// that lie on it: it lies beneath them, so it clips them out of its own
// painting.
void KeepPanelBeneath(HWND dialog);
// True when `control` is one of the dialog's controls `ids`.
bool IsControlOneOf(HWND control, std::initializer_list<int> ids);
// The large title font of the welcome and finish pages: Arial 18 (at 96
// DPI), bold, italic.
void CreateExteriorTitleFont(CFont& font, UINT dpi);

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
  // WM_DPICHANGED: the page follows the new DPI.
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Deletes the title font made for a DPI other than 96.
  void OnDestroy() override;

  CStatic m_title;
  CString m_titleText;
  CString m_subtitleText;

 private:
  // The shared title font at 96 DPI, else one made for the page's DPI.
  void ApplyTitleFont();

  CPageScale m_scale;
  CFont m_scaledTitleFont;
  int m_titleId;
  UINT m_titleTextId;
  int m_subtitleId;
  UINT m_subtitleTextId;
};
