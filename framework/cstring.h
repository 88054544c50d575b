#pragma once
// CString: an 8-bit text value with the framework's usual operations
// (formatting, string-table loading, concatenation, comparison).

#include <windows.h>

#include <cstdarg>
#include <string>
#include <type_traits>

class CString {
 public:
  CString() = default;
  // Copies a zero-terminated text; a null pointer gives the empty text.
  CString(const char* text);  // implicit, like the framework's own
  // Copies exactly `length` bytes (which may contain zeros).
  CString(const char* text, int length);
  // `repeat` copies of one character.
  explicit CString(char ch, int repeat = 1);
  CString(const std::string& text);  // implicit

  // Number of bytes, not counting the terminating zero.
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  // Makes the text empty.
  void Empty() { m_text.clear(); }

  // Zero-terminated view, valid until the text next changes.
  const char* c_str() const { return m_text.c_str(); }
  const char* GetString() const { return m_text.c_str(); }
  operator const char*() const { return m_text.c_str(); }
  const std::string& str() const { return m_text; }

  // Byte at `index`; index must be within 0..GetLength()-1.
  char GetAt(int index) const { return m_text[static_cast<size_t>(index)]; }
  char operator[](int index) const { return GetAt(index); }
  void SetAt(int index, char ch) { m_text[static_cast<size_t>(index)] = ch; }

  // Assignment and appending (a null text counts as empty).
  CString& operator=(const char* text);
  CString& operator+=(const CString& text);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

  // strcmp-like byte comparison (negative, 0, positive).
  int Compare(const char* text) const;
  // Comparison ignoring ASCII letter case.
  int CompareNoCase(const char* text) const;

  // Index of the first `ch` / `text` at or after `start`, or -1.
  int Find(char ch, int start = 0) const;
  int Find(const char* text, int start = 0) const;
  // Index of the last `ch`, or -1.
  int ReverseFind(char ch) const;
  // Sub-texts; out-of-range counts are clipped, never an error.
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  // Replaces the text with printf-style formatting of the arguments; any
  // length fits. Texts go in as const char* (c_str()), never as objects:
  // a CString or std::string cannot pass through a C argument list.
  template <typename... Args>
  void Format(const char* format, const Args&... args) {
    static_assert(!(std::is_class<Args>::value || ...), "pass texts as c_str()");
    FormatText(format, args...);
  }
  // Same with the format text loaded from the string table (empty if the id
  // is missing).
  template <typename... Args>
  void Format(UINT formatId, const Args&... args) {
    static_assert(!(std::is_class<Args>::value || ...), "pass texts as c_str()");
    CString format;
    format.LoadString(formatId);
    FormatText(format.c_str(), args...);
  }
  void FormatV(const char* format, va_list args);

  // Replaces the text with string `id` of the resource module in the
  // resource language (framework/resource_language.h), in the framework's
  // text code page; any length fits. FALSE (and an empty text) when the
  // string table has no such id.
  BOOL LoadString(UINT id);
  // The same in `language` (English, for a text bound for the log).
  BOOL LoadString(UINT id, LANGID language);

  // Room for at least `minLength` bytes plus a zero to be filled by a Win32
  // call; ReleaseBuffer then fixes the length (-1: up to the first zero).
  char* GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);

 private:
  void FormatText(const char* format, ...);

  std::string m_text;
};

// Concatenation and byte-exact comparison.
CString operator+(const CString& left, const CString& right);
CString operator+(const CString& left, const char* right);
CString operator+(const char* left, const CString& right);
CString operator+(const CString& left, char right);
CString operator+(char left, const CString& right);

bool operator==(const CString& left, const CString& right);
bool operator==(const CString& left, const char* right);
bool operator==(const char* left, const CString& right);
bool operator!=(const CString& left, const CString& right);
bool operator!=(const CString& left, const char* right);
bool operator!=(const char* left, const CString& right);
bool operator<(const CString& left, const CString& right);
