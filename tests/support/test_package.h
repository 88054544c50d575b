#pragma once
// Packages built in memory for tests, so the engine's store can be filled
// without a setup executable.

#include <string>
#include <utility>
#include <vector>

#include "package/package_file_store.h"

using PackageFiles = std::vector<std::pair<std::string, std::string>>;  // name, content

// Builds a package of the files and parses it into the store; the store's status.
int32_t FillStore(CPackageFileStore& store, const PackageFiles& files);
// The same through a package file written to `path` and opened as the setup
// opens its own, with its limits on what is kept in memory.
int32_t OpenStoreFile(CPackageFileStore& store, const PackageFiles& files, const std::string& path);
// Every file the product's package carries, each with a short distinct content.
PackageFiles ProductPackageFiles();
// The same without the named file.
PackageFiles ProductPackageFilesWithout(const std::string& name);
