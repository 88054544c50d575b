#include "package/package_source.h"

#include <cstring>

bool CMemorySource::Read(uint32_t offset, uint8_t* buffer, uint32_t n) {
  if (offset > m_size || n > m_size - offset) return false;
  if (n != 0) std::memcpy(buffer, m_image + offset, n);
  return true;
}

const uint8_t* CMemorySource::View(uint32_t offset, uint32_t n) {
  if (offset > m_size || n > m_size - offset) return nullptr;
  return m_image + offset;
}
