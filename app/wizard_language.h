#pragma once
// The languages the wizard speaks and how a run chooses one.

#include <windows.h>

#include <string>
#include <vector>

// A language of the wizard: its /lang code and the language of its
// resources.
struct WizardLanguage {
  const char* code;
  LANGID id;
};

// The codes /lang takes, in the order the usage text lists them.
constexpr const char* kLanguageCodes = "en, de, fr, es, ru, ja, zh-CN, ar";

// The language of a /lang code (read without regard to case); null when
// the wizard does not speak it.
const WizardLanguage* LanguageOfCode(const std::string& code);
// The language for Windows' user interface language `ui`: the same
// language and region first (zh-CN), then the same language in any region
// (de-AT gives German; for Chinese only the regions that write the
// simplified script), else English.
LANGID LanguageForUiLanguage(LANGID ui);
// A recorded LANGID the wizard speaks (the language of an installation);
// 0 for any other.
LANGID KnownLanguage(LANGID recorded);
// Inflates a language pack (framework/resource_language.h).
bool InflateLanguagePack(const void* data, DWORD size, std::vector<BYTE>* content);
// The face and character set of the pages' title fonts in `language`:
// Arial as ever, the system's dialog font for Japanese and Chinese.
const char* TitleFontFace(LANGID language);
BYTE TitleFontCharSet(LANGID language);
