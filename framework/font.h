#pragma once
// CFont: owns one GDI font.

#include <windows.h>

#include "base/handles.h"

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // CreateFontA with the same arguments; a font already held is deleted
  // first. FALSE when GDI refuses (the object then holds none).
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight,
                  BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet,
                  BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, const char* faceName);
  // CreateFontIndirectA; a font already held is deleted first.
  BOOL CreateFontIndirect(const LOGFONTA& font);
  // Deletes the held font; FALSE when there was none.
  BOOL DeleteObject();

  HFONT GetSafeHandle() const { return static_cast<HFONT>(m_font.get()); }
  operator HFONT() const { return GetSafeHandle(); }

 private:
  unique_hgdiobj m_font;
};
