#include "tests/support/test_package.h"

#include "base/product.h"
#include "package/package_writer.h"
#include "tests/support/test_files.h"

namespace {
std::vector<uint8_t> PackageOf(const PackageFiles& files) {
  std::vector<PackageItem> items;
  for (const auto& file : files) {
    items.push_back(MakePackageItem(file.first, std::vector<uint8_t>(file.second.begin(), file.second.end())));
  }
  return BuildPackage(items, 0x5A);
}
}  // namespace

int32_t FillStore(CPackageFileStore& store, const PackageFiles& files) {
  const std::vector<uint8_t> image = PackageOf(files);
  return store.ParseImage(image.data(), static_cast<uint32_t>(image.size()));
}

int32_t OpenStoreFile(CPackageFileStore& store, const PackageFiles& files, const std::string& path) {
  const std::vector<uint8_t> image = PackageOf(files);
  if (!WriteWholeFile(path, std::string(image.begin(), image.end()))) return kPackageReadFailed;
  return store.OpenPath(path.c_str());
}

PackageFiles ProductPackageFiles() {
  const std::string names[] = {
      product::kControlDriverFile, product::kMonitorDriverFile, product::kProgramFile,
      std::string(product::kStubFilePrefix) + product::kStubFileSuffix,
      product::kLicenseTextFile,   product::kReadmeFile,        product::kUninstallerFile,
      product::kHelpFile,          product::kLicenseRtfFile,
  };
  PackageFiles files;
  for (const std::string& name : names) files.emplace_back(name, "content of " + name + "\r\n");
  return files;
}

PackageFiles ProductPackageFilesWithout(const std::string& name) {
  PackageFiles files;
  for (auto& file : ProductPackageFiles()) {
    if (file.first != name) files.push_back(std::move(file));
  }
  return files;
}
