#include "app/pages/page_scale.h"

#include <algorithm>

#include "framework/resource_language.h"

namespace {

// Dialog units of the picture areas: the side picture fills the panel's
// height (172) at its own proportions; the header picture the square that
// fits the header band's picture slot.
constexpr int kPanelHeight = 172;
constexpr RECT kHeaderSlot = {285, 1, 285 + 32, 1 + 30};

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using SetDialogDpiChangeBehaviorProc = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDpiChangeDisableAll = 1;  // DDC_DISABLE_ALL

// A user32 function of newer systems; null where the system lacks it.
template <typename Function>
Function User32Proc(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name)));
}

int Scaled(int value, UINT to, UINT from) { return ::MulDiv(value, static_cast<int>(to), static_cast<int>(from)); }

}  // namespace

UINT WindowDpi(HWND window) {
  // Windows 10 knows a DPI per monitor; older systems one for the screen.
  if (auto dpiForWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow")) {
    const UINT dpi = dpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void CreateScaledFont(CFont& target, HFONT font, UINT dpi) {
  LOGFONTA shape = {};
  if (!font || !::GetObjectA(font, sizeof(shape), &shape)) return;
  shape.lfHeight = Scaled(shape.lfHeight, dpi, 96);
  target.CreateFontIndirect(shape);
}

CPageScale::CPageScale(PageArt picture, bool hasIcon, PageArt icon)
    : m_picture(picture), m_hasIcon(hasIcon), m_icon(icon) {}

void CPageScale::Attach(HWND page) {
  m_page = page;
  m_dpi = m_layoutDpi = WindowDpi(page);
  m_layoutFont = reinterpret_cast<HFONT>(::SendMessageA(page, WM_GETFONT, 0, 0));
  m_font.DeleteObject();
  m_bitmap.reset();
  m_iconImage.reset();
  // This page lays itself out on a DPI change; the dialog manager must not
  // do it a second time.
  if (auto behaviour = User32Proc<SetDialogDpiChangeBehaviorProc>("SetDialogDpiChangeBehavior")) {
    behaviour(page, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
  }
  m_children.clear();
  for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    Child entry = {child, {}, ::SendMessageA(child, WM_GETFONT, 0, 0) == reinterpret_cast<LRESULT>(m_layoutFont)};
    ::GetWindowRect(child, &entry.rect);
    ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&entry.rect), 2);
    m_children.push_back(entry);
  }
  // Another language's dialog font gives the page other dialog units: its
  // pictures are drawn for their areas there too.
  if (m_dpi != 96 || AfxGetResourceLanguage() != kEnglishLanguage) DrawArt();
}

void CPageScale::ChangeDpi(UINT dpi, const RECT& suggested) {
  if (!m_page || dpi == 0) return;
  m_dpi = dpi;
  HFONT font = m_layoutFont;
  if (m_dpi != m_layoutDpi) {
    LOGFONTA shape = {};
    if (m_layoutFont && ::GetObjectA(m_layoutFont, sizeof(shape), &shape)) {
      shape.lfHeight = Scaled(shape.lfHeight, m_dpi, m_layoutDpi);
      m_font.CreateFontIndirect(shape);
      font = m_font.GetSafeHandle();
    }
  }
  ::SetWindowPos(m_page, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  for (const Child& child : m_children) {
    const RECT& r = child.rect;
    ::MoveWindow(child.window, Scaled(r.left, m_dpi, m_layoutDpi), Scaled(r.top, m_dpi, m_layoutDpi),
                 Scaled(r.right - r.left, m_dpi, m_layoutDpi), Scaled(r.bottom - r.top, m_dpi, m_layoutDpi), FALSE);
    if (child.dialogFont) ::SendMessageA(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  DrawArt();
  ::InvalidateRect(m_page, nullptr, TRUE);
}

SIZE CPageScale::PictureArea() const {
  SIZE area = {};
  if (m_picture == PageArt::kSidePicture) {
    RECT panel = {0, 0, 0, kPanelHeight};
    ::MapDialogRect(m_page, &panel);
    area.cy = Scaled(panel.bottom, m_dpi, m_layoutDpi);
    const SIZE art = ArtSizeAt96(m_picture);
    area.cx = ::MulDiv(area.cy, art.cx, art.cy);
  } else {
    RECT slot = kHeaderSlot;
    ::MapDialogRect(m_page, &slot);
    const int side = Scaled(std::min(slot.right - slot.left, slot.bottom - slot.top), m_dpi, m_layoutDpi);
    area.cx = area.cy = side;
  }
  return area;
}

HWND CPageScale::ChildOfType(UINT staticType) const {
  for (const Child& child : m_children) {
    char className[16] = {};
    ::GetClassNameA(child.window, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0 &&
        (static_cast<UINT>(::GetWindowLongA(child.window, GWL_STYLE)) & SS_TYPEMASK) == staticType) {
      return child.window;
    }
  }
  return nullptr;
}

void CPageScale::DrawArt() {
  if (HWND picture = ChildOfType(SS_BITMAP)) {
    unique_hgdiobj bitmap = ArtBitmap(m_picture, PictureArea());
    if (bitmap) {
      // The control hands back the bitmap it showed, which is the caller's
      // to delete: the template's, or the control's own copy of ours
      // (common controls 6 copies a bitmap with alpha). Ours goes below.
      HGDIOBJ shown = reinterpret_cast<HGDIOBJ>(
          ::SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get())));
      if (shown && shown != m_bitmap.get()) ::DeleteObject(shown);
      m_bitmap = std::move(bitmap);
    }
  }
  if (!m_hasIcon) return;
  if (HWND icon = ChildOfType(SS_ICON)) {
    unique_hicon image = ArtIcon(m_icon, ::MulDiv(ArtSizeAt96(m_icon).cx, static_cast<int>(m_dpi), 96));
    if (image) {
      ::SendMessageA(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image.get()));
      m_iconImage = std::move(image);
    }
  }
}
