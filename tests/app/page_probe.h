#pragma once
// Reading a page's controls from the helper thread that drives it.

#include <windows.h>

#include <string>

// The text of control `id` (or of the dialog itself for id 0).
std::string TextOf(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
// BM_GETCHECK of button `id`.
int CheckOf(HWND dialog, int id);
// Types `text` into control `id` as if the user had replaced its content.
void TypeText(HWND dialog, int id, const std::string& text);

// What the page answers to WM_CTLCOLORSTATIC for control `id`.
struct ControlColours {
  COLORREF text;
  COLORREF background;
  HBRUSH brush;
};
ControlColours ColoursOf(HWND dialog, int id);
