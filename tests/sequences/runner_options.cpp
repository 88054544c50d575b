#include "tests/sequences/runner_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Fail(const char* message, const char* detail) {
  std::fprintf(stderr, "sequence_runner: %s%s\n", message, detail != nullptr ? detail : "");
  return false;
}

}  // namespace

bool ParseRunnerOptions(int argc, char** argv, RunnerOptions* options) {
  if (argc < 2) return Fail("no command", nullptr);
  options->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const char* name = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(name, "--desktop") == 0) {
      options->desktopIcon = 1;
    } else if (std::strcmp(name, "--quick-launch") == 0) {
      options->quickLaunchIcon = 1;
    } else if (std::strcmp(name, "--installed") == 0) {
      options->installed = true;
    } else if (!hasValue) {
      return Fail("missing value or unknown option: ", name);
    } else if (std::strcmp(name, "--package") == 0) {
      options->package = argv[++i];
    } else if (std::strcmp(name, "--dest") == 0) {
      options->destFolder = argv[++i];
    } else if (std::strcmp(name, "--start-menu") == 0) {
      options->startMenuFolder = argv[++i];
    } else if (std::strcmp(name, "--log") == 0) {
      options->logFile = argv[++i];
    } else if (std::strcmp(name, "--hold") == 0) {
      options->held.push_back(argv[++i]);
    } else if (std::strcmp(name, "--fail-call") == 0) {
      options->failCall = std::atoi(argv[++i]);
    } else if (std::strcmp(name, "--change-bytes") == 0 && i + 2 < argc) {
      options->changeOffset = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 0));
      const std::string hex = argv[++i];
      for (size_t at = 0; at + 1 < hex.size(); at += 2)
        options->changedBytes += static_cast<char>(std::strtoul(hex.substr(at, 2).c_str(), nullptr, 16));
    } else if (std::strcmp(name, "--fail-name") == 0) {
      options->failName = argv[++i];
    } else if (std::strcmp(name, "--wait-running") == 0) {
      options->waitRunning = argv[++i];
    } else if (std::strcmp(name, "--error") == 0) {
      options->error = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 0));
    } else {
      return Fail("unknown option: ", name);
    }
  }
  if (options->command == "install" &&
      (options->package.empty() || options->destFolder.empty() || options->startMenuFolder.empty())) {
    return Fail("install needs --package, --dest and --start-menu", nullptr);
  }
  if (options->command == "package" && options->package.empty()) return Fail("package needs --package", nullptr);
  return true;
}
