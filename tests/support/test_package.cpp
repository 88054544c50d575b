#include "tests/support/test_package.h"

#include "base/product.h"
#include "package/package_writer.h"

int32_t FillStore(CPackageFileStore& store, const PackageFiles& files) {
  std::vector<PackageItem> items;
  for (const auto& file : files) {
    items.push_back(MakePackageItem(file.first, std::vector<uint8_t>(file.second.begin(), file.second.end())));
  }
  const std::vector<uint8_t> image = BuildPackage(items, 0x5A);
  return store.ParseImage(image.data(), static_cast<uint32_t>(image.size()));
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
