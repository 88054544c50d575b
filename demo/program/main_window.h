#pragma once
// The main window of velmora.exe: the product's name, its version and the
// document it was asked to open.

#include <windows.h>

#include <string>

#include "base/handles.h"

class MainWindow {
 public:
  // Registers the window class and shows the window titled "Velmora";
  // documentPath empty means no document. False when Windows refuses it.
  bool Create(HINSTANCE instance, const std::string& documentPath, int showCommand);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND AddLabel(const std::string& text, int top, int height, HFONT font);
  void ShowHelp();
  void ShowAbout();

  HWND m_window = nullptr;
  HINSTANCE m_instance = nullptr;
  std::string m_documentPath;
  unique_hgdiobj m_titleFont;
};
