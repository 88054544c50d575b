// Memory exhaustion in a 32-bit process: an entry whose content cannot be
// held ends in -3, never in an exception or a crash.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/inflate_entry.h"
#include "package/md5.h"
#include "package/package_file_store.h"
#include "tests/host/package_samples.h"

namespace {

// A zlib stream of mebibytes MiB of zeros, put together from one full-flushed
// deflate block so that building it costs little. The Adler-32 of n zeros is
// (n mod 65521) << 16 | 1.
std::vector<uint8_t> ZerosStream(uint32_t mebibytes) {
  std::vector<uint8_t> zeros(1 << 20, 0);
  std::vector<uint8_t> out(1 << 16);
  z_stream stream{};
  deflateInit(&stream, 9);
  auto deflateOnce = [&](int flush, uInt inputSize) {
    stream.next_in = zeros.data();
    stream.avail_in = inputSize;
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    deflate(&stream, flush);
    return std::vector<uint8_t>(out.begin(), out.begin() + (out.size() - stream.avail_out));
  };
  std::vector<uint8_t> result = deflateOnce(Z_FULL_FLUSH, uInt(zeros.size()));  // with the 2-byte header
  std::vector<uint8_t> block = deflateOnce(Z_FULL_FLUSH, uInt(zeros.size()));
  std::vector<uint8_t> finish = deflateOnce(Z_FINISH, 0);
  deflateEnd(&stream);
  for (uint32_t i = 1; i < mebibytes; ++i) result.insert(result.end(), block.begin(), block.end());
  result.insert(result.end(), finish.begin(), finish.end() - 4);
  uint64_t length = uint64_t(mebibytes) << 20;
  uint32_t adler = uint32_t(length % 65521) << 16 | 1;
  for (int shift = 24; shift >= 0; shift -= 8) result.push_back(uint8_t(adler >> shift));
  return result;
}

TEST(PackageMemory, ZerosStreamIsAValidStream) {
  // The generator itself, checked on a size that fits: 8 MiB of zeros.
  std::vector<uint8_t> content(8u << 20, 0);
  PackageItem item;
  item.name = "zeros.bin";
  item.compressed = ZerosStream(8);
  Md5Digest(content.data(), content.size(), item.contentDigest);
  std::vector<uint8_t> image = Package({item});
  CPackageFileStore store;
  ASSERT_EQ(0, store.ParseImage(image.data(), uint32_t(image.size())));
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(store.Lookup("zeros.bin", &data, &size));
  EXPECT_EQ(content.size(), size);
}

TEST(PackageMemory, ContentBeyondTheAddressSpaceIsMemoryExhausted) {
  PackageItem item;
  item.name = "bomb.bin";
  item.compressed = ZerosStream(3072);  // 3 GiB of zeros from about 3 MB
  std::vector<PackageItem> items = SampleItems();
  items.push_back(item);
  std::vector<uint8_t> image = Package(items);
  CPackageFileStore store;
  EXPECT_EQ(-3, store.ParseImage(image.data(), uint32_t(image.size())));
  EXPECT_EQ(-3, store.Status());
  EXPECT_EQ(0u, store.EntryCount());

  // The store is still usable afterwards.
  std::vector<uint8_t> sound = Package(SampleItems());
  EXPECT_EQ(0, store.ParseImage(sound.data(), uint32_t(sound.size())));
}

// Takes every block the C heap can still give, from large to small, and
// gives them back when it goes out of scope.
class ExhaustedHeap {
 public:
  ExhaustedHeap() {
    m_blocks.reserve(1 << 20);  // before the heap runs out
    for (size_t size = size_t(1) << 28; size >= 8; size /= 2) {
      while (m_blocks.size() < m_blocks.capacity()) {
        void* block = std::malloc(size);
        if (block == nullptr) break;
        m_blocks.push_back(block);
      }
    }
  }
  ~ExhaustedHeap() {
    for (void* block : m_blocks) std::free(block);
  }
  bool Exhausted() const { return m_blocks.size() < m_blocks.capacity(); }

 private:
  std::vector<void*> m_blocks;
};

class CDiscard : public IInflateOutput {
 public:
  bool Put(const uint8_t*, uint32_t) override { return true; }
};

TEST(PackageMemory, ZlibWithoutMemoryForItsStateIsMemoryExhausted) {
  std::vector<uint8_t> compressed = ZerosStream(1);
  std::vector<uint8_t> input(4096);
  std::vector<uint8_t> buffer(4096);
  const InflateBuffers buffers = {input.data(), uint32_t(input.size()), buffer.data(), uint32_t(buffer.size())};
  CMemorySource source(compressed.data(), uint32_t(compressed.size()));
  CDiscard content;
  InflateResult result = InflateResult::kStreamEnd;
  bool exhausted = false;
  {
    // Nothing but inflateInit asks for memory before the first output.
    ExhaustedHeap heap;
    exhausted = heap.Exhausted();
    result = InflateEntry(source, 0, uint32_t(compressed.size()), buffers, content);
  }
  ASSERT_TRUE(exhausted);
  EXPECT_EQ(InflateResult::kNoMemory, result);
  // With memory back, the same entry inflates.
  EXPECT_EQ(InflateResult::kStreamEnd, InflateEntry(source, 0, uint32_t(compressed.size()), buffers, content));
}

}  // namespace
