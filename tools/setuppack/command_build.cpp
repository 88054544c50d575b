// setuppack build: compress the files, write the package, append it to a
// copy of the setup executable.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "package/package_file_store.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "tools/setuppack/arguments.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/executable_signature.h"
#include "tools/setuppack/file_name.h"
#include "tools/setuppack/file_system.h"

namespace {

const char kBuildUsage[] =
    "Usage: setuppack build -o OUT [--setup SETUP_EXE] [--key N] FILE...\n"
    "Compresses each FILE (zlib, best compression) into a package whose entries\n"
    "are named by the files' base names, in the order given. With --setup the\n"
    "package is appended to a copy of SETUP_EXE (padded with zeros to a multiple\n"
    "of 512 bytes first); without it OUT is the bare package. The same inputs\n"
    "always give the same bytes.\n"
    "\n"
    "  -o, --output OUT   the file to write (replaced if it exists)\n"
    "  --setup SETUP_EXE  the setup executable to append the package to\n"
    "  --key N            the header's key byte, 0 to 255 or 0x00 to 0xff\n"
    "                     (default 0x5a)\n"
    "\n"
    "Refuses, writing nothing: two files with the same name, an empty file, a\n"
    "name that cannot be a Windows file name, an unreadable file, a setup that\n"
    "already carries a package or a signature (sign after packing), and anything\n"
    "beyond the format's 32-bit sizes.\n";

constexpr uint8_t kDefaultKey = 0x5a;
constexpr size_t kFileAlignment = 512;

bool ParseKey(const std::string& text, uint8_t* key) {
  if (text.empty()) return false;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = text.c_str() + (hex ? 2 : 0);
  char* end = nullptr;
  unsigned long value = std::strtoul(digits, &end, hex ? 16 : 10);
  if (*digits == '\0' || *digits == '-' || *digits == '+' || *end != '\0' || value > 255) return false;
  *key = uint8_t(value);
  return true;
}

// Reads and compresses every input; false after printing each refusal.
bool MakeItems(const std::vector<std::string>& files, std::vector<PackageItem>* items) {
  bool ok = true;
  std::set<std::string> names;
  for (const std::string& path : files) {
    std::string name = BaseName(path);
    std::string unsafe = UnsafeNameReason(name);
    if (!unsafe.empty()) {
      Failure(path + ": cannot be an entry: " + unsafe);
      ok = false;
      continue;
    }
    if (!names.insert(name).second) {
      Failure(path + ": a second file named '" + name + "'; entry names must be unique");
      ok = false;
      continue;
    }
    std::vector<uint8_t> content;
    std::string error;
    switch (ReadWholeFile(path, UINT32_MAX, &content, &error)) {
      case ReadResult::kOk:
        break;
      case ReadResult::kFailed:
        Failure("cannot read " + error);
        ok = false;
        continue;
      case ReadResult::kTooLarge:
        Failure(path + ": 4 GiB or larger; entry sizes are 32-bit");
        ok = false;
        continue;
    }
    if (content.empty()) {
      Failure(path + ": is empty; the setup rejects a package with an empty entry");
      ok = false;
      continue;
    }
    if (ok) items->push_back(MakePackageItem(name, content, kBestCompression));
  }
  return ok;
}

// The setup executable padded to the file alignment, or an empty image
// without one; false after printing the refusal.
bool ReadSetup(const ParsedArguments& parsed, std::vector<uint8_t>* image) {
  auto setup = parsed.options.find("--setup");
  if (setup == parsed.options.end()) return true;
  std::string error;
  switch (ReadWholeFile(setup->second, UINT32_MAX, image, &error)) {
    case ReadResult::kOk:
      break;
    case ReadResult::kFailed:
      Failure("cannot read " + error);
      return false;
    case ReadResult::kTooLarge:
      Failure(setup->second + ": 4 GiB or larger");
      return false;
  }
  uint32_t existing = 0;
  if (FindPackageHeader(image->data(), uint32_t(image->size()), &existing)) {
    Failure(setup->second + ": already carries a package (header at offset " + std::to_string(existing) +
            "); the setup would read that one. Use the bare setup executable.");
    return false;
  }
  if (CarriesSignature(*image)) {
    Failure(setup->second + ": already carries a signature, which a package appended after it would break."
            " Pack the unsigned setup executable and sign the result.");
    return false;
  }
  image->resize((image->size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment, 0);
  return true;
}

class CCountingSink : public CPackageEntrySink {
 public:
  int32_t Accept(const PackageEntryView&, std::unique_ptr<uint8_t[]>, uint32_t) override {
    ++m_count;
    return kPackageOk;
  }
  uint32_t m_count = 0;
};

// Opens the finished image as the setup would; false when it would not find
// exactly this package.
bool SetupWouldOpen(const std::vector<uint8_t>& image, uint32_t packageOffset, size_t entryCount) {
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  CCountingSink sink;
  PackageParseReport report;
  int32_t status =
      UnpackPackage(image.data(), uint32_t(image.size()), buffer.data(), uint32_t(buffer.size()), sink, &report);
  return status == kPackageOk && report.headerOffset == packageOffset && sink.m_count == entryCount;
}

}  // namespace

int RunBuild(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  std::string error;
  const std::vector<OptionSpec> specs = {{"--output", "-o", true}, {"--setup", nullptr, true}, {"--key", nullptr, true}};
  if (!ParseArguments(args, specs, &parsed, &error)) return UsageError("build", error);
  if (parsed.help) {
    std::fputs(kBuildUsage, stdout);
    return kExitOk;
  }
  auto output = parsed.options.find("--output");
  if (output == parsed.options.end() || output->second.empty()) return UsageError("build", "missing -o OUT");
  if (parsed.operands.empty()) return UsageError("build", "no files to pack");
  uint8_t key = kDefaultKey;
  auto keyOption = parsed.options.find("--key");
  if (keyOption != parsed.options.end() && !ParseKey(keyOption->second, &key)) {
    return UsageError("build", "key '" + keyOption->second + "' is not a number from 0 to 255");
  }

  std::vector<PackageItem> items;
  std::vector<uint8_t> image;
  if (!MakeItems(parsed.operands, &items) || !ReadSetup(parsed, &image)) {
    return Failure("nothing written");
  }
  std::vector<uint8_t> package;
  try {
    package = BuildPackage(items, key);
  } catch (const std::length_error& tooLarge) {
    return Failure(std::string("the package is too large: ") + tooLarge.what() + "; nothing written");
  }
  uint32_t packageOffset = uint32_t(image.size());
  if (package.size() > UINT32_MAX - image.size()) {
    return Failure("the setup would be 4 GiB or larger; nothing written");
  }
  image.insert(image.end(), package.begin(), package.end());
  if (!SetupWouldOpen(image, packageOffset, items.size())) {
    return Failure("the setup would not open the package written; nothing written");
  }
  if (!WriteFileReplacing(output->second, image.data(), image.size(), parsed.options.count("--setup") != 0, &error)) {
    return Failure("cannot write " + error);
  }
  std::printf("%s: %zu entries, package of %zu bytes at offset %u, key 0x%02x\n", output->second.c_str(),
              items.size(), package.size(), packageOffset, key);
  return kExitOk;
}
