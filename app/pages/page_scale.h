#pragma once
// How a page follows the DPI it is shown at. The dialog layout grows with
// the dialog font by itself; the page's own fonts, its picture and its
// folder icon are made for the DPI here, and a move to a monitor with
// another DPI (WM_DPICHANGED) lays the page out anew.

#include <windows.h>

#include <vector>

#include "app/pages/page_art.h"
#include "base/handles.h"
#include "framework/afxwin.h"

// The DPI `window` is shown at (96: 100 %).
UINT WindowDpi(HWND window);
// A font `font` made for 96 DPI, for `dpi`.
void CreateScaledFont(CFont& target, HFONT font, UINT dpi);

class CPageScale {
 public:
  // The page's picture (side or header) and, for the folder pages, its icon.
  CPageScale(PageArt picture, bool hasIcon, PageArt icon);

  // At the page's opening: its DPI and layout; the picture and icon drawn
  // for the DPI (at 96 DPI the template's own stay).
  void Attach(HWND page);
  // WM_DPICHANGED: the page's controls and dialog font laid out for `dpi`,
  // the window moved to `suggested`, picture and icon drawn anew. The page
  // then sets its own fonts for Dpi().
  void ChangeDpi(UINT dpi, const RECT& suggested);
  // The page's DPI now.
  UINT Dpi() const { return m_dpi; }
  // The area the picture fills, in pixels, for the page's DPI.
  SIZE PictureArea() const;

 private:
  struct Child {
    HWND window;
    RECT rect;  // at the layout DPI, in the page's client coordinates
    bool dialogFont;
  };
  // Draws the picture and the icon for the page's DPI.
  void DrawArt();
  HWND ChildOfType(UINT staticType) const;

  PageArt m_picture;
  bool m_hasIcon;
  PageArt m_icon;
  HWND m_page = nullptr;
  UINT m_dpi = 96;
  UINT m_layoutDpi = 96;
  HFONT m_layoutFont = nullptr;
  std::vector<Child> m_children;
  CFont m_font;
  unique_hgdiobj m_bitmap;
  unique_hicon m_iconImage;
};
