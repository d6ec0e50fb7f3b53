// The display scale factor of the application.
#include "app/win/DisplayScale.h"

#include "platform/system/monitor/win/Monitor.h"

namespace s::app::win {

uint32_t displayScaleFor(int32_t width, int32_t height) {
  if (width >= 4097 && height >= 3240) {
    return 4;
  }
  if (width >= 1921 && height >= 1620) {
    return 2;
  }
  return 1;
}

uint32_t getDisplayScale() {
  // The screen-size tests are the monitor list's: one set of thresholds, computed once.
  static const uint32_t s_scale = system::monitor::win::getScreenScale();
  return s_scale;
}

}  // namespace s::app::win
