#pragma once
// Where a package's bytes come from: the setup's own file, read in blocks,
// or a whole image already in memory (the package tool, the tests). Offsets
// are 32-bit: the setup reads files below 4 GiB only.

#include <cstdint>

class IPackageSource {
 public:
  virtual ~IPackageSource() = default;
  // Copies n bytes from offset into buffer; false when not all of them could
  // be read (the bounds are the caller's to check against Size).
  virtual bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) = 0;
  // The number of bytes the source holds.
  virtual uint32_t Size() const = 0;
  // The n bytes at offset in place, when the source holds them in memory
  // (saves a copy); null otherwise. Bounds as for Read.
  virtual const uint8_t* View(uint32_t offset, uint32_t n) {
    (void)offset;
    (void)n;
    return nullptr;
  }
  // The n bytes at offset: in place where the source can, else read into
  // buffer; null when they cannot be read.
  const uint8_t* Bytes(uint32_t offset, uint32_t n, uint8_t* buffer) {
    const uint8_t* view = View(offset, n);
    if (view != nullptr) return view;
    return Read(offset, buffer, n) ? buffer : nullptr;
  }
};

// An image in memory; reads never fail within its bounds. Safe to read from
// two threads at once.
class CMemorySource : public IPackageSource {
 public:
  CMemorySource(const uint8_t* image, uint32_t size) : m_image(image), m_size(size) {}
  bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) override;
  uint32_t Size() const override { return m_size; }
  const uint8_t* View(uint32_t offset, uint32_t n) override;

 private:
  const uint8_t* m_image;
  uint32_t m_size;
};
