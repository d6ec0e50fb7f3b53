// The monitors of the screen: the monitor object, the process-wide list and its lookup, and the
// two screen-size tests.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "platform/system/monitor/IMonitor.h"

#include <windows.h>

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

/// The primary screen is at least 1921 x 1620 pixels; computed once.
bool isLargeScreen();
/// The primary screen is at least 4097 x 3240 pixels; computed once.
bool isVeryLargeScreen();

}  // namespace s::system::monitor::win
