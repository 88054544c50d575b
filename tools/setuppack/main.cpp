// setuppack: the release engineers' tool to make and inspect setups.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/setuppack/arguments.h"
#include "tools/setuppack/commands.h"

namespace {

const char kUsage[] =
    "Usage: setuppack COMMAND [OPTIONS] ARGUMENTS\n"
    "Makes and inspects Velmora setups: the setup executable with its package\n"
    "of product files appended.\n"
    "\n"
    "Commands:\n"
    "  build -o OUT [--setup SETUP_EXE] [--key N] FILE...\n"
    "                        pack the files and append them to a copy of SETUP_EXE\n"
    "  list FILE             show every entry of the package in FILE\n"
    "  verify FILE           check that the setup would open the package in FILE\n"
    "  extract FILE -d DIR   write every entry of the package into DIR\n"
    "\n"
    "'setuppack COMMAND --help' describes a command.\n"
    "Exit status: 0 done, 1 failed or package rejected, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (command == "build") return RunBuild(args);
  if (command == "list") return RunList(args);
  if (command == "verify") return RunVerify(args);
  if (command == "extract") return RunExtract(args);
  std::fprintf(stderr, "setuppack: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return kExitUsage;
}
