#include "tests/framework/resource_languages.h"

namespace {
BOOL CALLBACK NoteLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::set<LANGID>*>(languages)->insert(language);
  return TRUE;
}
}  // namespace

std::set<LANGID> ResourceLanguages(HMODULE module, LPCWSTR type, int id) {
  std::set<LANGID> languages;
  EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), NoteLanguage, reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

std::wstring StringInLanguage(HMODULE module, int id, LANGID language) {
  // Sixteen texts a block, each a length followed by that many characters.
  const int block = id / 16 + 1;
  if (ResourceLanguages(module, MAKEINTRESOURCEW(6), block).count(language) == 0) return std::wstring();
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), language);
  const WCHAR* entry = found ? static_cast<const WCHAR*>(LockResource(LoadResource(module, found))) : nullptr;
  if (!entry) return std::wstring();
  for (int skipped = 0; skipped < id % 16; ++skipped) entry += 1 + *entry;
  return std::wstring(entry + 1, *entry);
}
