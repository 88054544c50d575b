#pragma once
// The languages a module's resources exist in, looked up exactly: Windows'
// own look-up falls back to English (or any language) when the one asked
// for is missing, which would hide a missing translation.

#include <windows.h>

#include <set>
#include <string>

// The languages besides English, as Windows numbers them.
struct TranslatedLanguage {
  const char* code;
  LANGID id;
};
constexpr LANGID kEnglishUs = 0x0409;
constexpr TranslatedLanguage kTranslatedLanguages[] = {{"de", 0x0407}, {"fr", 0x040C}, {"es", 0x0C0A},
                                                       {"ru", 0x0419}, {"ja", 0x0411}, {"zh-CN", 0x0804},
                                                       {"ar", 0x0401}};

// Every language resource `id` of `type` exists in.
std::set<LANGID> ResourceLanguages(HMODULE module, LPCWSTR type, int id);

// String `id` of the string table in exactly `language`; empty when that
// language has no such text.
std::wstring StringInLanguage(HMODULE module, int id, LANGID language);
