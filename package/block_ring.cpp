#include "package/block_ring.h"

bool CBlockRing::Claim(uint32_t* slot) {
  IdleWhile([this] { return Filled() == m_capacity; });
  if (Filled() == m_capacity && !Stopped()) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_producerWaits = true;
    m_changed.wait(lock, [this] { return Stopped() || Filled() < m_capacity; });
    m_producerWaits = false;
  }
  if (Stopped()) return false;
  *slot = m_published.load() % m_capacity;
  return true;
}

void CBlockRing::Publish(bool urgent) {
  m_published.fetch_add(1);
  WakeIfWaiting(m_consumerWaits, urgent || Filled() >= m_batch);
}

bool CBlockRing::Take(uint32_t* slot) {
  IdleWhile([this] { return Filled() == 0; });
  if (Filled() == 0 && !Stopped()) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_consumerWaits = true;
    m_changed.wait(lock, [this] { return Stopped() || Filled() != 0; });
    m_consumerWaits = false;
  }
  if (Stopped()) return false;
  *slot = m_released.load() % m_capacity;
  return true;
}

void CBlockRing::Release() {
  m_released.fetch_add(1);
  WakeIfWaiting(m_producerWaits, m_capacity - Filled() >= m_batch);
}

void CBlockRing::Stop() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_stopped = true;
  m_changed.notify_all();
}

void CBlockRing::WakeIfWaiting(const std::atomic<bool>& waiting, bool ready) {
  if (!ready || !waiting.load()) return;
  // Taking the mutex waits until the other side is inside its wait, so the
  // notification cannot fall between its last look and its sleep.
  std::lock_guard<std::mutex> lock(m_mutex);
  m_changed.notify_all();
}
