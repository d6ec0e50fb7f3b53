// The wall clock.
#include "core/time/WallClock.h"

#include <windows.h>

namespace s::time {

int64_t currentTimeMillis() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const auto ticks =
      static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  return (ticks - kFileTimeEpochOffset) / 10000;
}

}  // namespace s::time
