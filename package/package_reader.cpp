#include "package/package_reader.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "package/growing_buffer.h"
#include "package/inflate_entry.h"
#include "package/md5.h"
#include "package/package_format.h"

namespace {

bool CheckFieldIsValid(const uint8_t* header) {
  const uint8_t* check = header + offsetof(PackageHeader, checkField);
  for (size_t i = 0; i < kPackageCheckFieldSize; ++i) {
    if (check[i] != CheckFieldByte(header, i)) return false;
  }
  return true;
}

// Takes the entry at the start of the area's remaining bytes; false when its
// head, name or stream would run past them.
bool TakeEntry(const uint8_t*& cursor, uint32_t& left, PackageEntryView* entry) {
  if (left < kPackageEntryHeadSize) return false;
  uint32_t compressedSize = ReadLe32(cursor + offsetof(PackageEntryHead, compressedSize));
  uint32_t nameLength = ReadLe32(cursor + offsetof(PackageEntryHead, nameLength));
  uint32_t afterHead = left - uint32_t(kPackageEntryHeadSize);
  if (nameLength > afterHead || compressedSize > afterHead - nameLength) return false;

  entry->contentDigest = cursor + offsetof(PackageEntryHead, contentDigest);
  entry->name = cursor + kPackageEntryHeadSize;
  entry->nameLength = nameLength;
  entry->compressed = entry->name + nameLength;
  entry->compressedSize = compressedSize;
  uint32_t entrySize = uint32_t(kPackageEntryHeadSize) + nameLength + compressedSize;
  cursor += entrySize;
  left -= entrySize;
  return true;
}

int32_t Fail(PackageParseReport* report, PackageFault fault, uint32_t entry = 0) {
  report->fault = fault;
  report->faultEntry = entry;
  return fault == PackageFault::kNoMemory ? kPackageNoMemory : kPackageDamaged;
}

int32_t FailEntry(PackageParseReport* report, PackageFault fault, const PackageEntryView& entry) {
  report->faultEntryName = entry.name;
  report->faultEntryNameLength = entry.nameLength;
  return Fail(report, fault, entry.index);
}

int32_t UnpackEntries(const uint8_t* area, uint32_t areaLength, uint32_t entryCount, uint8_t* buffer,
                      uint32_t bufferSize, CPackageEntrySink& sink, PackageParseReport* report) {
  CGrowingBuffer gathered;
  const uint8_t* cursor = area;
  uint32_t left = areaLength;
  for (uint32_t i = 0; i < entryCount; ++i) {
    PackageEntryView entry;
    entry.index = i;
    if (!TakeEntry(cursor, left, &entry)) return Fail(report, PackageFault::kEntryOutsideArea, i);

    gathered.Clear();
    switch (InflateEntry(entry.compressed, entry.compressedSize, buffer, bufferSize, gathered)) {
      case InflateResult::kStreamEnd:
        break;
      case InflateResult::kFailed:
        return FailEntry(report, PackageFault::kEntryNotInflated, entry);
      case InflateResult::kNoMemory:
      case InflateResult::kTooLarge:
        return FailEntry(report, PackageFault::kNoMemory, entry);
    }
    if (gathered.Empty()) return FailEntry(report, PackageFault::kEntryEmpty, entry);

    uint32_t size = uint32_t(gathered.Size());
    std::unique_ptr<uint8_t[]> content(new (std::nothrow) uint8_t[size]);
    if (!content) return FailEntry(report, PackageFault::kNoMemory, entry);
    std::memcpy(content.get(), gathered.Data(), size);

    uint8_t digest[kMd5DigestSize];
    Md5Digest(content.get(), size, digest);
    if (std::memcmp(digest, entry.contentDigest, kMd5DigestSize) != 0) {
      return FailEntry(report, PackageFault::kEntryDigestMismatch, entry);
    }

    int32_t status = sink.Accept(entry, std::move(content), size);
    if (status != kPackageOk) {
      report->fault = status == kPackageNoMemory ? PackageFault::kNoMemory : PackageFault::kNone;
      report->faultEntry = i;
      return status;
    }
  }
  return kPackageOk;
}

int32_t Unpack(const uint8_t* image, uint32_t size, uint8_t* buffer, uint32_t bufferSize, CPackageEntrySink& sink,
               PackageParseReport* report) {
  uint32_t headerOffset = 0;
  if (!FindPackageHeader(image, size, &headerOffset)) return Fail(report, PackageFault::kNoHeader);
  const uint8_t* header = image + headerOffset;
  report->headerFound = true;
  report->headerOffset = headerOffset;
  report->key = header[offsetof(PackageHeader, key)];
  if (size - headerOffset < kPackageHeaderSize) return Fail(report, PackageFault::kHeaderCut);

  uint32_t areaLength = ReadLe32(header + offsetof(PackageHeader, areaLength));
  uint32_t entryCount = ReadLe32(header + offsetof(PackageHeader, entryCount));
  report->areaLength = areaLength;
  report->entryCount = entryCount;
  uint32_t areaOffset = headerOffset + uint32_t(kPackageHeaderSize);
  if (areaLength > size - areaOffset) return Fail(report, PackageFault::kAreaOutsideImage);

  const uint8_t* area = image + areaOffset;
  uint8_t digest[kMd5DigestSize];
  Md5Digest(area, areaLength, digest);
  if (std::memcmp(digest, header + offsetof(PackageHeader, areaDigest), kMd5DigestSize) != 0) {
    return Fail(report, PackageFault::kAreaDigestMismatch);
  }
  return UnpackEntries(area, areaLength, entryCount, buffer, bufferSize, sink, report);
}

}  // namespace

