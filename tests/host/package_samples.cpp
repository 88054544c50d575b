#include "tests/host/package_samples.h"

#include <cstring>

#include "package/md5.h"
#include "package/package_format.h"

std::vector<uint8_t> PseudoRandomBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> bytes(n);
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = uint8_t(x >> 24);
  }
  return bytes;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> NumberedLines(size_t lines) {
  std::string text;
  for (size_t i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + " of the Velmora readme\r\n";
  return Bytes(text);
}

std::vector<uint8_t> FakeExecutable(size_t size) {
  std::vector<uint8_t> image = PseudoRandomBytes(size, 0x4d5a9000);
  image[0] = 'M';
  image[1] = 'Z';
  size_t at = size / 2;
  std::memcpy(image.data() + at, kPackageMagic, kPackageMagicSize + 1);  // with its zero
  return image;
}

std::vector<uint8_t> Package(const std::vector<PackageItem>& items) { return BuildPackage(items, 0x5a); }

std::vector<uint8_t> SampleContent(const std::string& name) {
  if (name == "license.rtf") return Bytes("{\\rtf1\\ansi Velmora license agreement.\\par}");
  if (name == "readme.txt") return NumberedLines(40);
  return PseudoRandomBytes(3000, 0x00c0ffee);
}

std::vector<PackageItem> SampleItems() {
  std::vector<PackageItem> items;
  for (const char* name : {"license.rtf", "readme.txt", "velmora.exe"}) {
    items.push_back(MakePackageItem(name, SampleContent(name)));
  }
  return items;
}

std::vector<uint8_t> Concatenate(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  std::vector<uint8_t> joined(a);
  joined.insert(joined.end(), b.begin(), b.end());
  return joined;
}

void FixAreaDigest(std::vector<uint8_t>& image, size_t headerOffset) {
  uint8_t* header = image.data() + headerOffset;
  uint32_t areaLength = ReadLe32(header + offsetof(PackageHeader, areaLength));
  Md5Digest(header + kPackageHeaderSize, areaLength, header + offsetof(PackageHeader, areaDigest));
}

void PutLe32(std::vector<uint8_t>& image, size_t offset, uint32_t value) { WriteLe32(image.data() + offset, value); }
