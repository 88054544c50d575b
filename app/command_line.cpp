#include "app/command_line.h"

#include <cctype>

#include "app/folder_checks.h"
#include "app/wizard_language.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Appends the character at p (one or two bytes) to text; where it ends.
const char* TakeCharacter(const char* p, UINT codePage, std::string* text) {
  if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*p)) && p[1] != '\0') *text += *p++;
  *text += *p++;
  return p;
}

bool IsSwitchValue(const std::string& argument) {
  return !argument.empty() && (argument[0] == '/' || argument[0] == '-') && argument.find('=') != std::string::npos;
}

// The program's name: no escapes, only a quoted stretch.
const char* SplitProgramName(const char* p, UINT codePage, std::vector<std::string>* arguments) {
  std::string name;
  if (*p == '"') {
    for (++p; *p && *p != '"';) p = TakeCharacter(p, codePage, &name);
    if (*p == '"') ++p;
  } else {
    while (*p && !IsBlank(*p)) p = TakeCharacter(p, codePage, &name);
  }
  arguments->push_back(name);
  return p;
}

class OptionReader {
 public:
  OptionReader(SetupOptions* options, UINT codePage) : m_options(options), m_codePage(codePage) {}

  void Read(const std::string& argument) {
    if (argument.empty() || (argument[0] != '/' && argument[0] != '-')) return Refuse(argument, "not a switch");
    const size_t equals = argument.find('=');
    const std::string name = Lowercase(argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? argument.substr(equals + 1) : std::string();
    if (m_seen.find("|" + name + "|") != std::string::npos) return Refuse(argument, "the switch is given twice");
    m_seen += "|" + name + "|";
    if (name == "quiet" || name == "passive" || name == "norestart" || name == "forcerestart" ||
        name == "noclose" || name == "help" || name == "?") {
      if (hasValue) return Refuse(argument, "this switch takes no value");
      return ReadFlag(argument, name);
    }
    if (name == "dir" || name == "group" || name == "tasks" || name == "log" || name == "lang") {
      if (!hasValue) return Refuse(argument, "the switch needs a value after '='");
      return ReadValue(argument, name, value);
    }
    Refuse(argument, "unknown switch");
  }

 private:
  void ReadFlag(const std::string& argument, const std::string& name) {
    if (name == "quiet" || name == "passive") {
      if (m_options->mode != RunMode::Wizard) Refuse(argument, "/quiet and /passive exclude each other");
      m_options->mode = name == "quiet" ? RunMode::Quiet : RunMode::Passive;
    } else if (name == "norestart" || name == "forcerestart") {
      if (m_options->restart != RestartChoice::Ask) Refuse(argument, "/norestart and /forcerestart exclude each other");
      m_options->restart = name == "norestart" ? RestartChoice::Never : RestartChoice::Force;
    } else if (name == "noclose") {
      m_options->keepProgramsRunning = true;
    } else {
      m_options->help = true;
    }
  }

  void ReadValue(const std::string& argument, const std::string& name, const std::string& value) {
    if (name == "dir") {
      if (const UINT problem = DestinationFolderProblem(value.c_str(), m_codePage))
        return Refuse(argument, FolderProblemText(problem, value.c_str()));
      m_options->hasDestination = true;
      m_options->destination = WithoutTrailingBackslash(value.c_str(), m_codePage);
    } else if (name == "group") {
      if (const UINT problem = StartMenuFolderProblem(value.c_str(), m_codePage))
        return Refuse(argument, FolderProblemText(problem, value.c_str()));
      m_options->hasStartMenu = true;
      m_options->startMenu = WithoutTrailingBackslash(value.c_str(), m_codePage);
    } else if (name == "tasks") {
      ReadTasks(argument, value);
    } else if (name == "lang") {
      const WizardLanguage* language = LanguageOfCode(value);
      if (!language) return Refuse(argument, std::string("unknown language: the languages are ") + kLanguageCodes);
      m_options->language = language->id;
    } else {
      if (value.empty()) return Refuse(argument, "the switch needs a file name after '='");
      m_options->logCopy = value.c_str();
    }
  }

  // A comma-separated list of "desktop" and "quicklaunch"; empty: neither.
  void ReadTasks(const std::string& argument, const std::string& value) {
    bool desktop = false;
    bool quickLaunch = false;
    if (!value.empty()) {
      size_t start = 0;
      for (;;) {
        const size_t comma = value.find(',', start);
        const std::string task = Lowercase(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (task == "desktop") {
          desktop = true;
        } else if (task == "quicklaunch") {
          quickLaunch = true;
        } else {
          return Refuse(argument, "unknown task \"" + task + "\": the tasks are desktop and quicklaunch");
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    m_options->hasTasks = true;
    m_options->desktopIcon = desktop;
    m_options->quickLaunchIcon = quickLaunch;
  }

  void Refuse(const std::string& argument, const CString& reason) {
    if (!m_options->Valid()) return;
    m_options->invalidArgument = argument.c_str();
    m_options->invalidReason = reason;
  }
  void Refuse(const std::string& argument, const std::string& reason) { Refuse(argument, CString(reason.c_str())); }
  void Refuse(const std::string& argument, const char* reason) { Refuse(argument, CString(reason)); }

  SetupOptions* m_options;
  UINT m_codePage;
  std::string m_seen;
};

}  // namespace

std::vector<std::string> SplitCommandLine(const char* commandLine, UINT codePage) {
  std::vector<std::string> arguments;
  if (!commandLine) return arguments;
  const char* p = SplitProgramName(commandLine, codePage, &arguments);
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    std::string argument;
    // Quotes seen in the current run of quotes, counted from the opening
    // one: 1 inside quotes, 0 outside; a third quote in a row stands for
    // itself and ends the quoting.
    int quotes = 0;
    while (*p && (quotes != 0 || !IsBlank(*p))) {
      if (*p == '\\') {
        size_t backslashes = 0;
        for (; *p == '\\'; ++p) ++backslashes;
        if (*p != '"' || IsSwitchValue(argument)) {
          argument.append(backslashes, '\\');
          continue;
        }
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
          ++p;
          continue;
        }
      }
      if (*p == '"') {
        ++p;
        ++quotes;
        for (; *p == '"'; ++p) {
          if (++quotes == 3) {
            argument += '"';
            quotes = 0;
          }
        }
        if (quotes == 2) quotes = 0;
        continue;
      }
      p = TakeCharacter(p, codePage, &argument);
    }
    arguments.push_back(argument);
  }
  return arguments;
}

SetupOptions ReadSetupOptions(const std::vector<std::string>& arguments, UINT codePage) {
  SetupOptions options;
  OptionReader reader(&options, codePage);
  for (const std::string& argument : arguments) reader.Read(argument);
  return options;
}
