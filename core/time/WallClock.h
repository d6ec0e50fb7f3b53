// The wall clock in milliseconds since 1970, and seconds since 1970 as the platform's file time.
#pragma once

#include <cstdint>

namespace s::time {

/// 100-nanosecond ticks from 1601-01-01 00:00 UTC, where file times start, to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 116444736000000000LL;

/// Milliseconds since 1970-01-01 00:00 UTC from the system time (truncated). Any thread.
int64_t currentTimeMillis();

/// The file time (100-nanosecond ticks since 1601) of `seconds` since 1970-01-01 00:00 UTC.
constexpr int64_t toFileTime(int64_t seconds) {
  return seconds * 10000000LL + kFileTimeEpochOffset;
}

}  // namespace s::time
