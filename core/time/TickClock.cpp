// The tick clock.
#include "core/time/TickClock.h"

#include <windows.h>

namespace s::time {

int64_t tickMillis() { return static_cast<int64_t>(GetTickCount64()); }

}  // namespace s::time
