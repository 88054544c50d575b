#pragma once
// The unpacked installation package: every entry of the package appended to
// the setup executable, verified and inflated into memory, served by exact
// (case-sensitive) name. All-or-nothing: after a failure the index is empty
// and the status says why. Never throws.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "package/package_status.h"

class CPackageFileStore {
 public:
  enum : int32_t {
    kOk = kPackageOk,
    kReadFailed = kPackageReadFailed,  // own path not obtained, file not opened, short read
    kDamaged = kPackageDamaged,        // no valid header, digest mismatch, entry not inflated
    kNoMemory = kPackageNoMemory,      // an allocation failed
  };
  static constexpr uint32_t kInflateBufferSize = 16384;

  // Allocates the inflate buffer; status kNoMemory when that fails.
  CPackageFileStore() noexcept;
  ~CPackageFileStore();
  CPackageFileStore(const CPackageFileStore&) = delete;
  CPackageFileStore& operator=(const CPackageFileStore&) = delete;

#ifdef _WIN32
  // Reads the running executable and parses its package; returns the status.
  int32_t Open() noexcept;
  // The steps of Open after the executable's path is known: open the file,
  // read it whole, parse. Tests use it with any path.
  int32_t OpenPath(const char* path) noexcept;
#endif
  // Parses a whole file image already in memory; returns the status.
  int32_t ParseImage(const uint8_t* image, uint32_t size) noexcept;

  // Exact-name lookup. On success sets both outputs to a read-only view that
  // stays valid until Release, a later Open, or destruction.
  bool Lookup(const std::string& name, const uint8_t** content, uint32_t* size) const noexcept;
  // The entry's unpacked size as the package's index records it; false when
  // there is no such entry.
  bool EntrySize(const std::string& name, uint32_t* size) const noexcept;
  // Frees every content buffer and empties the index; the status stays.
  void Release() noexcept;

  int32_t Status() const noexcept { return m_status; }
  size_t EntryCount() const noexcept { return m_index.size(); }

 private:
  struct Content {
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;
  };
  class CIndexSink;

  // Ends a failed open or parse: the index is emptied, the status kept.
  int32_t Finish(int32_t status) noexcept;

  int32_t m_status = kOk;
  std::unique_ptr<uint8_t[]> m_inflateBuffer;
  uint32_t m_inflateBufferSize = 0;
  std::map<std::string, Content> m_index;
};
