#pragma once
// An exterior page (welcome, finish, restart): no header band, a white panel
// with a large title and a body text in the window colours.

#include <windows.h>

#include <initializer_list>

#include "app/pages/page_scale.h"
#include "framework/afxwin.h"

class CExteriorPage : public CDialog {
 public:
  explicit CExteriorPage(UINT templateId);

 protected:
  // The panel kept beneath its texts, the page's DPI and the fonts for it
  // (ApplyFonts). Pages call it after CDialog::OnInitDialog.
  void InitExterior();
  // Binds the title static; exchanges the title and body texts.
  void DoDataExchange(CDataExchange* pDX) override;
  // Deletes the title font.
  void OnDestroy() override;
  // WM_DPICHANGED: the page follows the new DPI (ApplyFonts).
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Makes the page's own fonts for its DPI and sets them on their controls.
  virtual void ApplyFonts();
  // Names check box or radio button `id`, whose own text is empty, by its
  // label `labelId` for screen readers.
  void NameChoice(int id, int labelId);
  // The colours of `control`: the title in red when `failedTitle`; the
  // title, the body, the panel and the page's own `panelControls` in the
  // window colours; anything else as CDialog paints it.
  HBRUSH PanelColours(HDC dc, HWND control, UINT ctlType, bool failedTitle,
                      std::initializer_list<int> panelControls);

  CStatic m_title;
  CString m_titleText;
  CString m_bodyText;
  CFont m_titleFont;
  CPageScale m_scale;
};
