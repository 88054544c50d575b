#include "tests/app/page_probe.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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

std::vector<COLORREF> PaintedPixels(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client;
  GetClientRect(control, &client);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, copy);
  HDC screen = GetDC(control);
  BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  ReleaseDC(control, screen);
  std::vector<COLORREF> pixels;
  const auto* argb = static_cast<const uint32_t*>(bits);
  for (LONG i = 0; i < client.right * client.bottom; ++i)
    pixels.push_back(RGB((argb[i] >> 16) & 0xFF, (argb[i] >> 8) & 0xFF, argb[i] & 0xFF));
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(copy);
  return pixels;
}

std::string AccessibleNameOf(HWND dialog, int id) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(GetDlgItem(dialog, id), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&accessible))))
    return "";
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string text;
  if (SUCCEEDED(accessible->get_accName(self, &name)) && name) {
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof(narrow), nullptr, nullptr);
    text = narrow;
    SysFreeString(name);
  }
  accessible->Release();
  return text;
}

namespace {

std::string Size(LONG width, LONG height) { return std::to_string(width) + " x " + std::to_string(height); }

bool Near(LONG a, LONG b) { return a - b <= 2 && b - a <= 2; }

}  // namespace

std::vector<std::string> LayoutProblems(HWND dialog) {
  std::vector<std::string> problems;
  const UINT dpi = WindowDpi(dialog);
  if (const char* expected = getenv("VELMORA_EXPECTED_DPI")) {
    if (dpi != static_cast<UINT>(atoi(expected))) problems.push_back("shown at " + std::to_string(dpi) + " DPI");
  }
  const bool exterior = GetDlgItem(dialog, IDC_TITLE) != nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") != 0 || !IsWindowVisible(child)) continue;
    const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
    RECT box;
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    if (type == SS_BITMAP) {
      BITMAP shape = {};
      GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof(shape), &shape);
      RECT area = exterior ? RECT{0, 0, 0, 172} : RECT{285, 1, 285 + 32, 1 + 30};
      MapDialogRect(dialog, &area);
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
