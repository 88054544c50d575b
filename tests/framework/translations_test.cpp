// Every language of the wizard holds what the English home holds: each text
// of the string table and each page, with the same controls in the same
// order, translated, inside the page; and the framework loads them in the
// language chosen.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "framework/afxwin.h"
#include "framework/resource_language.h"
#include "package/inflate_entry.h"
#include "res/resource.h"
#include "tests/framework/resource_languages.h"

namespace {

constexpr LANGID kEnglish = kEnglishUs;

const int kPages[] = {IDD_WELCOME, IDD_LICENSE, IDD_DESTINATION, IDD_START_MENU, IDD_TASKS,
                      IDD_READY,   IDD_PROGRESS, IDD_FINISH,     IDD_RESTART};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], length, nullptr, nullptr);
  return result;
}

// The string table in exactly `language`, read block by block.
std::map<UINT, std::string> TextsIn(LANGID language) {
  std::map<UINT, std::string> texts;
  HMODULE module = GetModuleHandleA(nullptr);
  for (UINT block = 1; block <= 16; ++block) {
    const WCHAR* p = static_cast<const WCHAR*>(
        AfxLockLanguageResource(module, MAKEINTRESOURCEA(block), RT_STRING, language, nullptr));
    if (!p) continue;
    for (UINT index = 0; index < 16; ++index) {
      if (*p != 0) texts[(block - 1) * 16 + index] = Utf8(std::wstring(p + 1, *p));
      p += 1 + *p;
    }
  }
  return texts;
}

// The printf conversions of a text, in order.
std::vector<std::string> Conversions(const std::string& text) {
  static const std::regex conversion("%[-.0-9]*[sdxu%]");
  std::vector<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) found.push_back(it->str());
  return found;
}

// What is left of an English text for a translator: the names, switches,
// codes and conversions taken out. A text with no word left may stay as it is.
bool HasWordsToTranslate(std::string text) {
  static const std::regex untranslated(
      "%[-.0-9]*[sdxu]|Velmora|Windows|ARM64|/[a-z?]+(=[A-Z]+)?|0x|[A-Z][a-zA-Z]*-[A-Z]+|\\\\n");
  text = std::regex_replace(text, untranslated, "");
  return std::regex_search(text, std::regex("[A-Za-z]{3,}"));
}

bool Inflate(const void* data, DWORD size, std::vector<BYTE>* content) {
  return InflateWhole(static_cast<const uint8_t*>(data), size, content);
}

// The language chosen with its pack, as the setup chooses it.
class TranslationTest : public ::testing::TestWithParam<TranslatedLanguage> {
 protected:
  void SetUp() override { AfxSetResourceLanguage(GetParam().id, &Inflate); }
  void TearDown() override { AfxSetResourceLanguage(kEnglish); }
};

std::string Describe(const DialogItem& item) {
  return "control " + std::to_string(item.id) + " \"" + item.text + "\"";
}

}  // namespace

TEST_P(TranslationTest, HoldsEveryTextOfTheEnglishTableAndNoOther) {
  const std::map<UINT, std::string> english = TextsIn(kEnglish);
  const std::map<UINT, std::string> translated = TextsIn(GetParam().id);
  ASSERT_GE(english.size(), 60u);
  for (const auto& [id, text] : english) EXPECT_EQ(translated.count(id), 1u) << "string " << id << " missing";
  for (const auto& [id, text] : translated) EXPECT_EQ(english.count(id), 1u) << "string " << id << " not English";
}

TEST_P(TranslationTest, EveryTextIsTranslatedAndFormatsTheSameArguments) {
  const std::map<UINT, std::string> translated = TextsIn(GetParam().id);
  for (const auto& [id, text] : TextsIn(kEnglish)) {
    auto found = translated.find(id);
    if (found == translated.end()) continue;
    EXPECT_EQ(Conversions(found->second), Conversions(text)) << "string " << id << ": " << found->second;
    if (HasWordsToTranslate(text)) EXPECT_NE(found->second, text) << "string " << id << " is still English";
  }
}

TEST_P(TranslationTest, EveryPageHasTheEnglishControlsInOrderTranslatedAndInsideThePage) {
  const bool cjk = PRIMARYLANGID(GetParam().id) == LANG_JAPANESE || PRIMARYLANGID(GetParam().id) == LANG_CHINESE;
  for (int id : kPages) {
    DialogTemplate english;
    DialogTemplate page;
    ASSERT_TRUE(LoadDialogTemplate(id, english));
    ASSERT_TRUE(LoadDialogTemplate(id, page, GetParam().id)) << "page " << id;
    // MS Sans Serif has no Japanese or Chinese characters.
    if (cjk) EXPECT_NE(page.faceName, "MS Sans Serif") << "page " << id;
    EXPECT_GE(page.pointSize, 8) << "page " << id;
    EXPECT_EQ(page.cx, 320) << "page " << id;
    EXPECT_EQ(page.cy, 200) << "page " << id;
    EXPECT_EQ(page.style, english.style) << "page " << id;
    ASSERT_EQ(page.items.size(), english.items.size()) << "page " << id;
    for (size_t i = 0; i < page.items.size(); ++i) {
      const DialogItem& got = page.items[i];
      const DialogItem& home = english.items[i];
      EXPECT_EQ(got.id, home.id) << "page " << id << " item " << i;
      EXPECT_EQ(got.className, home.className) << "page " << id << " " << Describe(got);
      EXPECT_EQ(got.style & 0xFFFF0000u, home.style & 0xFFFF0000u) << "page " << id << " " << Describe(got);
      if (home.cx > 0) {
        EXPECT_GE(got.x, 0) << "page " << id << " " << Describe(got);
        EXPECT_GE(got.y, 0) << "page " << id << " " << Describe(got);
        EXPECT_LE(got.x + got.cx, 320) << "page " << id << " " << Describe(got);
        EXPECT_LE(got.y + got.cy, 200) << "page " << id << " " << Describe(got);
      }
      // "Static" and "Welcome" stand in for texts the page sets itself.
      if (home.text != "Static" && home.text != "Welcome" && HasWordsToTranslate(home.text)) {
        EXPECT_NE(got.text, home.text) << "page " << id << " " << Describe(got) << " is still English";
      }
    }
  }
}

TEST_P(TranslationTest, TheFrameworkLoadsTextsInTheChosenLanguage) {
  CString title;
  title.LoadString(IDS_LICENSE_TITLE);
  CString english;
  english.LoadString(IDS_LICENSE_TITLE, kEnglish);
  EXPECT_EQ(title.str(), TextsIn(GetParam().id)[IDS_LICENSE_TITLE]);
  EXPECT_NE(title.str(), "License Agreement");
  EXPECT_EQ(english.str(), "License Agreement");
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, TranslationTest, ::testing::ValuesIn(kTranslatedLanguages),
                         [](const ::testing::TestParamInfo<TranslatedLanguage>& info) {
                           std::string name = info.param.code;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

TEST(ResourceLanguage, ALanguageWithoutResourcesFallsBackToEnglish) {
  AfxSetResourceLanguage(0x40E);  // Hungarian
  CString title;
  title.LoadString(IDS_LICENSE_TITLE);
  AfxSetResourceLanguage(kEnglish);
  EXPECT_EQ(title.str(), "License Agreement");
}
