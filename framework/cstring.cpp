#include "framework/cstring.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/resource_language.h"
#include "framework/win_app.h"

namespace {

int Clip(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

int CompareBytes(const char* left, const char* right, bool ignoreCase) {
  for (;; ++left, ++right) {
    unsigned char a = static_cast<unsigned char>(*left);
    unsigned char b = static_cast<unsigned char>(*right);
    if (ignoreCase) {
      if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    }
    if (a != b) return a < b ? -1 : 1;
    if (a == 0) return 0;
  }
}

}  // namespace

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(const char* text, int length)
    : m_text(text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string()) {}

CString::CString(char ch, int repeat) : m_text(repeat > 0 ? static_cast<size_t>(repeat) : 0, ch) {}

CString::CString(const std::string& text) : m_text(text) {}

CString& CString::operator=(const char* text) {
  m_text = text ? text : "";
  return *this;
}

CString& CString::operator+=(const CString& text) {
  m_text += text.m_text;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) m_text += text;
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

int CString::Compare(const char* text) const { return CompareBytes(c_str(), text ? text : "", false); }

int CString::CompareNoCase(const char* text) const {
  return CompareBytes(c_str(), text ? text : "", true);
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t at = m_text.find(ch, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* text, int start) const {
  if (!text || start < 0 || start > GetLength()) return -1;
  size_t at = m_text.find(text, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
  size_t at = m_text.rfind(ch);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
  return CString(m_text.substr(0, static_cast<size_t>(Clip(count, 0, GetLength()))));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = Clip(first, 0, GetLength());
  count = Clip(count, 0, GetLength() - first);
  return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  count = Clip(count, 0, GetLength());
  return CString(m_text.substr(static_cast<size_t>(GetLength() - count)));
}

void CString::FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
  if (!format) {
    m_text.clear();
    return;
  }
  // The system's own formatter (msvcrt), not the runtime's C99 one: our
  // texts use only %s, %d and %x, which both format alike, and the C99 one
  // adds 25 KB to every executable. It reports -1 instead of the size when
  // the text does not fit, so grow until it does.
  std::vector<char> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    int written = _vsnprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
      m_text.assign(buffer.data(), static_cast<size_t>(written));
      return;
    }
    buffer.resize(written >= 0 ? static_cast<size_t>(written) + 1 : buffer.size() * 2);
  }
}

BOOL CString::LoadString(UINT id) { return LoadString(id, AfxGetResourceLanguage()); }

BOOL CString::LoadString(UINT id, LANGID language) {
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA((id >> 4) + 1), RT_STRING);
  const WCHAR* text = nullptr;
  int length = 0;
  if (!AfxFindString(module, id, language, &text, &length)) {
    m_text.clear();
    return FALSE;
  }
  m_text = AfxNarrowText(text, length);
  return TRUE;
}

char* CString::GetBuffer(int minLength) {
  size_t size = static_cast<size_t>(minLength > GetLength() ? minLength : GetLength());
  m_text.resize(size);
  return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) newLength = static_cast<int>(strnlen(m_text.c_str(), m_text.size()));
  m_text.resize(static_cast<size_t>(Clip(newLength, 0, GetLength())));
}

CString operator+(const CString& left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, const char* right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const char* left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, char right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(char left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

bool operator==(const CString& left, const CString& right) { return left.str() == right.str(); }
bool operator==(const CString& left, const char* right) { return left.Compare(right) == 0; }
bool operator==(const char* left, const CString& right) { return right.Compare(left) == 0; }
bool operator!=(const CString& left, const CString& right) { return !(left == right); }
bool operator!=(const CString& left, const char* right) { return !(left == right); }
bool operator!=(const char* left, const CString& right) { return !(left == right); }
bool operator<(const CString& left, const CString& right) { return left.str() < right.str(); }
