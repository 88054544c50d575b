#pragma once
// Reading a page's controls from the helper thread that drives it.

#include <windows.h>

#include <string>
#include <vector>

// The text of control `id` (or of the dialog itself for id 0).
std::string TextOf(HWND dialog, int id);
// The text of a window as UTF-8, whatever the system's code page.
std::string Utf8TextOf(HWND window);
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

// The colours control `id` shows on the screen, read back pixel by pixel
// after it has painted.
std::vector<COLORREF> PaintedPixels(HWND dialog, int id);
// What is wrong with the page as laid out for `dpi` (0: the DPI it is shown
// at; nothing wrong: empty): its picture must fill its area within 2 pixels
// (the side picture the panel's height at the art's proportions, the header
// picture the square of its 32 x 30 slot) and, at the DPI it is shown at,
// show the art stretched to that area; a folder icon must have the icon
// size of the DPI (32 at 96); every shown static's text and every check
// box's and radio button's caption beside its glyph, measured with its
// font, must fit the control.
std::vector<std::string> LayoutProblems(HWND dialog, UINT dpi = 0);
