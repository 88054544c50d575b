#include "framework/font.h"

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet,
                       BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       const char* faceName) {
  m_font.reset(::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                             strikeOut, charSet, outPrecision, clipPrecision, quality,
                             pitchAndFamily, faceName));
  return m_font.valid();
}

BOOL CFont::CreateFontIndirect(const LOGFONTA& font) {
  m_font.reset(::CreateFontIndirectA(&font));
  return m_font.valid();
}

BOOL CFont::DeleteObject() {
  if (!m_font) return FALSE;
  m_font.reset();
  return TRUE;
}
