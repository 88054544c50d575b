#pragma once
// One line of a driver script, split into words: blanks separate words,
// quotes group them. Inside double quotes \n \r \t \\ \" are escapes and
// any other backslash is kept; single quotes take everything as it stands.

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A failed expectation or a malformed command; the driver reports it and stops.
class ScriptFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits a line into words; a '#' outside quotes starts a comment. Throws
// ScriptFailure on an unterminated quote.
std::vector<std::string> SplitScriptLine(const std::string& line);

// Replaces every %NAME% whose NAME is in the table; other percent signs stay.
std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables);

// Shows a text with its control characters escaped, for failure messages.
std::string Quote(const std::string& text);
