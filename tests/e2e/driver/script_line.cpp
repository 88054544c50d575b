#include "tests/e2e/driver/script_line.h"

namespace {

// The escapes of double-quoted words; any other backslash stays as it is, so
// Windows paths need no doubling.
bool Unescape(char c, char* result) {
  switch (c) {
    case 'n': *result = '\n'; return true;
    case 'r': *result = '\r'; return true;
    case 't': *result = '\t'; return true;
    case '\\':
    case '"': *result = c; return true;
    default: return false;
  }
}

}  // namespace

std::vector<std::string> SplitScriptLine(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c == '#') break;
    std::string word;
    if (c == '"' || c == '\'') {
      char quote = c;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char q = line[i++];
        if (q == quote) {
          closed = true;
          break;
        }
        char escaped;
        if (quote == '"' && q == '\\' && i < line.size() && Unescape(line[i], &escaped)) {
          q = escaped;
          ++i;
        }
        word += q;
      }
      if (!closed) throw ScriptFailure("unterminated quote");
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables) {
  std::string result;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (end != std::string::npos) {
      auto found = variables.find(text.substr(i + 1, end - i - 1));
      if (found != variables.end()) {
        result += found->second;
        i = end + 1;
        continue;
      }
    }
    result += text[i++];
  }
  return result;
}

std::string Quote(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '\r') result += "\\r";
    else if (c == '\n') result += "\\n";
    else if (c == '\t') result += "\\t";
    else if (c == '"' || c == '\\') result += std::string("\\") + c;
    else result += c;
  }
  return result + "\"";
}
