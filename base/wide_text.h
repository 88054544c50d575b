#pragma once
// Between the ANSI code page, in which the setup and the uninstaller hold
// their paths, and the wide text of the calls that have no ANSI form. Wide
// text is a vector, not a std::wstring: the library's wide string would
// bring its whole implementation into every program.

#include <windows.h>

#include <string>
#include <vector>

// Wide text, zero-terminated.
using WidePathText = std::vector<wchar_t>;

// The ANSI text in wide characters.
inline WidePathText WidePath(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  WidePathText wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The wide text in the ANSI code page; with refuseLossy, empty when the code
// page cannot spell it (a path that would name another file).
inline std::string AnsiText(const wchar_t* text, bool refuseLossy = false) {
  BOOL lossy = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, refuseLossy ? &lossy : nullptr);
  if (length <= 1 || lossy) return std::string();
  std::string ansi(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, &ansi[0], length, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(length - 1));
  return ansi;
}
