// setuppack extract: every entry of the package into one folder.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/setuppack/arguments.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/file_name.h"
#include "tools/setuppack/file_system.h"
#include "tools/setuppack/package_loader.h"

namespace {

const char kExtractUsage[] =
    "Usage: setuppack extract FILE -d DIR\n"
    "Opens the package in FILE exactly as the setup does and writes every entry\n"
    "into DIR (created when missing) under its name, replacing files of the same\n"
    "name; of two entries with one name the later wins, as in the setup. Nothing\n"
    "is ever written outside DIR: when an entry's name is not a plain file name\n"
    "(a folder part, \"..\", a drive, a Windows device name) nothing is extracted.\n"
    "\n"
    "  -d, --directory DIR  the folder to write into\n";

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  std::string error;
  if (!ParseArguments(args, {{"--directory", "-d", true}}, &parsed, &error)) return UsageError("extract", error);
  if (parsed.help) {
    std::fputs(kExtractUsage, stdout);
    return kExitOk;
  }
  if (parsed.operands.size() != 1) return UsageError("extract", "expected one FILE");
  auto directory = parsed.options.find("--directory");
  if (directory == parsed.options.end() || directory->second.empty()) return UsageError("extract", "missing -d DIR");
  const std::string& path = parsed.operands[0];
  const std::string& folder = directory->second;

  LoadedPackage package = LoadPackage(path, true);
  if (package.status != kPackageOk) return Failure(path + ": " + DescribeRejection(package));
  for (const LoadedEntry& entry : package.entries) {
    std::string unsafe = UnsafeNameReason(entry.name);
    if (!unsafe.empty()) {
      return Failure(path + ": entry \"" + PrintableName(entry.name) + "\" cannot be written as a file: " + unsafe +
                     "; nothing extracted");
    }
  }
  if (!MakeDirectories(folder, &error)) return Failure("cannot create " + error);
  for (const LoadedEntry& entry : package.entries) {
    if (!WriteFileReplacing(JoinPath(folder, entry.name), entry.content.get(), entry.size, false, &error)) {
      return Failure("cannot write " + error);
    }
  }
  std::printf("%zu entries extracted into %s\n", package.entries.size(), folder.c_str());
  return kExitOk;
}
