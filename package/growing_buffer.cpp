#include "package/growing_buffer.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t kFirstCapacity = 64 * 1024;
}

CGrowingBuffer::~CGrowingBuffer() { std::free(m_data); }

bool CGrowingBuffer::Append(const uint8_t* data, size_t n) noexcept {
  if (n == 0) return true;
  if (n > m_capacity - m_size) {
    if (n > SIZE_MAX - m_size) return false;
    size_t needed = m_size + n;
    size_t capacity = m_capacity < kFirstCapacity ? kFirstCapacity : m_capacity;
    while (capacity < needed) capacity = capacity > SIZE_MAX / 2 ? needed : capacity * 2;
    void* grown = std::realloc(m_data, capacity);
    if (grown == nullptr) return false;
    m_data = static_cast<uint8_t*>(grown);
    m_capacity = capacity;
  }
  std::memcpy(m_data + m_size, data, n);
  m_size += n;
  return true;
}
