// setuppack verify: would the setup open this package?
#include <cstdio>
#include <string>
#include <vector>

#include "tools/setuppack/arguments.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/package_loader.h"

namespace {

const char kVerifyUsage[] =
    "Usage: setuppack verify FILE\n"
    "Opens the package in FILE exactly as the setup does. Prints \"ok\" and exits 0\n"
    "when the setup would open it (status 0); otherwise prints the status, its\n"
    "meaning and the first fault found, and exits 1. Statuses: -1 the file could\n"
    "not be read, -2 the package is damaged, -3 memory exhausted.\n";

}  // namespace

int RunVerify(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  std::string error;
  if (!ParseArguments(args, {}, &parsed, &error)) return UsageError("verify", error);
  if (parsed.help) {
    std::fputs(kVerifyUsage, stdout);
    return kExitOk;
  }
  if (parsed.operands.size() != 1) return UsageError("verify", "expected one FILE");
  const std::string& path = parsed.operands[0];

  LoadedPackage package = LoadPackage(path, false);
  if (package.status != kPackageOk) return Failure(path + ": " + DescribeRejection(package));
  std::puts("ok");
  return kExitOk;
}
