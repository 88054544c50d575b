#pragma once
// Small helpers for reading a command's words and comparing what was seen.

#include <string>
#include <vector>

// Throws ScriptFailure unless the command has at least count words.
void RequireWords(const std::vector<std::string>& words, size_t count);
// A decimal or 0x number; throws ScriptFailure otherwise.
int IntegerWord(const std::string& word);
// words[index] as milliseconds when present, else fallback.
unsigned OptionalTimeout(const std::vector<std::string>& words, size_t index, unsigned fallback);
// yes, no or ok as the message box button id.
int ButtonId(const std::string& word);
// Throws ScriptFailure naming what differs.
void ExpectEqual(const std::string& what, const std::string& seen, const std::string& wanted);
// True when wanted occurs in seen as consecutive entries.
bool ContainsRun(const std::vector<std::string>& seen, const std::vector<std::string>& wanted);
std::string JoinQuoted(const std::vector<std::string>& texts);
// words[from...] joined by single blanks.
std::string JoinArguments(const std::vector<std::string>& words, size_t from);
