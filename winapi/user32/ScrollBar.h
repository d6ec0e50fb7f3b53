// The non-client vertical scroll bar of WS_VSCROLL windows, as the frame code and the list box
// reach it. Internal to the layer.
#pragma once

#include <windows.h>

namespace winapi {

struct Window;

/// Pixels the vertical bar takes from the client area: SM_CXVSCROLL with WS_VSCROLL, else 0.
int verticalBarWidth(const Window* w);
/// Whether a point in window coordinates (0, 0 = the window's corner) is on the vertical bar.
/// Called under userLock.
bool pointOnVerticalBar(const Window* w, POINT windowPoint);
/// Paints the bar into a window DC (window coordinates); nothing without WS_VSCROLL.
void paintScrollBars(HWND hwnd, HDC windowDc);
/// A press on the bar at a screen point: takes the capture, does the first step and starts the
/// repeat timer. The tracking ends at the button's release or when the capture goes.
void beginScrollTracking(HWND hwnd, POINT screen);
/// Feeds a client mouse message (WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED) to a running
/// tracking; true when it took the message.
bool scrollTrackingMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool isScrollTracking(HWND hwnd);
/// Drops the bar's state of a window that goes away.
void forgetScrollBars(HWND hwnd);

/// One arrow button in the classic look: a raised button with a 7 x 4 triangle, or flat in
/// COLOR_3DSHADOW with the triangle moved by (1, 1) while pressed. `up` points the triangle up.
void paintArrowButton(HDC dc, const RECT& r, bool up, bool pressed, bool disabled);

}  // namespace winapi
