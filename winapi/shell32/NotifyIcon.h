// What display drivers and the window system tell the notification-area icons.
#pragma once

#include <windows.h>

namespace winapi {

/// Mouse input over a notification-area icon (lparam of its callback message: WM_MOUSEMOVE,
/// WM_LBUTTONDOWN, WM_RBUTTONUP, ...). Posts the icon's callback message to its window; false for
/// an unknown icon or one without a callback message. Safe to call from any thread.
bool trayIconInput(HWND hwnd, UINT id, UINT mouseMessage);
/// A window that goes away takes its icons out of the notification area.
void forgetTrayIconsOf(HWND hwnd);

}  // namespace winapi
