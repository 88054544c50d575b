// Unpacking throughput and peak memory of the package store, against the
// limit on the same data with the same zlib and MD5.
//
//   package_bench [--large] [--rounds N]
//
// The small payload is about 1.5 MB of product-like files; --large is about
// 200 MB. "ours" is CPackageFileStore::ParseImage on the whole setup image
// (header scan, area digest, inflate through the 16384-byte buffer, gather,
// exact copy, entry digest, index). "limit" is the least any reader must do:
// MD5 over the compressed area, inflate of each stream in one call straight
// into a buffer of its exact size, MD5 over each content. "limit through 16
// KiB" is the same with zlib's output handed out 16384 bytes at a time, as
// the store's one inflate buffer does, but still straight into the final
// buffer: the gap between it and "limit" is the cost of the buffer size, the
// gap between "ours" and it the cost of gathering and copying. "verify" is
// setuppack verify's open, every check with nothing gathered: on one thread,
// and with the setup's helper threads (elapsed time). All run in turn, N
// rounds each, timed in CPU time of the thread but for the threaded verify;
// the best round counts.
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/heap_meter.h"
#include "bench/payload.h"
#include "package/md5.h"
#include "package/package_file_store.h"
#include "package/package_format.h"
#include "package/package_writer.h"

namespace {

// CPU time of this thread: on a shared machine, time spent preempted would
// otherwise land on whichever side happened to be running. Page faults, being
// kernel time of the thread, still count.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Elapsed time, for the runs that share the work among threads.
double WallSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

constexpr double kMB = 1e6;
constexpr double kMiB = 1024.0 * 1024.0;

struct EntrySpan {
  size_t stream;  // offset of the zlib stream in the image
  uint32_t compressedSize;
  uint32_t size;
  const uint8_t* digest;
};

struct Setup {
  std::vector<uint8_t> image;  // executable + package
  size_t areaOffset = 0;
  uint32_t areaLength = 0;
  std::vector<EntrySpan> entries;
  size_t unpacked = 0;
  size_t largest = 0;
};

// A stand-in executable of 600 KiB holding the reader's search pattern.
std::vector<uint8_t> Executable() {
  std::vector<uint8_t> exe(600 * 1024);
  for (size_t i = 0; i < exe.size(); ++i) exe[i] = uint8_t((i * 2654435761u) >> 24);
  exe[0] = 'M';
  exe[1] = 'Z';
  std::memcpy(exe.data() + 300000, kPackageMagic, kPackageMagicSize + 1);
  return exe;
}

Setup MakeSetup(size_t scale) {
  Setup setup;
  std::vector<PackageItem> items;
  std::vector<uint32_t> sizes;
  for (PayloadFile& file : MakePayload(scale)) {
    setup.unpacked += file.content.size();
    setup.largest = std::max(setup.largest, file.content.size());
    sizes.push_back(uint32_t(file.content.size()));
    items.push_back(MakePackageItem(file.name, file.content, kBestCompression));
  }
  setup.image = Executable();
  size_t header = setup.image.size();
  std::vector<uint8_t> package = BuildPackage(items, 0x5a);
  setup.image.insert(setup.image.end(), package.begin(), package.end());
  setup.image.shrink_to_fit();

  setup.areaOffset = header + kPackageHeaderSize;
  setup.areaLength = ReadLe32(setup.image.data() + header + offsetof(PackageHeader, areaLength));
  size_t at = setup.areaOffset;
  for (size_t i = 0; i < items.size(); ++i) {
    EntrySpan span;
    span.compressedSize = ReadLe32(setup.image.data() + at);
    uint32_t nameLength = ReadLe32(setup.image.data() + at + 4);
    span.digest = setup.image.data() + at + 8;
    span.stream = at + kPackageEntryHeadSize + nameLength;
    span.size = sizes[i];
    setup.entries.push_back(span);
    at = span.stream + span.compressedSize;
  }
  return setup;
}

// A fresh copy of the image, as reading the file would give.
std::unique_ptr<uint8_t[]> ReadImage(const Setup& setup) {
  std::unique_ptr<uint8_t[]> image(new uint8_t[setup.image.size()]);
  std::memcpy(image.get(), setup.image.data(), setup.image.size());
  return image;
}

// The limit: digest of the area, each stream inflated into a buffer of its
// exact size (in one call, or window bytes per call), digest of each content.
// False on any mismatch.
bool UnpackAtTheLimit(const Setup& setup, const uint8_t* image, uint32_t window,
                      std::vector<std::unique_ptr<uint8_t[]>>& contents) {
  uint8_t digest[kMd5DigestSize];
  Md5Digest(image + setup.areaOffset, setup.areaLength, digest);
  if (std::memcmp(digest, image + setup.areaOffset - 16, 16) != 0) return false;
  contents.clear();
  for (const EntrySpan& entry : setup.entries) {
    std::unique_ptr<uint8_t[]> content(new uint8_t[entry.size]);
    z_stream stream{};
    stream.next_in = const_cast<Bytef*>(image + entry.stream);
    stream.avail_in = entry.compressedSize;
    if (inflateInit(&stream) != Z_OK) return false;
    int result;
    uint32_t written = 0;
    if (window == 0) {
      stream.next_out = content.get();
      stream.avail_out = entry.size;
      result = inflate(&stream, Z_FINISH);
      written = entry.size - stream.avail_out;
    } else {
      do {
        stream.next_out = content.get() + written;
        stream.avail_out = std::min(window, entry.size - written);
        uInt before = stream.avail_out;
        result = inflate(&stream, Z_NO_FLUSH);
        written += before - stream.avail_out;
      } while (result == Z_OK);
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || written != entry.size) return false;
    Md5Digest(content.get(), entry.size, digest);
    if (std::memcmp(digest, entry.digest, 16) != 0) return false;
    contents.push_back(std::move(content));
  }
  return true;
}

// setuppack verify's open: every check, nothing gathered.
int32_t VerifyOnce(const uint8_t* image, uint32_t size, uint32_t helperThreads) {
  struct Discard : CPackageEntrySink {
    int32_t Accept(const PackageEntryView&, std::unique_ptr<uint8_t[]>, uint32_t) override { return kPackageOk; }
  } sink;
  std::vector<uint8_t> buffer(CPackageFileStore::kInflateBufferSize);
  CMemorySource source(image, size);
  PackageUnpackOptions options;
  options.keepLimit = 0;
  options.keepBudget = 0;
  options.helperThreads = helperThreads;
  return UnpackPackageFrom(source, source, buffer.data(), uint32_t(buffer.size()), sink, options);
}

int Run(size_t scale, int rounds) {
  std::printf("building the %s payload...\n", scale == 1 ? "small" : "large");
  Setup setup = MakeSetup(scale);
  std::printf("payload: %zu files, %.2f MB unpacked, largest %.2f MB; setup image %.2f MB "
              "(%.2f MB package after a 0.61 MB executable)\n",
              setup.entries.size(), setup.unpacked / kMB, setup.largest / kMB, setup.image.size() / kMB,
              (setup.image.size() - 600 * 1024) / kMB);

  // Peak memory of one open, from a clean start: image, index, buffers, zlib.
  size_t peakAbove = 0;
  {
    size_t before = HeapLiveBytes();
    ResetHeapPeak();
    CPackageFileStore store;
    int32_t status = store.ParseImage(ReadImage(setup).get(), uint32_t(setup.image.size()));
    peakAbove = HeapPeakBytes() - before;
    if (status != 0 || store.EntryCount() != setup.entries.size()) {
      std::printf("the store did not open the package: status %d\n", status);
      return 1;
    }
  }

  double bestOurs = 1e30, bestLimit = 1e30, bestWindowed = 1e30, bestVerify = 1e30, bestVerifyWall = 1e30;
  // Both sides start alike each round: a fresh copy of the image, a clean
  // heap; only the unpacking is timed.
  for (int round = 0; round < rounds; ++round) {
    {
      std::unique_ptr<uint8_t[]> image = ReadImage(setup);
      CPackageFileStore store;
      double start = ThreadSeconds();
      int32_t status = store.ParseImage(image.get(), uint32_t(setup.image.size()));
      bestOurs = std::min(bestOurs, ThreadSeconds() - start);
      if (status != 0) return 1;
    }
    {
      std::unique_ptr<uint8_t[]> image = ReadImage(setup);
      double start = ThreadSeconds();
      int32_t status = VerifyOnce(image.get(), uint32_t(setup.image.size()), 0);
      bestVerify = std::min(bestVerify, ThreadSeconds() - start);
      start = WallSeconds();
      status |= VerifyOnce(image.get(), uint32_t(setup.image.size()), 2);
      bestVerifyWall = std::min(bestVerifyWall, WallSeconds() - start);
      if (status != 0) return 1;
    }
    for (uint32_t window : {0u, CPackageFileStore::kInflateBufferSize}) {
      std::unique_ptr<uint8_t[]> image = ReadImage(setup);
      std::vector<std::unique_ptr<uint8_t[]>> contents;
      double start = ThreadSeconds();
      bool ok = UnpackAtTheLimit(setup, image.get(), window, contents);
      double& best = window == 0 ? bestLimit : bestWindowed;
      best = std::min(best, ThreadSeconds() - start);
      if (!ok) {
        std::printf("the limit's unpack failed\n");
        return 1;
      }
    }
  }

  double ours = setup.unpacked / kMB / bestOurs;
  double limit = setup.unpacked / kMB / bestLimit;
  double windowed = setup.unpacked / kMB / bestWindowed;
  std::printf("ours  (store parse)               %8.1f MB/s of content  (%.1f ms)\n", ours, bestOurs * 1e3);
  std::printf("limit (md5 + inflate + md5)       %8.1f MB/s of content  (%.1f ms)\n", limit, bestLimit * 1e3);
  std::printf("limit through 16 KiB              %8.1f MB/s of content  (%.1f ms)\n", windowed, bestWindowed * 1e3);
  std::printf("ratio ours/limit: %.3f; ours/limit through 16 KiB: %.3f\n", ours / limit, ours / windowed);
  double verify = setup.unpacked / kMB / bestVerify;
  double verifyWall = setup.unpacked / kMB / bestVerifyWall;
  std::printf("verify, one thread (CPU time)      %8.1f MB/s of content  (%.1f ms)\n", verify, bestVerify * 1e3);
  std::printf("verify, helper threads (elapsed)   %8.1f MB/s of content  (%.1f ms)\n", verifyWall,
              bestVerifyWall * 1e3);
  std::printf("ratio verify/limit: one thread %.3f  (target >= 0.9), helper threads %.3f\n", verify / limit,
              verifyWall / limit);

  double bound = setup.image.size() + setup.unpacked + 2.0 * setup.largest + kMiB;
  std::printf("peak heap of one open: %.2f MiB = image %.2f + unpacked %.2f + %.2f MiB more\n", peakAbove / kMiB,
              setup.image.size() / kMiB, setup.unpacked / kMiB,
              (double(peakAbove) - setup.image.size() - setup.unpacked) / kMiB);
  std::printf("bound image + unpacked + 2 x largest + 1 MiB: %.2f MiB: %s\n", bound / kMiB,
              peakAbove <= bound ? "within" : "EXCEEDED");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  size_t scale = 1;
  int rounds = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--large") == 0) {
      scale = 140;
    } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: package_bench [--large] [--rounds N]\n");
      return 2;
    }
  }
  if (rounds <= 0) rounds = scale == 1 ? 30 : 3;
  return Run(scale, rounds);
}
