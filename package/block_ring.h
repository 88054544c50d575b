#pragma once
// The turns of a small ring of slots handed from one producing thread to one
// consuming thread, in order; the slots themselves are the caller's. Each
// side waits only when the ring is full or empty, and is woken once a batch
// is ready (or at once for an urgent slot), so that the threads meet seldom.
// Any thread can stop the ring: every wait ends and no more turns are given.
// A side that would wait first takes up the idle work, if there is any, a
// piece at a time, so that two threads can keep two processors busy with
// three jobs. Portable: standard mutex and condition variable.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CBlockRing {
 public:
  // capacity slots; a waiting side is woken once half of them are ready.
  explicit CBlockRing(uint32_t capacity) : m_capacity(capacity), m_batch(capacity / 2 ? capacity / 2 : 1) {}
  CBlockRing(const CBlockRing&) = delete;
  CBlockRing& operator=(const CBlockRing&) = delete;

  // Work either side does a piece of, again and again, rather than wait;
  // `piece` answers false when there was none to do. Set before the sides
  // start.
  void SetIdleWork(bool (*piece)(void*), void* argument) {
    m_idlePiece = piece;
    m_idleArgument = argument;
  }

  // Producer: the index of the next free slot, waiting while there is none;
  // false once stopped. Claiming again before Publish gives the same slot.
  bool Claim(uint32_t* slot);
  // Producer: the claimed slot goes to the consumer; urgent wakes it at once.
  void Publish(bool urgent);
  // Consumer: the index of the oldest published slot, waiting while there is
  // none; false once stopped.
  bool Take(uint32_t* slot);
  // Consumer: the taken slot is free again.
  void Release();
  // Any thread: ends every wait; Claim and Take answer false from now on.
  void Stop();
  bool Stopped() const { return m_stopped.load(); }

 private:
  uint32_t Filled() const { return m_published.load() - m_released.load(); }
  // Pieces of idle work while `blocked` holds; false once there are none.
  template <typename Blocked>
  void IdleWhile(Blocked blocked) {
    while (m_idlePiece != nullptr && blocked() && !Stopped() && m_idlePiece(m_idleArgument)) {
    }
  }
  // Wakes the other side when it waits and `ready` slots are enough for it.
  void WakeIfWaiting(const std::atomic<bool>& waiting, bool ready);

  const uint32_t m_capacity;
  const uint32_t m_batch;
  bool (*m_idlePiece)(void*) = nullptr;
  void* m_idleArgument = nullptr;
  // Counts of slots published and released, each written by one side only.
  // Sequentially consistent with the waiting flags: a side that is about to
  // wait either is seen waiting or sees the other side's last count.
  std::atomic<uint32_t> m_published{0};
  std::atomic<uint32_t> m_released{0};
  std::atomic<bool> m_producerWaits{false};
  std::atomic<bool> m_consumerWaits{false};
  std::atomic<bool> m_stopped{false};
  std::mutex m_mutex;
  std::condition_variable m_changed;
};
