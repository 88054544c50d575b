#include "tools/setuppack/arguments.h"

#include <cstdio>

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& arg) {
  for (const OptionSpec& option : specs) {
    if (arg == option.longName || (option.shortName != nullptr && arg == option.shortName)) return &option;
  }
  return nullptr;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                    ParsedArguments* parsed, std::string* error) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed->operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed->help = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool inlineValue = false;
    size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      inlineValue = true;
    }
    const OptionSpec* option = FindSpec(specs, name);
    if (option == nullptr) {
      *error = "unknown option '" + arg + "'";
      return false;
    }
    if (parsed->options.count(option->longName) != 0) {
      *error = "option '" + std::string(option->longName) + "' given twice";
      return false;
    }
    if (option->takesValue && !inlineValue) {
      if (i + 1 >= args.size()) {
        *error = "option '" + name + "' needs a value";
        return false;
      }
      value = args[++i];
    } else if (!option->takesValue && inlineValue) {
      *error = "option '" + name + "' takes no value";
      return false;
    }
    parsed->options[option->longName] = value;
  }
  return true;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "setuppack %s: %s\nTry 'setuppack %s --help'.\n", command.c_str(), message.c_str(),
               command.c_str());
  return kExitUsage;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "setuppack: %s\n", message.c_str());
  return kExitFailure;
}
