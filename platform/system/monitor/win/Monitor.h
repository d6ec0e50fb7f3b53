// The monitors of the screen: the monitor object, the process-wide list and its lookup, the
// two screen-size tests, and captures of a screen rectangle or a window.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "platform/system/monitor/IMonitor.h"

#include <windows.h>

namespace s::image::win {
class BufferedImage;
}

namespace s::system::monitor::win {

/// One monitor of the platform, by its handle. Pooled (capacity 1000); the process-wide list
/// holds its monitors until the process ends.
class Monitor final : public IMonitor {
  S_POOLED_CLASS(Monitor, u"s_system_monitor_win_Monitor")

  Monitor() = default;
  void reset() override;

  /// Takes the monitor `handle` as the `index`th of the enumeration and reads its device name.
  void attach(int32_t index, HMONITOR handle);
  HMONITOR getHandle() const { return m_handle; }

  int32_t getIndex() const override { return m_index; }
  void setIndex(int32_t index) override { m_index = index; }
  const WCHAR* getName() const override { return m_name.getCStr(); }
  void setName(const WCHAR* name) override { m_name.assign(name); }
  int32_t getLeft() const override { return rect(false).left; }
  int32_t getTop() const override { return rect(false).top; }
  int32_t getWidth() const override;
  int32_t getHeight() const override;
  int32_t getWorkLeft() const override { return rect(true).left; }
  int32_t getWorkTop() const override { return rect(true).top; }
  int32_t getWorkWidth() const override;
  int32_t getWorkHeight() const override;

 private:
  /// The monitor's rectangle or work area now (all zero when the monitor is gone).
  RECT rect(bool work) const;

  HMONITOR m_handle = nullptr;
  int32_t m_index = 0;
  mutable str::strbuffer::StrBuffer m_name;
};

/// The EnumDisplayMonitors callback that fills the list: `context` is the list filler.
BOOL CALLBACK enumMonitorProc(HMONITOR handle, HDC dc, LPRECT rect, LPARAM context);

/// The monitor that holds most of the rectangle (the nearest when none does), from the list
/// filled on the first call and kept for the process; null when there is none. Any thread.
Monitor* findMonitor(int32_t x, int32_t y, int32_t width, int32_t height);

/// Monitors in the list (filled on first use).
int32_t getMonitorCount();

/// A new opaque image (from BufferedImage's pool; the caller releases it) of the screen
/// rectangle, in virtual-screen coordinates, cut to the virtual screen. Null when nothing is
/// left of it, when there is no screen DC, or before imaging has installed its calls.
image::win::BufferedImage* captureScreenRect(int32_t x, int32_t y, int32_t width, int32_t height);
/// The window's rectangle as `captureScreenRect` takes it (see `captureRectOf`); null when
/// `window` is not a window.
image::win::BufferedImage* captureWindow(HWND window);
/// The part of a window rectangle that shows the window: from major version 10 on, the
/// invisible borders (7 pixels at scale 1) go on the left, right and bottom. Then clamped to
/// the virtual screen `screen`.
RECT captureRectOf(const RECT& window, int32_t majorVersion, uint32_t scale, const RECT& screen);
/// The display scale factor of this screen: 4 when very large, 2 when large, else 1.
uint32_t getScreenScale();

/// The primary screen is at least 1921 x 1620 pixels; computed once.
bool isLargeScreen();
/// The primary screen is at least 4097 x 3240 pixels; computed once.
bool isVeryLargeScreen();

}  // namespace s::system::monitor::win
