#include "tools/setuppack/package_loader.h"

#include <cstdio>
#include <cstring>
#include <thread>

#include "package/package_file_store.h"
#include "tools/setuppack/file_name.h"
#include "tools/setuppack/file_system.h"

namespace {

class CLoaderSink : public CPackageEntrySink {
 public:
  CLoaderSink(std::vector<LoadedEntry>& entries, bool keepContents) : m_entries(entries), m_keep(keepContents) {}
  int32_t Accept(const PackageEntryView& entry, std::unique_ptr<uint8_t[]> content, uint32_t size) override {
    LoadedEntry loaded;
    loaded.name.assign(reinterpret_cast<const char*>(entry.name), entry.nameLength);
    loaded.size = size;
    loaded.compressedSize = entry.compressedSize;
    std::memcpy(loaded.digest, entry.contentDigest, kMd5DigestSize);
    if (m_keep) loaded.content = std::move(content);
    m_entries.push_back(std::move(loaded));
    return kPackageOk;
  }

 private:
  std::vector<LoadedEntry>& m_entries;
  bool m_keep;
};

bool IsEntryFault(PackageFault fault) {
  return fault == PackageFault::kEntryOutsideArea || fault == PackageFault::kEntryNotInflated ||
         fault == PackageFault::kEntryEmpty || fault == PackageFault::kEntryDigestMismatch ||
         fault == PackageFault::kEntryTooLarge;
}

}  // namespace

LoadedPackage LoadPackage(const std::string& path, bool keepContents) {
  LoadedPackage package;
  std::vector<uint8_t> image;
  // The setup reads files below 4 GiB only.
  switch (ReadWholeFile(path, UINT32_MAX, &image, &package.readError)) {
    case ReadResult::kOk:
      break;
    case ReadResult::kFailed:
      return package;
    case ReadResult::kTooLarge:
      package.readError = path + ": 4 GiB or more";
      return package;
  }
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  CLoaderSink sink(package.entries, keepContents);
  CMemorySource source(image.data(), uint32_t(image.size()));
  PackageUnpackOptions options;
  if (!keepContents) {
    // Only the verdict is wanted: nothing is gathered, and the work is shared
    // by the threads the setup would use.
    options.keepLimit = 0;
    options.keepBudget = 0;
    options.helperThreads = std::thread::hardware_concurrency() > 1 ? 2 : 0;
  }
  package.status =
      UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options, &package.report);
  package.faultEntryName = package.report.faultEntryName;
  return package;
}

std::string DescribeRejection(const LoadedPackage& package) {
  std::string text = "status " + std::to_string(package.status) + ": " + PackageStatusMeaning(package.status);
  if (package.status == kPackageReadFailed) return text + " (" + package.readError + ")";
  const PackageParseReport& report = package.report;
  if (IsEntryFault(report.fault)) {
    text += " (entry " + std::to_string(report.faultEntry + 1) + " of " + std::to_string(report.entryCount);
    if (report.fault != PackageFault::kEntryOutsideArea) text += " \"" + PrintableName(package.faultEntryName) + "\"";
    text += ": ";
  } else {
    text += " (";
  }
  return text + DescribePackageFault(report.fault) + ")";
}
