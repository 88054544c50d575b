#pragma once
// Command-line parsing shared by the setuppack commands.

#include <map>
#include <string>
#include <vector>

struct OptionSpec {
  const char* longName;   // "--output"
  const char* shortName;  // "-o", or nullptr
  bool takesValue;
};

struct ParsedArguments {
  std::map<std::string, std::string> options;  // by long name; "" for flags
  std::vector<std::string> operands;
  bool help = false;
};

// Splits args into options and operands; "--help"/"-h" sets help, "--" ends
// the options. False with a message on an unknown, repeated or incomplete
// option.
bool ParseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                    ParsedArguments* parsed, std::string* error);

// Prints a usage error of a command to stderr; returns exit code 2.
int UsageError(const std::string& command, const std::string& message);

// Prints a failure of a command to stderr; returns exit code 1.
int Failure(const std::string& message);

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
