#pragma once
// Reading a file at explicit offsets, mostly front to back. A read where the
// file pointer already stands goes without an OVERLAPPED: Wine serves a
// read at an explicit offset through its server, about 40 microseconds a
// call, which made the setup's reads of a large package two to three times
// slower. A synchronous read at an explicit offset also moves the file
// pointer (on Windows and on Wine), so only the first read, and a read
// elsewhere, needs one. Shared by the store's verification and the engine's
// installation (through the system-call seam).

#include <windows.h>

#include <cstdint>

class CFileReads {
 public:
  explicit CFileReads(HANDLE file) : m_file(file) {}

  // Reads n bytes at offset through `read`, a callable taking ReadFile's
  // arguments; false when the file gave fewer of them or failed.
  template <typename ReadCall>
  bool Read(ReadCall&& read, uint32_t offset, uint8_t* buffer, uint32_t n) {
    while (n != 0) {
      OVERLAPPED at = {};
      at.Offset = offset;
      DWORD got = 0;
      const bool inPlace = m_pointer == offset;
      // Unknown until a read succeeds: a failed one may have moved it.
      m_pointer = kUnknown;
      if (!read(m_file, buffer, n, &got, inPlace ? nullptr : &at)) return false;
      // The file ended early: it is not the file the caller measured.
      if (got == 0) return false;
      buffer += got;
      offset += got;
      n -= got;
      m_pointer = offset;
    }
    return true;
  }

 private:
  static constexpr uint64_t kUnknown = UINT64_MAX;
  HANDLE m_file;
  uint64_t m_pointer = kUnknown;
};
