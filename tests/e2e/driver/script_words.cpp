#include "tests/e2e/driver/script_words.h"

#include <windows.h>

#include <cstdlib>

#include "tests/e2e/driver/script_line.h"

void RequireWords(const std::vector<std::string>& words, size_t count) {
  if (words.size() < count)
    throw ScriptFailure(words[0] + " needs " + std::to_string(count - 1) + " argument(s)");
}

int IntegerWord(const std::string& word) {
  char* end = nullptr;
  long value = std::strtol(word.c_str(), &end, 0);
  if (word.empty() || *end) throw ScriptFailure("not a number: " + word);
  return static_cast<int>(value);
}

unsigned OptionalTimeout(const std::vector<std::string>& words, size_t index, unsigned fallback) {
  return words.size() > index ? static_cast<unsigned>(IntegerWord(words[index])) : fallback;
}

int ButtonId(const std::string& word) {
  if (word == "yes") return IDYES;
  if (word == "no") return IDNO;
  if (word == "ok") return IDOK;
  if (word == "cancel") return IDCANCEL;
  throw ScriptFailure("unknown message box button " + word);
}

void ExpectEqual(const std::string& what, const std::string& seen, const std::string& wanted) {
  if (seen != wanted) throw ScriptFailure(what + " is " + Quote(seen) + ", expected " + Quote(wanted));
}

bool ContainsRun(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
  if (wanted.size() > seen.size()) return false;
  for (size_t start = 0; start + wanted.size() <= seen.size(); ++start) {
    size_t i = 0;
    while (i < wanted.size() && seen[start + i] == wanted[i]) ++i;
    if (i == wanted.size()) return true;
  }
  return false;
}

std::string JoinQuoted(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + Quote(text);
  return joined;
}

std::string JoinArguments(const std::vector<std::string>& words, size_t from) {
  std::string text;
  for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
  return text;
}
