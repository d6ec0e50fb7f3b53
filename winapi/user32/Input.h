// What display drivers tell the window system: input, drops and changes the window manager
// made to native top-level windows. Safe to call from any thread (a driver's event thread, or a
// test injecting input); the work happens on the thread that owns the window.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Gdi.h"

#include <string>
#include <vector>

namespace winapi {

/// A mouse event at a screen point over a top-level window (or the window holding the capture):
/// message is WM_MOUSEMOVE, WM_LBUTTONDOWN/UP, WM_RBUTTONDOWN/UP, WM_MBUTTONDOWN/UP or
/// WM_MOUSEWHEEL (wheelDelta in multiples of WHEEL_DELTA).
void queueMouseInput(HWND top, UINT message, POINT screen, int wheelDelta);
/// A key pressed or released in a top-level window; ch is the text the key types (0: none).
void queueKeyInput(HWND top, UINT vk, char16_t ch, bool down);
/// Files dropped at a screen point of a top-level window (paths in their Windows form).
void queueDrop(HWND top, POINT screen, std::vector<std::u16string> files);

/// The window manager moved or resized a top-level window (its outer rectangle, screen).
void nativeMoved(HWND top, const RECT& windowRect);
/// The window manager minimised, maximised or restored a top-level window.
void nativeStateChanged(HWND top, bool minimized, bool maximized);
/// The user asked to close a top-level window (its close button): WM_CLOSE reaches it.
void nativeCloseRequested(HWND top);
/// The window manager activated or deactivated a top-level window.
void nativeActivated(HWND top, bool active);
/// Part of a native window needs showing again (surface coordinates).
void nativeExposed(HWND top, const RECT& surfaceRect);
/// The connection to the display is lost for good: `why` goes to standard error after the
/// program's name, and the session ends as at log-out (see watchSessionEnd). The driver makes no
/// further call to its display. Any thread; it does not wait for anything.
void nativeDisplayLost(const char* why);

/// The visible top-level windows of this process, back to front, over the screen rectangle
/// `rect` into `out` (rect's size): what the screen shows as far as this process knows it.
void composeOwnWindows(const RECT& rect, PixelBuffer& out);

}  // namespace winapi
