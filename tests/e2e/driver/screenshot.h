#pragma once
// Pictures of windows as the user sees them, frame included.

#include <windows.h>

#include <string>

// Copies the screen area of the window into a 24-bit BMP file; throws
// ScriptFailure when the file cannot be written.
void SaveWindowPicture(HWND window, const std::string& bmp_path);
