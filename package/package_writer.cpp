#include "package/package_writer.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "package/package_format.h"

namespace {

uint32_t CheckedSize(uint64_t size, const char* what) {
  if (size > UINT32_MAX) throw std::length_error(what);
  return uint32_t(size);
}

}  // namespace

std::vector<uint8_t> CompressContent(const uint8_t* data, size_t size, int level) {
  uLong inputSize = CheckedSize(size, "content of 4 GiB or more");
  std::vector<uint8_t> out(compressBound(inputSize));
  uLongf outSize = uLongf(out.size());
  if (compress2(out.data(), &outSize, data, inputSize, level) != Z_OK) throw std::runtime_error("deflate failed");
  out.resize(outSize);
  return out;
}

PackageItem MakePackageItem(const std::string& name, const std::vector<uint8_t>& content, int level) {
  PackageItem item;
  item.name = name;
  item.compressed = CompressContent(content.data(), content.size(), level);
  Md5Digest(content.data(), content.size(), item.contentDigest);
  return item;
}

std::vector<uint8_t> EncodeEntry(const PackageItem& item) {
  uint32_t nameLength = CheckedSize(item.name.size(), "name of 4 GiB or more");
  uint32_t compressedSize = CheckedSize(item.compressed.size(), "compressed content of 4 GiB or more");
  std::vector<uint8_t> entry(kPackageEntryHeadSize + size_t(nameLength) + compressedSize);
  uint8_t* head = entry.data();
  WriteLe32(head + offsetof(PackageEntryHead, compressedSize), compressedSize);
  WriteLe32(head + offsetof(PackageEntryHead, nameLength), nameLength);
  std::memcpy(head + offsetof(PackageEntryHead, contentDigest), item.contentDigest, kMd5DigestSize);
  if (nameLength != 0) std::memcpy(head + kPackageEntryHeadSize, item.name.data(), nameLength);
  if (compressedSize != 0) std::memcpy(head + kPackageEntryHeadSize + nameLength, item.compressed.data(), compressedSize);
  return entry;
}

std::vector<uint8_t> EncodeHeader(uint8_t key, const std::vector<uint8_t>& area, uint32_t entryCount) {
  std::vector<uint8_t> header(kPackageHeaderSize);
  std::memcpy(header.data(), kPackageMagic, kPackageMagicSize);
  header[offsetof(PackageHeader, key)] = key;
  for (size_t i = 0; i < kPackageCheckFieldSize; ++i) {
    header[offsetof(PackageHeader, checkField) + i] = CheckFieldByte(header.data(), i);
  }
  WriteLe32(header.data() + offsetof(PackageHeader, areaLength), CheckedSize(area.size(), "entry area of 4 GiB or more"));
  WriteLe32(header.data() + offsetof(PackageHeader, entryCount), entryCount);
  Md5Digest(area.data(), area.size(), header.data() + offsetof(PackageHeader, areaDigest));
  return header;
}

std::vector<uint8_t> BuildPackage(const std::vector<PackageItem>& items, uint8_t key) {
  uint64_t areaSize = 0;
  for (const PackageItem& item : items) {
    areaSize += kPackageEntryHeadSize + uint64_t(item.name.size()) + item.compressed.size();
  }
  CheckedSize(areaSize, "entry area of 4 GiB or more");
  std::vector<uint8_t> area;
  area.reserve(size_t(areaSize));
  for (const PackageItem& item : items) {
    std::vector<uint8_t> entry = EncodeEntry(item);
    area.insert(area.end(), entry.begin(), entry.end());
  }
  std::vector<uint8_t> package = EncodeHeader(key, area, CheckedSize(items.size(), "too many entries"));
  package.insert(package.end(), area.begin(), area.end());
  return package;
}
