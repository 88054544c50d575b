// The script syntax the scenarios rely on: how words, quotes, escapes and
// variables are read.
#include "tests/e2e/driver/script_line.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/driver/script_words.h"

namespace {

using Words = std::vector<std::string>;

TEST(ScriptLine, BlanksSeparateWordsAndHashStartsAComment) {
  EXPECT_EQ((Words{"click", "1008"}), SplitScriptLine("  click\t1008   # accept"));
  EXPECT_TRUE(SplitScriptLine("# only a comment").empty());
}

TEST(ScriptLine, DoubleQuotesKnowFiveEscapesAndKeepOtherBackslashes) {
  EXPECT_EQ((Words{"a\r\nb\t\"c\"\\"}), SplitScriptLine(R"("a\r\nb\t\"c\"\\")"));
  EXPECT_EQ((Words{R"(C:\Program Files\Velmora)"}), SplitScriptLine(R"("C:\Program Files\Velmora")"));
}

TEST(ScriptLine, SingleQuotesTakeEverythingAsItStands) {
  EXPECT_EQ((Words{R"(C:\readme\new "%1")", "#"}), SplitScriptLine(R"('C:\readme\new "%1"' '#')"));
  EXPECT_EQ((Words{""}), SplitScriptLine("''"));
}

TEST(ScriptLine, UnterminatedQuoteIsAFailure) {
  EXPECT_THROW(SplitScriptLine("expect-text 1002 \"half"), ScriptFailure);
}

TEST(ScriptLine, OnlyKnownVariablesAreExpanded) {
  std::map<std::string, std::string> variables = {{"VELMORA_SYSTEM", R"(C:\windows\system32)"}};
  EXPECT_EQ(R"(C:\windows\system32\velmora-install.log)",
            ExpandVariables(R"(%VELMORA_SYSTEM%\velmora-install.log)", variables));
  EXPECT_EQ(R"(velmora.exe -open "%1" 100% %OTHER%)", ExpandVariables(R"(velmora.exe -open "%1" 100% %OTHER%)", variables));
}

TEST(ScriptWords, RecordedTextsMustHoldTheWantedOnesConsecutively) {
  Words seen = {"Task:", "Stop running services...", "Remove installed services...", "Clear registry entry..."};
  EXPECT_TRUE(ContainsRun(seen, {"Stop running services...", "Remove installed services..."}));
  EXPECT_FALSE(ContainsRun(seen, {"Stop running services...", "Clear registry entry..."}));
  EXPECT_FALSE(ContainsRun(seen, {"Clear registry entry...", "Remove installed services..."}));
}

TEST(ScriptWords, NumbersAndButtonsAreChecked) {
  EXPECT_EQ(1008, IntegerWord("1008"));
  EXPECT_EQ(0xFFFF, IntegerWord("0xFFFF"));
  EXPECT_THROW(IntegerWord("10o8"), ScriptFailure);
  EXPECT_EQ(IDYES, ButtonId("yes"));
  EXPECT_THROW(ButtonId("maybe"), ScriptFailure);
}

}  // namespace
