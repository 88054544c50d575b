// The PE headers as far as the certificate table: the DOS header's pointer
// to the PE signature, the COFF header, and the optional header's data
// directories, whose fifth entry is the certificate table (a file offset and
// a size, both zero when the file is unsigned).
#include "tools/setuppack/executable_signature.h"

#include "package/package_format.h"

namespace {

constexpr size_t kDosPeOffsetField = 0x3c;
constexpr size_t kCoffHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr uint32_t kCertificateTableIndex = 4;
constexpr size_t kDataDirectorySize = 8;

uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

bool CarriesSignature(const std::vector<uint8_t>& image) {
  const size_t size = image.size();
  if (size < kDosPeOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') return false;
  const size_t pe = ReadLe32(image.data() + kDosPeOffsetField);
  const size_t optional = pe + 4 + kCoffHeaderSize;
  if (pe > size || size - pe < 4 + kCoffHeaderSize + 2) return false;
  if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0) return false;

  size_t countField;
  switch (ReadLe16(image.data() + optional)) {
    case kPe32Magic:
      countField = optional + 92;
      break;
    case kPe32PlusMagic:
      countField = optional + 108;
      break;
    default:
      return false;
  }
  const size_t directories = countField + 4;
  const size_t entry = directories + kCertificateTableIndex * kDataDirectorySize;
  if (entry + kDataDirectorySize > size) return false;
  if (ReadLe32(image.data() + countField) <= kCertificateTableIndex) return false;
  const uint32_t offset = ReadLe32(image.data() + entry);
  const uint32_t length = ReadLe32(image.data() + entry + 4);
  return offset != 0 && length != 0;
}
