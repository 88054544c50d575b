#include "app/wizard_language.h"

#include "framework/resource_language.h"
#include "package/inflate_entry.h"

namespace {

constexpr WizardLanguage kLanguages[] = {
    {"en", kEnglishLanguage},
    {"de", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)},
    {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)},
    {"es", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN)},
    {"ru", MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)},
    {"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)},
    {"zh-CN", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)},
    {"ar", MAKELANGID(LANG_ARABIC, SUBLANG_DEFAULT)},
};

constexpr LANGID kChineseSingapore = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE);

}  // namespace

const WizardLanguage* LanguageOfCode(const std::string& code) {
  for (const WizardLanguage& language : kLanguages) {
    if (::lstrcmpiA(code.c_str(), language.code) == 0) return &language;
  }
  return nullptr;
}

LANGID LanguageForUiLanguage(LANGID ui) {
  if (ui == kChineseSingapore) return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  if (const LANGID known = KnownLanguage(ui)) return known;
  // Taiwan, Hong Kong and Macao write the traditional script, which the
  // simplified translation does not serve.
  if (PRIMARYLANGID(ui) == LANG_CHINESE) return kEnglishLanguage;
  for (const WizardLanguage& language : kLanguages) {
    if (PRIMARYLANGID(language.id) == PRIMARYLANGID(ui)) return language.id;
  }
  return kEnglishLanguage;
}

bool InflateLanguagePack(const void* data, DWORD size, std::vector<BYTE>* content) {
  return InflateWhole(static_cast<const uint8_t*>(data), size, content);
}

LANGID KnownLanguage(LANGID recorded) {
  for (const WizardLanguage& language : kLanguages) {
    if (language.id == recorded) return recorded;
  }
  return 0;
}

const char* TitleFontFace(LANGID language) {
  switch (PRIMARYLANGID(language)) {
    case LANG_JAPANESE:
      return "MS UI Gothic";
    case LANG_CHINESE:
      return "Microsoft YaHei UI";
    case LANG_ARABIC:
      return "Tahoma";  // Arabic Windows' dialog font
    default:
      return "Arial";
  }
}

BYTE TitleFontCharSet(LANGID language) { return language == kEnglishLanguage ? ANSI_CHARSET : DEFAULT_CHARSET; }
