// What gdi32 asks of the window system above it: the system colours (COLOR_*) that brushes made
// for them and greyed text paint in, and the screen metrics (SM_*) of a display DC. The window
// system answers by setting the hook as the program starts (winapi/user32/exports.cpp). Offered by
// gdi32 to user32.
#pragma once

#include <windows.h>

namespace winapi {

struct SystemLook {
  DWORD (*color)(int index);  // GetSysColor
  int (*metric)(int index);   // GetSystemMetrics
};
/// Sets the answers; any thread, before the first drawing.
void setSystemLook(SystemLook look);
/// The system colour `index`; black while no window system has set the hook.
DWORD systemColor(int index);
/// The system metric `index`; 0 while no window system has set the hook.
int systemMetric(int index);

}  // namespace winapi
