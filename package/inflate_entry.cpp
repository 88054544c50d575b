#include "package/inflate_entry.h"

#include <zlib.h>

#include <algorithm>

namespace {

// Calls inflateEnd however the loop is left.
class CInflateStream {
 public:
  CInflateStream() { m_initResult = inflateInit(&m_stream); }
  ~CInflateStream() {
    if (m_initResult == Z_OK) inflateEnd(&m_stream);
  }
  CInflateStream(const CInflateStream&) = delete;
  CInflateStream& operator=(const CInflateStream&) = delete;

  int InitResult() const { return m_initResult; }
  z_stream& Stream() { return m_stream; }

 private:
  z_stream m_stream{};
  int m_initResult;
};

InflateResult ZlibFailure(int zlibResult) {
  return zlibResult == Z_MEM_ERROR ? InflateResult::kNoMemory : InflateResult::kFailed;
}

}  // namespace

InflateResult InflateEntry(IPackageSource& source, uint32_t offset, uint32_t compressedSize,
                           const InflateBuffers& buffers, IInflateOutput& output) noexcept {
  CInflateStream inflater;
  if (inflater.InitResult() != Z_OK) return ZlibFailure(inflater.InitResult());
  z_stream& stream = inflater.Stream();
  uint8_t* room = buffers.output;
  uint32_t roomSize = buffers.outputSize;
  if (!output.Room(&room, &roomSize)) return InflateResult::kStopped;
  stream.next_out = room;
  stream.avail_out = roomSize;

  uint32_t next = offset;
  uint32_t left = compressedSize;
  for (;;) {
    if (stream.avail_in == 0 && left != 0) {
      const uint32_t n = std::min(left, buffers.inputSize);
      const uint8_t* bytes = source.Bytes(next, n, buffers.input);
      if (bytes == nullptr) return InflateResult::kReadFailed;
      stream.next_in = const_cast<uint8_t*>(bytes);
      stream.avail_in = n;
      next += n;
      left -= n;
    }
    // Once all input is handed over, a stream that has not ended yet can only
    // end on a final request; zlib reports a truncated one as an error.
    const int flush = left == 0 && stream.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH;
    const int result = inflate(&stream, flush);
    if (result == Z_STREAM_END) break;
    if (result != Z_OK) return ZlibFailure(result);
    if (stream.avail_out == 0) {
      if (!output.Put(room, roomSize)) return InflateResult::kStopped;
      room = buffers.output;
      roomSize = buffers.outputSize;
      if (!output.Room(&room, &roomSize)) return InflateResult::kStopped;
      stream.next_out = room;
      stream.avail_out = roomSize;
    }
  }
  if (!output.Put(room, roomSize - stream.avail_out)) return InflateResult::kStopped;
  return InflateResult::kStreamEnd;
}

bool InflateWhole(const uint8_t* data, uint32_t size, std::vector<uint8_t>* content) {
  struct Gather : IInflateOutput {
    std::vector<uint8_t>* bytes;
    bool Put(const uint8_t* block, uint32_t n) override {
      bytes->insert(bytes->end(), block, block + n);
      return true;
    }
  } gather;
  gather.bytes = content;
  content->clear();
  std::vector<uint8_t> input(16384), output(16384);
  CMemorySource source(data, size);
  return InflateEntry(source, 0, size, {input.data(), 16384, output.data(), 16384}, gather) ==
         InflateResult::kStreamEnd;
}
