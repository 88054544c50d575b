#pragma once
// What InstallFile writes into the file it has opened: a content in memory,
// written with one call, or a package entry too large to have been kept,
// inflated once more from the package file and written block by block while
// its digest is checked again.

#include <windows.h>

#include <cstdint>
#include <string>

#include "package/package_file_store.h"

class CFileContent {
 public:
  // size bytes at data (data may be null when size is 0).
  CFileContent(const uint8_t* data, uint32_t size) : m_data(data), m_size(size) {}
  // A package entry; packagePath is the file the store read it from.
  CFileContent(const CPackageFileStore::Entry& entry, const std::string& packagePath)
      : m_data(entry.data), m_size(entry.size), m_entry(&entry), m_packagePath(packagePath) {}

  // Truncates file and writes the content; false with the last error set
  // when a write failed or came up short, or (ERROR_INVALID_DATA) when the
  // package file no longer gives the content that was verified.
  bool WriteTo(HANDLE file) const;

 private:
  // The entry's stream, from the package file into file.
  bool WriteFromPackage(HANDLE file) const;

  const uint8_t* m_data;
  uint32_t m_size;
  const CPackageFileStore::Entry* m_entry = nullptr;
  std::string m_packagePath;
};
