#include "package/inflate_entry.h"

#include <zlib.h>

#include <cstdint>

namespace {

// Calls inflateEnd however the loop is left, a failed allocation included.
class CInflateStream {
 public:
  CInflateStream(const uint8_t* input, uint32_t inputSize, uint8_t* output, uint32_t outputSize) {
    m_stream.next_in = const_cast<Bytef*>(input);
    m_stream.avail_in = inputSize;
    m_stream.next_out = output;
    m_stream.avail_out = outputSize;
    m_initResult = inflateInit(&m_stream);
  }
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

// Appends n bytes of output; false with the reason when the content cannot
// take them.
bool Append(CGrowingBuffer& content, const uint8_t* data, uint32_t n, InflateResult* failure) {
  // Contents are served with 32-bit sizes.
  if (n > UINT32_MAX - content.Size()) {
    *failure = InflateResult::kTooLarge;
    return false;
  }
  if (!content.Append(data, n)) {
    *failure = InflateResult::kNoMemory;
    return false;
  }
  return true;
}

InflateResult Failure(InflateResult result, CGrowingBuffer& content) {
  content.Clear();
  return result;
}

InflateResult ZlibFailure(int zlibResult, CGrowingBuffer& content) {
  return Failure(zlibResult == Z_MEM_ERROR ? InflateResult::kNoMemory : InflateResult::kFailed, content);
}

}  // namespace

InflateResult InflateEntry(const uint8_t* compressed, uint32_t compressedSize, uint8_t* buffer, uint32_t bufferSize,
                           CGrowingBuffer& content) noexcept {
  CInflateStream inflater(compressed, compressedSize, buffer, bufferSize);
  if (inflater.InitResult() != Z_OK) return ZlibFailure(inflater.InitResult(), content);
  z_stream& stream = inflater.Stream();

  InflateResult failure;
  int flush = Z_NO_FLUSH;
  int result = inflate(&stream, flush);
  while (result != Z_STREAM_END) {
    if (result != Z_OK) return ZlibFailure(result, content);
    // With all input handed over, a stream that has not ended yet can only
    // end on this final request; zlib reports a truncated one as an error.
    if (stream.avail_in == 0 && flush == Z_NO_FLUSH) flush = Z_FINISH;
    if (stream.avail_out == 0) {
      if (!Append(content, buffer, bufferSize, &failure)) return Failure(failure, content);
      stream.next_out = buffer;
      stream.avail_out = bufferSize;
    }
    result = inflate(&stream, flush);
  }
  if (!Append(content, buffer, bufferSize - stream.avail_out, &failure)) return Failure(failure, content);
  return InflateResult::kStreamEnd;
}
