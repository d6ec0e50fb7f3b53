// The small desktop queries of the application: the system version gate, the monitors and the
// work area.
#pragma once

#include <cstdint>

namespace s::app::win {

/// The system is NT-based with version 5.2.
bool isNtVersion52();
/// Whether the start-up goes on on a system of this version: NT 5.1, NT 5.2, or 6.0 and later.
bool isSupportedWindowsVersion(bool isNt, int32_t major, int32_t minor);
/// The number of display monitors, enumerated once into the process-wide monitor list.
int32_t getMonitorCount();
/// The primary monitor's work area, read again on every call.
int32_t getWorkAreaLeft();
int32_t getWorkAreaTop();
int32_t getWorkAreaWidth();
int32_t getWorkAreaHeight();

}  // namespace s::app::win
