// The hand-off of a share of each block between the thread that runs a filter and a worker.
#include "audio/filter/BlockHandOff.h"

#include <immintrin.h>

#include <chrono>

namespace s::sound::filter {

namespace {

/// Steady nanoseconds.
int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void BlockHandOff::post() {
  m_ownerSide.movedAt.store(nowNs(), std::memory_order_relaxed);
  m_posted.store(++m_sequence, std::memory_order_seq_cst);
  m_posted.notify_one();
}

void BlockHandOff::waitDone() {
  uint32_t done = m_done.load(std::memory_order_acquire);
  while (done != m_sequence) {
    done = awaitChange(m_done, done, m_ownerSide, m_workerSide, kDoneSpinNs);
  }
}

void BlockHandOff::quit() {
  m_quit.store(true, std::memory_order_relaxed);
  m_posted.store(++m_sequence, std::memory_order_seq_cst);
  m_posted.notify_one();
}

void BlockHandOff::run() {
  uint32_t seen = m_done.load(std::memory_order_relaxed);
  for (;;) {
    seen = awaitChange(m_posted, seen, m_workerSide, m_ownerSide, kPostSpinNs);
    if (m_quit.load(std::memory_order_relaxed)) {
      return;
    }
    if (!claim(seen)) {
      continue;  // the owner's thread runs it, or ran it and maybe the next ones
    }
    runBlock();
    m_workerSide.movedAt.store(nowNs(), std::memory_order_relaxed);
    m_done.store(seen, std::memory_order_seq_cst);
    m_done.notify_one();
  }
}

uint32_t BlockHandOff::awaitChange(std::atomic<uint32_t>& counter, uint32_t old, Side& self,
                                   const Side& other, int64_t spinNs) {
  const int64_t began = nowNs();
  if (self.spinPays) {
    for (;;) {
      for (int32_t i = 0; i < 16; ++i) {
        const uint32_t now = counter.load(std::memory_order_acquire);
        if (now != old) {
          return now;
        }
        _mm_pause();
      }
      const int64_t spun = nowNs() - began;
      if (other.asleep.load(std::memory_order_relaxed) || spun >= spinNs) {
        break;
      }
    }
  }
  self.asleep.store(true, std::memory_order_relaxed);
  uint32_t now = counter.load(std::memory_order_acquire);
  while (now == old) {
    counter.wait(old, std::memory_order_acquire);
    now = counter.load(std::memory_order_acquire);
  }
  self.asleep.store(false, std::memory_order_relaxed);
  self.spinPays = other.movedAt.load(std::memory_order_relaxed) - began < 2 * spinNs;
  return now;
}

}  // namespace s::sound::filter
