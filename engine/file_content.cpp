#include "engine/file_content.h"

#include <cstring>
#include <memory>
#include <new>

#include "base/file_reads.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"
#include "package/inflate_entry.h"
#include "package/md5.h"
#include "package/package_reader.h"

namespace {

// Bytes handed to each WriteFile call of a streamed content.
constexpr uint32_t kWriteBlockSize = 256 * 1024;

// The package file, read through the seam at explicit offsets.
class CSeamFileSource : public IPackageSource {
 public:
  CSeamFileSource(HANDLE file, uint32_t end) : m_reads(file), m_end(end) {}
  bool Read(uint32_t offset, uint8_t* buffer, uint32_t n) override {
    return m_reads.Read([](HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED at) {
      return SystemCalls().ReadFile(file, data, size, read, at);
    }, offset, buffer, n);
  }
  uint32_t Size() const override { return m_end; }

 private:
  CFileReads m_reads;
  uint32_t m_end;
};

// Writes each inflated block into the target and digests it; refuses more
// bytes than the verified size.
class CTargetOutput : public IInflateOutput {
 public:
  CTargetOutput(HANDLE file, uint32_t size) : m_file(file), m_left(size) { Md5Init(&m_md5); }
  bool Put(const uint8_t* data, uint32_t n) override {
    if (n > m_left) return false;
    m_left -= n;
    Md5Update(&m_md5, data, n);
    if (n == 0) return true;
    DWORD written = 0;
    if (!SystemCalls().WriteFile(m_file, data, n, &written, nullptr) || written != n) {
      m_writeFailed = true;
      m_writeError = ::GetLastError();
      return false;
    }
    return true;
  }
  bool WriteFailed() const { return m_writeFailed; }
  DWORD WriteError() const { return m_writeError; }
  // True when exactly the verified content went out.
  bool Matches(const uint8_t* digest) {
    uint8_t written[kMd5DigestSize];
    Md5Final(&m_md5, written);
    return m_left == 0 && std::memcmp(written, digest, kMd5DigestSize) == 0;
  }

 private:
  HANDLE m_file;
  uint32_t m_left;
  Md5Context m_md5;
  bool m_writeFailed = false;
  DWORD m_writeError = 0;
};

bool Refuse(DWORD error) {
  ::SetLastError(error);
  return false;
}

}  // namespace

bool CFileContent::WriteTo(HANDLE file) const {
  if (m_data == nullptr && m_entry != nullptr && m_size != 0) return WriteFromPackage(file);
  static const uint8_t kNothing = 0;
  SystemCalls().SetEndOfFile(file);
  DWORD written = 0;
  const BOOL ok = SystemCalls().WriteFile(file, m_data != nullptr ? m_data : &kNothing, m_size, &written, nullptr);
  return ok && written == m_size;
}

bool CFileContent::WriteFromPackage(HANDLE file) const {
  SystemCalls().SetEndOfFile(file);
  seam_hfile package(SystemCalls().CreateFileA(m_packagePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!package) return false;
  std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[kPackageReadBlockSize]);
  std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[kWriteBlockSize]);
  if (!input || !output) return Refuse(ERROR_NOT_ENOUGH_MEMORY);

  CSeamFileSource source(package.get(), m_entry->compressedOffset + m_entry->compressedSize);
  CTargetOutput target(file, m_size);
  const InflateBuffers buffers = {input.get(), kPackageReadBlockSize, output.get(), kWriteBlockSize};
  const InflateResult result =
      InflateEntry(source, m_entry->compressedOffset, m_entry->compressedSize, buffers, target);
  if (target.WriteFailed()) return Refuse(target.WriteError());
  if (result == InflateResult::kNoMemory) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  if (result != InflateResult::kStreamEnd || !target.Matches(m_entry->digest)) return Refuse(ERROR_INVALID_DATA);
  return true;
}
