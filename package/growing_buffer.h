#pragma once
// The buffer an entry's content is gathered in before it is copied to a
// buffer of its exact size. Grows geometrically with realloc, so that a large
// block is extended in place or remapped rather than copied and refaulted;
// kept across entries, so after the largest entry it no longer grows.

#include <cstddef>
#include <cstdint>

class CGrowingBuffer {
 public:
  CGrowingBuffer() = default;
  ~CGrowingBuffer();
  CGrowingBuffer(const CGrowingBuffer&) = delete;
  CGrowingBuffer& operator=(const CGrowingBuffer&) = delete;

  // Appends n bytes; false (content unchanged) when memory is exhausted.
  bool Append(const uint8_t* data, size_t n) noexcept;
  // Empties the content and keeps the capacity.
  void Clear() noexcept { m_size = 0; }

  const uint8_t* Data() const noexcept { return m_data; }
  size_t Size() const noexcept { return m_size; }
  bool Empty() const noexcept { return m_size == 0; }

 private:
  uint8_t* m_data = nullptr;
  size_t m_size = 0;
  size_t m_capacity = 0;
};
