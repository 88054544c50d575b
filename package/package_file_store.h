#pragma once
// The unpacked installation package: every entry of the package appended to
// the setup executable, verified, served by exact (case-sensitive) name.
// Small contents are kept in memory; a large one is verified and then only
// located, for the installation to inflate again from the file. All-or-
// nothing: after a failure the index is empty and the status says why.
// Never throws.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "package/package_reader.h"
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
  // What an open of the setup's file keeps in memory: no content above
  // kKeepLimit bytes, and no more than kKeepBudget bytes in all; but
  // "license.rtf", which the license page shows, is always kept.
  static constexpr uint32_t kKeepLimit = 4u << 20;
  static constexpr uint32_t kKeepBudget = 16u << 20;

  // One entry: its content when kept (else null), size, digest and where its
  // stream lies in the file the store opened.
  struct Entry {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint8_t digest[16] = {};
    uint32_t compressedOffset = 0;
    uint32_t compressedSize = 0;
  };

  // Allocates the inflate buffer; status kNoMemory when that fails.
  CPackageFileStore() noexcept;
  ~CPackageFileStore();
  CPackageFileStore(const CPackageFileStore&) = delete;
  CPackageFileStore& operator=(const CPackageFileStore&) = delete;

#ifdef _WIN32
  // Reads the running executable and parses its package; returns the status.
  int32_t Open() noexcept;
  // The steps of Open after the executable's path is known: open the file
  // and parse it in blocks, the content digests on a thread of their own
  // beside the inflater. Tests use it with any path.
  int32_t OpenPath(const char* path) noexcept;
#endif
  // Parses a whole file image already in memory, keeping every content;
  // returns the status.
  int32_t ParseImage(const uint8_t* image, uint32_t size) noexcept;

  // Exact-name lookup of a kept content. On success sets both outputs to a
  // read-only view that stays valid until Release, a later Open, or
  // destruction. With content null it asks for the size only, and finds
  // every entry, kept or not.
  bool Lookup(const std::string& name, const uint8_t** content, uint32_t* size) const noexcept;
  // Exact-name lookup of any entry; null when there is none. Valid as
  // Lookup's views are.
  const Entry* Find(const std::string& name) const noexcept;
  // The file the entries were read from; empty after ParseImage.
  const std::string& Path() const noexcept { return m_path; }
  // How far the current or last open has come, in percent of its reading;
  // the size of its area in totalBytes (0 until the header is found). Any
  // thread.
  uint32_t Progress(uint32_t* totalBytes) const noexcept;
  // Frees every content buffer and empties the index; the status stays.
  void Release() noexcept;

  int32_t Status() const noexcept { return m_status; }
  size_t EntryCount() const noexcept { return m_index.size(); }

 private:
  struct Content {
    std::unique_ptr<uint8_t[]> data;
    Entry entry;
  };
  class CIndexSink;

  // Parses the package into the index and finishes with its status.
  int32_t Parse(IPackageSource& areaSource, IPackageSource& entrySource, const PackageUnpackOptions& options) noexcept;
  // Ends a failed open or parse: the index is emptied, the status kept.
  int32_t Finish(int32_t status) noexcept;

  int32_t m_status = kOk;
  std::string m_path;
  PackageProgress m_progress;
  std::unique_ptr<uint8_t[]> m_inflateBuffer;
  uint32_t m_inflateBufferSize = 0;
  std::map<std::string, Content> m_index;
};
