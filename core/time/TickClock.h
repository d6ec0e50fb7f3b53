// The clock that intervals are measured on: milliseconds that never go back.
#pragma once

#include <cstdint>

namespace s::time {

/// Milliseconds on the system's tick clock (GetTickCount64) from an arbitrary start, for
/// measuring intervals: how long ago a window lost the activation or a menu closed. Unlike the
/// wall clock it never goes back when the user sets the time; tests under the headless driver
/// stop it and move it instead of waiting. Any thread.
int64_t tickMillis();

}  // namespace s::time
