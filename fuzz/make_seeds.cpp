// Writes the seed corpus of the fuzz target into a folder (fuzz/corpus):
// small setups and entry areas covering the format's cases.
#include <cstdio>
#include <string>
#include <vector>

#include "package/package_writer.h"
#include "tests/host/package_samples.h"

namespace {

void Write(const std::string& folder, const std::string& name, uint8_t mode, const std::vector<uint8_t>& bytes) {
  std::string path = folder + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fputc(mode, file);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The entry area of a package: everything after its header.
std::vector<uint8_t> Area(const std::vector<PackageItem>& items) {
  std::vector<uint8_t> package = Package(items);
  return std::vector<uint8_t>(package.begin() + 88, package.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  std::vector<PackageItem> small = {MakePackageItem("license.rtf", Bytes("{\\rtf1 license}")),
                                    MakePackageItem("readme.txt", NumberedLines(4)),
                                    MakePackageItem("velctl.sys", PseudoRandomBytes(64, 11))};
  std::vector<PackageItem> duplicate = {MakePackageItem("readme.txt", Bytes("earlier")),
                                        MakePackageItem("readme.txt", Bytes("later"))};
  std::vector<PackageItem> stored = {MakePackageItem("stored.bin", PseudoRandomBytes(200, 5), 0)};
  std::vector<PackageItem> empty = {MakePackageItem("empty.txt", {})};

  Write(folder, "setup-with-decoy", 0, Concatenate(FakeExecutable(256), Package(small)));
  Write(folder, "bare-package", 0, Package(small));
  Write(folder, "empty-package", 0, Package({}));
  Write(folder, "duplicate-names", 0, Package(duplicate));
  Write(folder, "decoy-only", 0, FakeExecutable(128));
  Write(folder, "area-fixed-digests", 3, Area(small));
  Write(folder, "area-stored-block", 3, Area(stored));
  Write(folder, "area-empty-content", 3, Area(empty));
  Write(folder, "area-one-entry-short", 7, Area(duplicate));
  Write(folder, "area-raw", 1, Area(small));
  return 0;
}
