#include "framework/resource_language.h"

#include <cstring>
#include <vector>

namespace {

LANGID g_language = kEnglishLanguage;
// The chosen language's pack, inflated; empty for English or without one.
std::vector<BYTE> g_pack;

std::vector<wchar_t> Widen(UINT codePage, const char* text) {
  const int length = text && *text ? ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0) : 0;
  std::vector<wchar_t> wide(static_cast<size_t>(length > 1 ? length : 1), L'\0');
  if (length > 1) ::MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length);
  return wide;
}

std::string Narrow(UINT codePage, const wchar_t* text, int length) {
  if (!text || length == 0) return std::string();
  const int size = ::WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, 0, text, length, &narrow[0], size, nullptr, nullptr);
  if (length < 0) narrow.resize(static_cast<size_t>(size - 1));
  return narrow;
}

// A record of the pack; null when it has none.
const void* FindInPack(LPCSTR name, LPCSTR type, DWORD* size) {
  if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) return nullptr;
  const WORD wantedType = LOWORD(reinterpret_cast<ULONG_PTR>(type));
  const WORD wantedName = LOWORD(reinterpret_cast<ULONG_PTR>(name));
  size_t at = 0;
  while (at + 8 <= g_pack.size()) {
    WORD recordType = 0, recordName = 0;
    DWORD recordSize = 0;
    memcpy(&recordType, &g_pack[at], 2);
    memcpy(&recordName, &g_pack[at + 2], 2);
    memcpy(&recordSize, &g_pack[at + 4], 4);
    if (recordSize > g_pack.size() - at - 8) return nullptr;
    if (recordType == wantedType && recordName == wantedName) {
      if (size) *size = recordSize;
      return &g_pack[at + 8];
    }
    at += 8 + ((recordSize + 3) & ~3u);
  }
  return nullptr;
}

// One resource in exactly `language` of the module; null when it has none.
const void* LockExactly(HINSTANCE module, LPCSTR name, LPCSTR type, LANGID language, DWORD* size) {
  HRSRC found = ::FindResourceExA(module, type, name, language);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  if (!loaded) return nullptr;
  if (size) *size = ::SizeofResource(module, found);
  return ::LockResource(loaded);
}

// Text `index` (0..15) of a string-table block: each is a count of UTF-16
// units followed by the units, an empty one a zero count.
bool TextOfBlock(const void* block, DWORD size, UINT index, const WCHAR** text, int* length) {
  const WCHAR* p = static_cast<const WCHAR*>(block);
  const WCHAR* end = p + size / sizeof(WCHAR);
  for (UINT i = 0; i < index && p < end; ++i) p += 1 + *p;
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  *text = p + 1;
  *length = *p;
  return true;
}

}  // namespace

void AfxSetResourceLanguage(LANGID language, AfxInflateFunction inflate) {
  g_language = language;
  g_pack.clear();
  if (!inflate || language == kEnglishLanguage) return;
  // The executable holds every resource (the framework's resource module);
  // not asked of the application object, which a program of this layer's
  // texts alone (the uninstaller) does not have.
  HINSTANCE module = ::GetModuleHandleA(nullptr);
  DWORD size = 0;
  const void* pack = LockExactly(module, kLanguagePackName, RT_RCDATA, language, &size);
  // A pack that does not inflate leaves the language to its other resources
  // and to English.
  if (pack && !inflate(pack, size, &g_pack)) g_pack.clear();
}

LANGID AfxGetResourceLanguage() { return g_language; }

bool AfxIsRightToLeftLanguage(LANGID language) {
  switch (PRIMARYLANGID(language)) {
    case LANG_ARABIC:
    case LANG_HEBREW:
    case LANG_FARSI:
    case LANG_URDU:
      return true;
    default:
      return false;
  }
}

UINT AfxTextCodePage() { return g_language == kEnglishLanguage ? CP_ACP : CP_UTF8; }

std::vector<wchar_t> AfxWideText(const char* text) { return Widen(AfxTextCodePage(), text); }

std::string AfxNarrowText(const wchar_t* text, int length) { return Narrow(AfxTextCodePage(), text, length); }

std::string AfxTextFromSystem(const char* text) {
  if (AfxTextCodePage() == CP_ACP) return text ? text : "";
  return Narrow(CP_UTF8, Widen(CP_ACP, text).data(), -1);
}

std::string AfxSystemFromText(const char* text) {
  if (AfxTextCodePage() == CP_ACP) return text ? text : "";
  return Narrow(CP_ACP, Widen(CP_UTF8, text).data(), -1);
}

std::string AfxLeftToRightFromSystem(const char* text) {
  if (!AfxIsRightToLeftLanguage(g_language)) return AfxTextFromSystem(text);
  return "\xE2\x80\xAA" + AfxTextFromSystem(text) + "\xE2\x80\xAC";  // U+202A ... U+202C
}

const void* AfxLockLanguageResource(HINSTANCE module, LPCSTR name, LPCSTR type, LANGID language, DWORD* size) {
  const void* data = language == g_language ? FindInPack(name, type, size) : nullptr;
  return data ? data : LockExactly(module, name, type, language, size);
}

const void* AfxLockResource(HINSTANCE module, LPCSTR name, LPCSTR type, LANGID language, DWORD* size) {
  const void* data = AfxLockLanguageResource(module, name, type, language, size);
  if (!data && language != kEnglishLanguage) data = LockExactly(module, name, type, kEnglishLanguage, size);
  return data;
}

bool AfxFindString(HINSTANCE module, UINT id, LANGID language, const WCHAR** text, int* length) {
  LPCSTR block = MAKEINTRESOURCEA((id >> 4) + 1);
  for (LANGID candidate : {language, kEnglishLanguage}) {
    DWORD size = 0;
    const void* data = AfxLockLanguageResource(module, block, RT_STRING, candidate, &size);
    if (data && TextOfBlock(data, size, id & 15, text, length)) return true;
  }
  return false;
}

void AfxSetWindowText(HWND window, const char* text) {
  if (AfxTextCodePage() == CP_ACP) {
    ::SetWindowTextA(window, text ? text : "");
    return;
  }
  ::SetWindowTextW(window, AfxWideText(text).data());
}

int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (AfxTextCodePage() == CP_ACP) return ::MessageBoxA(owner, text, caption, type);
  if (AfxIsRightToLeftLanguage(g_language)) type |= MB_RTLREADING | MB_RIGHT;
  const std::vector<wchar_t> wideCaption = AfxWideText(caption);
  return ::MessageBoxW(owner, AfxWideText(text).data(), caption ? wideCaption.data() : nullptr, type);
}

void AfxKeepLeftToRight(HWND control) {
  const LONG_PTR exStyle = ::GetWindowLongPtrA(control, GWL_EXSTYLE);
  const LONG_PTR leftToRight = exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT |
                                                                 WS_EX_LEFTSCROLLBAR);
  if (leftToRight == exStyle) return;
  ::SetWindowLongPtrA(control, GWL_EXSTYLE, leftToRight);
  ::InvalidateRect(control, nullptr, TRUE);
}
