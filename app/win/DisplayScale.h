// The display scale factor of the application.
#pragma once

#include <cstdint>

namespace s::app::win {

/// 4 when the primary screen is very large (at least 4097 x 3240 pixels), else 2 when it is
/// large (at least 1921 x 1620), else 1. Computed on the first call and kept for the process;
/// any thread.
uint32_t getDisplayScale();

/// The scale factor for a primary screen of `width` x `height` pixels.
uint32_t displayScaleFor(int32_t width, int32_t height);

}  // namespace s::app::win
