// The FILETIME scale shared by the layer's clocks, file times and registry times.
#pragma once

#include <cstdint>

namespace winapi::filetime {

/// A FILETIME counts 100-ns ticks.
constexpr int64_t kTicksPerSecond = 10000000;
/// It counts from 1601-01-01, where the 400-year Gregorian cycle in use when Windows NT was
/// designed begins; POSIX time counts from 1970-01-01. Between them lie 369 years with 89 leap
/// days: 134774 days of 86400 seconds.
constexpr int64_t kUnixEpochSeconds = 134774LL * 86400LL;
/// The Unix epoch as a FILETIME.
constexpr int64_t kUnixEpoch = kUnixEpochSeconds * kTicksPerSecond;
static_assert(kUnixEpoch == 116444736000000000LL);

}  // namespace winapi::filetime