bool FindPackageHeader(const uint8_t* image, uint32_t size, uint32_t* headerOffset) {
  // The magic and the 33 bytes of key and check field must lie in the image.
  const size_t needed = kPackageMagicSize + 1 + kPackageCheckFieldSize;
  if (image == nullptr || size < needed) return false;
  const uint8_t* last = image + (size - needed);  // last position that can hold them
  const uint8_t* at = image;
  while (at <= last) {
    at = static_cast<const uint8_t*>(std::memchr(at, kPackageMagic[0], size_t(last - at) + 1));
    if (at == nullptr) return false;
    if (std::memcmp(at, kPackageMagic, kPackageMagicSize) == 0 && CheckFieldIsValid(at)) {
      *headerOffset = uint32_t(at - image);
      return true;
    }
    ++at;
  }
  return false;
}

int32_t UnpackPackage(const uint8_t* image, uint32_t size, uint8_t* buffer, uint32_t bufferSize,
                      CPackageEntrySink& sink, PackageParseReport* report) noexcept {
  PackageParseReport ignored;
  if (report == nullptr) report = &ignored;
  *report = PackageParseReport();
  try {
    return Unpack(image, size, buffer, bufferSize, sink, report);
  } catch (...) {
    // std::bad_alloc from a growing buffer or the sink; nothing else is thrown.
    return Fail(report, PackageFault::kNoMemory, report->faultEntry);
  }
}

const char* DescribePackageFault(PackageFault fault) {
  switch (fault) {
    case PackageFault::kNone:
      return "no fault";
    case PackageFault::kNoHeader:
      return "no package header with a valid check field";
    case PackageFault::kHeaderCut:
      return "the package header runs past the end of the file";
    case PackageFault::kAreaOutsideImage:
      return "the entry area runs past the end of the file";
    case PackageFault::kAreaDigestMismatch:
      return "the entry area does not match its MD5 digest";
    case PackageFault::kEntryOutsideArea:
      return "the entry runs past the end of the entry area";
    case PackageFault::kEntryNotInflated:
      return "the entry's zlib stream is corrupt or truncated";
    case PackageFault::kEntryEmpty:
      return "the entry's content is empty";
    case PackageFault::kEntryDigestMismatch:
      return "the entry's content does not match its MD5 digest";
    case PackageFault::kNoMemory:
      return "memory exhausted";
  }
  return "unknown fault";
}
