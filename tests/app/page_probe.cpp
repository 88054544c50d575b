#include "tests/app/page_probe.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/pages/page_scale.h"
#include "res/resource.h"

std::string TextOf(HWND dialog, int id) {
  HWND window = id == 0 ? dialog : GetDlgItem(dialog, id);
  if (!window) return "(no control)";
  const int length = GetWindowTextLengthA(window);
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string Utf8TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  if (copied <= 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), copied, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), copied, &utf8[0], size, nullptr, nullptr);
  return utf8;
}

bool IsEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && IsWindowEnabled(control);
}

bool IsShown(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

int CheckOf(HWND dialog, int id) {
  return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0));
}

void TypeText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

ControlColours ColoursOf(HWND dialog, int id) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  ControlColours colours{GetTextColor(dc), GetBkColor(dc), reinterpret_cast<HBRUSH>(brush)};
  DeleteDC(dc);
  return colours;
}

namespace {

// The pixels `draw` paints into a `width` x `height` picture, row by row.
std::vector<COLORREF> PixelsDrawn(LONG width, LONG height, const std::function<void(HDC)>& draw) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, copy);
  draw(memory);
  std::vector<COLORREF> pixels;
  const auto* argb = static_cast<const uint32_t*>(bits);
  for (LONG i = 0; i < width * height; ++i)
    pixels.push_back(RGB((argb[i] >> 16) & 0xFF, (argb[i] >> 8) & 0xFF, argb[i] & 0xFF));
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(copy);
  return pixels;
}

// What `window` shows in `rect` of its client area.
std::vector<COLORREF> ShownPixels(HWND window, const RECT& rect) {
  return PixelsDrawn(rect.right - rect.left, rect.bottom - rect.top, [&](HDC memory) {
    HDC screen = GetDC(window);
    BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(window, screen);
  });
}

}  // namespace

std::vector<COLORREF> PaintedPixels(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client;
  GetClientRect(control, &client);
  return ShownPixels(control, client);
}

namespace {

std::string Size(LONG width, LONG height) { return std::to_string(width) + " x " + std::to_string(height); }

bool Near(LONG a, LONG b) { return a - b <= 2 && b - a <= 2; }

// The first 6 x 6 block whose mean colour differs from the expected one's by
// more than a little: empty when none does.
std::string BlockDifference(const std::vector<COLORREF>& shown, const std::vector<COLORREF>& expected, LONG width,
                            LONG height) {
  constexpr LONG kBlocks = 6;
  constexpr int kMostChannelDifference = 48;
  for (LONG by = 0; by < kBlocks; ++by) {
    for (LONG bx = 0; bx < kBlocks; ++bx) {
      long sums[2][3] = {};
      const LONG top = height * by / kBlocks, bottom = height * (by + 1) / kBlocks;
      const LONG left = width * bx / kBlocks, right = width * (bx + 1) / kBlocks;
      for (LONG y = top; y < bottom; ++y) {
        for (LONG x = left; x < right; ++x) {
          const COLORREF pair[2] = {shown[y * width + x], expected[y * width + x]};
          for (int i = 0; i < 2; ++i) {
            sums[i][0] += GetRValue(pair[i]);
            sums[i][1] += GetGValue(pair[i]);
            sums[i][2] += GetBValue(pair[i]);
          }
        }
      }
      const long count = std::max<long>(1, (bottom - top) * (right - left));
      for (int c = 0; c < 3; ++c) {
        if (std::abs(sums[0][c] - sums[1][c]) / count > kMostChannelDifference)
          return "block " + std::to_string(bx) + "," + std::to_string(by) + " of " + std::to_string(kBlocks) +
                 " x " + std::to_string(kBlocks) + " differs from the art";
      }
    }
  }
  return "";
}

// Where the picture shown at `box` in the dialog differs from the art
// (bitmap `art` at 100 %) stretched to `width` x `height`, compared block by
// block (a picture drawn for its scale differs from the stretched one only
// in detail): empty when nowhere.
std::string PictureDifference(HWND dialog, const RECT& box, int art, LONG width, LONG height) {
  HBITMAP source = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(art), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP shape = {};
  GetObjectA(source, sizeof(shape), &shape);
  const std::vector<COLORREF> expected = PixelsDrawn(width, height, [&](HDC memory) {
    HDC art = CreateCompatibleDC(memory);
    HGDIOBJ old = SelectObject(art, source);
    SetStretchBltMode(memory, HALFTONE);
    StretchBlt(memory, 0, 0, width, height, art, 0, 0, shape.bmWidth, shape.bmHeight, SRCCOPY);
    SelectObject(art, old);
    DeleteDC(art);
  });
  DeleteObject(source);
  // A page just shown on a busy machine may still be settling: a difference
  // counts only when it is still there after a few looks.
  std::string difference;
  for (int look = 0; look < 5; ++look) {
    if (look != 0) Sleep(100);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    difference = BlockDifference(ShownPixels(dialog, {box.left, box.top, box.left + width, box.top + height}),
                                 expected, width, height);
    if (difference.empty()) break;
  }
  return difference;
}

// The check box or radio button glyph and the gap after it, at `dpi`.
LONG ButtonGlyphWidth(UINT dpi) { return MulDiv(13 + 4, static_cast<int>(dpi), 96); }

}  // namespace

