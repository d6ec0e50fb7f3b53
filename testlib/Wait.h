// Waiting for what another thread or process brings about: the condition itself is waited for,
// never a fixed time.
#pragma once

#include <chrono>
#include <functional>

namespace lumetra::testlib {

/// Looks at `condition` until it holds, sleeping a moment between looks (never longer than
/// `longestPause`, for a condition that must be caught soon after it holds); its last answer.
/// The limit (real time) only keeps a broken test from hanging: it measures nothing.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(20),
               std::chrono::microseconds longestPause = std::chrono::milliseconds(5));

}  // namespace lumetra::testlib
