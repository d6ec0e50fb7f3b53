// A shown window for the child-window tests, with waiting and reading its pixels.
#pragma once

#include "gui/win/Window.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <chrono>
#include <functional>

namespace lumetra::testgui {

inline bool waitFor(const std::function<bool()>& condition) {
  return lumetra::testlib::waitUntil(condition, std::chrono::seconds(3));
}

/// Lets the window's UI thread handle everything queued for it so far.
inline void settle(HWND window) { ::SendMessageW(window, WM_NULL, 0, 0); }

/// Returns once the window's UI thread has handled everything given to it, input and paints
/// included, and waits for more; false when it is still busy after a generous limit.
inline bool idle(HWND window) { return winapi::HeadlessDriver::current()->waitUntilIdle(window); }

/// A window at (100, 100), 400 x 300, shown, released with the holder.
struct ShownWindow {
  ShownWindow() : window(s::gui::win::Window::take()) {
    window->setBounds(100, 100, 400, 300);
    window->show(true, false);
  }
  ~ShownWindow() { window->release(); }
  ShownWindow(const ShownWindow&) = delete;
  ShownWindow& operator=(const ShownWindow&) = delete;
  s::gui::win::Window* operator->() const { return window; }
  s::gui::win::Window* window;
};

/// The colour (0x00BBGGRR) the headless screen shows at a screen point of a top-level window;
/// 0xFFFFFFFF when the window has no picture or the point is outside it.
inline COLORREF screenPixel(HWND top, int x, int y) {
  winapi::PixelBuffer picture;
  RECT r;
  if (!::GetWindowRect(top, &r) || !winapi::HeadlessDriver::current()->capture(top, &picture)) {
    return 0xFFFFFFFF;
  }
  const int px = x - r.left;
  const int py = y - r.top;
  if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) {
    return 0xFFFFFFFF;
  }
  const uint32_t argb = picture.row(py)[px];
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

/// Where a child window's client corner lies on the screen.
inline POINT screenCorner(HWND child) {
  POINT p{0, 0};
  ::ClientToScreen(child, &p);
  return p;
}

/// A child window's position in its parent's client area.
inline POINT positionInParent(HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  POINT p{r.left, r.top};
  ::ScreenToClient(::GetParent(child), &p);
  return p;
}

}  // namespace lumetra::testgui
