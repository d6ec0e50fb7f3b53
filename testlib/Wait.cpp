// Waiting for a condition.
#include "testlib/Wait.h"

#include <algorithm>
#include <thread>

namespace lumetra::testlib {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               std::chrono::microseconds longestPause) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  // Short looks first, as most conditions hold within a message or two; then further apart, so
  // a long wait costs the machine little.
  auto pause = std::min(std::chrono::microseconds(50), longestPause);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= giveUp) return condition();
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, longestPause);
  }
  return true;
}

}  // namespace lumetra::testlib