std::vector<std::string> LayoutProblems(HWND dialog, UINT shownDpi) {
  std::vector<std::string> problems;
  const UINT windowDpi = WindowDpi(dialog);
  const UINT dpi = shownDpi ? shownDpi : windowDpi;
  if (const char* expected = getenv("VELMORA_EXPECTED_DPI")) {
    if (!shownDpi && dpi != static_cast<UINT>(atoi(expected)))
      problems.push_back("shown at " + std::to_string(dpi) + " DPI");
  }
  const bool exterior = GetDlgItem(dialog, IDC_TITLE) != nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    if (!IsWindowVisible(child)) continue;
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Button") == 0) {
      // A check box's or radio button's caption must fit beside its glyph.
      const LONG kind = style & BS_TYPEMASK;
      // In UTF-16, as the static texts below: read through the system's code
      // page, a Japanese caption would be measured as narrow question marks.
      wchar_t text[256] = {};
      if ((kind != BS_AUTOCHECKBOX && kind != BS_CHECKBOX && kind != BS_AUTORADIOBUTTON && kind != BS_RADIOBUTTON) ||
          !GetWindowTextW(child, text, 256))
        continue;
      RECT client, needed = {};
      GetClientRect(child, &client);
      HDC dc = GetDC(child);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
      DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE);
      SelectObject(dc, old);
      ReleaseDC(child, dc);
      if (ButtonGlyphWidth(dpi) + needed.right > client.right || needed.bottom > client.bottom + 1)
        problems.push_back("\"" + Utf8TextOf(child) + "\" needs " + Size(ButtonGlyphWidth(dpi) + needed.right,
                                                                       needed.bottom) +
                           " in " + Size(client.right, client.bottom));
      continue;
    }
    if (lstrcmpiA(className, "Static") != 0) continue;
    const LONG type = style & SS_TYPEMASK;
    RECT box;
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    if (type == SS_BITMAP) {
      BITMAP shape = {};
      GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof(shape), &shape);
      RECT area = exterior ? RECT{0, 0, 0, 172} : RECT{285, 1, 285 + 32, 1 + 30};
      // Dialog units as the page was made, at the window's DPI.
      MapDialogRect(dialog, &area);
      area = {MulDiv(area.left, dpi, windowDpi), MulDiv(area.top, dpi, windowDpi), MulDiv(area.right, dpi, windowDpi),
              MulDiv(area.bottom, dpi, windowDpi)};
      LONG width = area.right - area.left, height = area.bottom - area.top;
      if (exterior) {
        RECT panel;
        GetClientRect(GetDlgItem(dialog, IDC_PANEL), &panel);
        height = panel.bottom;
        width = MulDiv(height, 160, 280);
      } else {
        width = height = std::min(width, height);
      }
      if (!Near(shape.bmWidth, width) || !Near(shape.bmHeight, height) || !Near(box.left, area.left) ||
          !Near(box.top, area.top))
        problems.push_back("picture " + Size(shape.bmWidth, shape.bmHeight) + " at " + Size(box.left, box.top) +
                           " for the area " + Size(width, height) + " at " + Size(area.left, area.top));
      else if (!shownDpi) {
        // Pixels are compared where the picture is really shown at its DPI.
        const std::string difference =
            PictureDifference(dialog, box, exterior ? IDB_SIDE_PICTURE : IDB_HEADER_PICTURE, width, height);
        if (!difference.empty()) problems.push_back("picture: " + difference);
      }
    } else if (type == SS_ICON) {
      ICONINFO info = {};
      BITMAP shape = {};
      if (GetIconInfo(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)), &info)) {
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(shape), &shape);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
      }
      const LONG size = MulDiv(32, static_cast<int>(dpi), 96);
      if (shape.bmWidth != size) problems.push_back("icon " + Size(shape.bmWidth, shape.bmWidth) + " at " +
                                                    std::to_string(dpi) + " DPI");
    } else if (type == SS_LEFT || type == SS_CENTER) {
      // Read and measured in UTF-16: a page in another language than the
      // system's holds characters its code page lacks.
      wchar_t text[1024] = {};
      if (!GetWindowTextW(child, text, 1024)) continue;
      RECT client, needed;
      GetClientRect(child, &client);
      needed = client;
      HDC dc = GetDC(child);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
      // Lines that fit as they stand are not wrapped; longer ones are.
      DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_EXPANDTABS);
      if (needed.right - needed.left > client.right) {
        needed = client;
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
      }
      SelectObject(dc, old);
      ReleaseDC(child, dc);
      if (needed.right - needed.left > client.right || needed.bottom - needed.top > client.bottom + 1)
        problems.push_back("\"" + Utf8TextOf(child) + "\" needs " + Size(needed.right - needed.left,
                                                                       needed.bottom - needed.top) +
                           " in " + Size(client.right, client.bottom));
    }
  }
  return problems;
}
