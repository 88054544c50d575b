// setuppack list: the entries of the package, as the setup would read them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/setuppack/arguments.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/file_name.h"
#include "tools/setuppack/package_loader.h"

namespace {

const char kListUsage[] =
    "Usage: setuppack list FILE\n"
    "Finds the package in FILE (a setup executable or a bare package) exactly as\n"
    "the setup does and prints, for each entry in package order, its size, its\n"
    "compressed size, the MD5 digest of its content and its name. Exits 1 with\n"
    "the status when the setup would reject the package.\n";

}  // namespace

int RunList(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  std::string error;
  if (!ParseArguments(args, {}, &parsed, &error)) return UsageError("list", error);
  if (parsed.help) {
    std::fputs(kListUsage, stdout);
    return kExitOk;
  }
  if (parsed.operands.size() != 1) return UsageError("list", "expected one FILE");
  const std::string& path = parsed.operands[0];

  LoadedPackage package = LoadPackage(path, false);
  if (package.status != kPackageOk) return Failure(path + ": " + DescribeRejection(package));

  const PackageParseReport& report = package.report;
  std::printf("package at offset %u, key 0x%02x, %u entries, area of %u bytes\n", report.headerOffset, report.key,
              report.entryCount, report.areaLength);
  std::printf("%10s  %10s  %-32s  %s\n", "size", "compressed", "md5", "name");
  for (const LoadedEntry& entry : package.entries) {
    std::printf("%10u  %10u  %s  %s\n", entry.size, entry.compressedSize, Md5Hex(entry.digest).c_str(),
                PrintableName(entry.name).c_str());
  }
  return kExitOk;
}
