// The layer's one clock over CLOCK_MONOTONIC, which a test can stop and move by hand.
// Left out: slowing it down or speeding it up (nothing needs more than stopping and moving).
#include "winapi/kernel32/clock.h"

#include "winapi/base/handle.h"

#include <time.h>

#include <atomic>
#include <mutex>

namespace winapi::clock {
namespace {

ULONGLONG monotonicMillis() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000ULL + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000ULL;
}

// Readers take no lock: the message loop reads the clock for every message. Changes come one at
// a time under s_change; the reading stored before the stop flag is set, so a reader that sees
// the clock stopped reads a reading that belongs to it.
std::mutex s_change;
std::atomic<bool> s_stopped{false};
std::atomic<ULONGLONG> s_reading{0};
// Added to the monotonic clock while it runs: what it was moved on by before it ran again.
std::atomic<ULONGLONG> s_offset{0};

std::atomic<size_t> s_timedWaits{0};

// Every wait on objects measures its time-out on this clock: each looks at it again. Taking the
// dispatcher's lock orders the change before every waiter's next look; one that looked before it
// is waiting by then, and the notification reaches it.
void changed() {
  dispatcherLock().lock();
  dispatcherLock().unlock();
  notifyDispatcher();
}

}  // namespace

ULONGLONG now() {
  if (s_stopped.load(std::memory_order_acquire)) return s_reading.load(std::memory_order_acquire);
  return monotonicMillis() + s_offset.load(std::memory_order_acquire);
}

bool stopped() { return s_stopped.load(std::memory_order_acquire); }

void stopAt(ULONGLONG ms) {
  {
    std::lock_guard guard(s_change);
    s_reading.store(ms, std::memory_order_release);
    s_stopped.store(true, std::memory_order_release);
  }
  changed();
}

void advance(ULONGLONG ms) {
  {
    std::lock_guard guard(s_change);
    const ULONGLONG from = now();
    s_reading.store(from + ms, std::memory_order_release);
    s_stopped.store(true, std::memory_order_release);
  }
  changed();
}

void run() {
  {
    std::lock_guard guard(s_change);
    if (!s_stopped.load(std::memory_order_acquire)) return;
    const ULONGLONG reading = s_reading.load(std::memory_order_acquire);
    const ULONGLONG real = monotonicMillis();
    // Running on from the reading it stood at; a reading behind the real clock keeps no offset,
    // and then the clock jumps forward to it, which a monotonic clock may.
    s_offset.store(reading > real ? reading - real : 0, std::memory_order_release);
    s_stopped.store(false, std::memory_order_release);
  }
  changed();
}

size_t timedWaits() { return s_timedWaits.load(std::memory_order_acquire); }

TimedWait::TimedWait() { s_timedWaits.fetch_add(1, std::memory_order_acq_rel); }

TimedWait::~TimedWait() { s_timedWaits.fetch_sub(1, std::memory_order_acq_rel); }

}  // namespace winapi::clock
