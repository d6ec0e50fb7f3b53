// The small desktop queries of the application.
#include "app/win/Desktop.h"

#include "platform/system/monitor/win/Monitor.h"
#include "platform/system/win/OsVersion.h"

#include <windows.h>

namespace s::app::win {

namespace {

RECT workArea() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

void ensureVersion() {
  if (!system::win::osQueried.load(std::memory_order_acquire)) {
    system::win::queryWindowsVersion();
  }
}

}  // namespace

bool isNtVersion52() {
  ensureVersion();
  return system::win::osIsNt && system::win::osMajor == 5 && system::win::osMinor == 2;
}

bool isSupportedWindowsVersion(bool isNt, int32_t major, int32_t minor) {
  if (major >= 6) {
    return true;
  }
  return isNt && major == 5 && (minor == 1 || minor == 2);
}

int32_t getMonitorCount() { return system::monitor::win::getMonitorCount(); }

int32_t getWorkAreaLeft() { return workArea().left; }

int32_t getWorkAreaTop() { return workArea().top; }

int32_t getWorkAreaWidth() {
  RECT area = workArea();
  return area.right - area.left;
}

int32_t getWorkAreaHeight() {
  RECT area = workArea();
  return area.bottom - area.top;
}

}  // namespace s::app::win
