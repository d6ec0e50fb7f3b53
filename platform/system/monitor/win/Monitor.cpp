// The monitors of the screen.
#include "platform/system/monitor/win/Monitor.h"

#include "core/col/array/ArrayP.h"
#include "core/thread/ObjLocker.h"
#include "platform/ImagingHooks.h"
#include "platform/system/win/OsVersion.h"

#include <atomic>
#include <mutex>

namespace s::system::monitor::win {

namespace {

/// The process-wide monitor list, filled once under its lock and read without it afterwards.
struct MonitorList {
  thread::ObjLocker lock;
  col::_array::ArrayP monitors;
  std::atomic<bool> filled{false};
  int32_t nextIndex = 0;
};

MonitorList& monitorList() {
  // Never destroyed: windows may look monitors up while the process exits.
  static MonitorList* const s_list = new MonitorList();
  return *s_list;
}

MonitorList& filledList() {
  MonitorList& list = monitorList();
  if (!list.filled.load(std::memory_order_acquire)) {
    std::lock_guard<thread::ObjLocker> guard(list.lock);
    if (!list.filled.load(std::memory_order_relaxed)) {
      ::EnumDisplayMonitors(nullptr, nullptr, &enumMonitorProc, reinterpret_cast<LPARAM>(&list));
      list.filled.store(true, std::memory_order_release);
    }
  }
  return list;
}

RECT virtualScreen() {
  const int32_t left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int32_t top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
              top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool primaryAtLeast(int32_t width, int32_t height) {
  return ::GetSystemMetrics(SM_CXSCREEN) >= width && ::GetSystemMetrics(SM_CYSCREEN) >= height;
}

}  // namespace

void Monitor::reset() {
  m_handle = nullptr;
  m_index = 0;
  m_name.freeBuffer();
}

void Monitor::attach(int32_t index, HMONITOR handle) {
  setIndex(index);
  m_handle = handle;
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(handle, reinterpret_cast<MONITORINFO*>(&info))) {
    m_name.assign(info.szDevice);
  } else {
    m_name.clear();
  }
}

RECT Monitor::rect(bool work) const {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(m_handle, &info)) {
    return RECT{0, 0, 0, 0};
  }
  return work ? info.rcWork : info.rcMonitor;
}

int32_t Monitor::getWidth() const {
  const RECT r = rect(false);
  return r.right - r.left;
}

int32_t Monitor::getHeight() const {
  const RECT r = rect(false);
  return r.bottom - r.top;
}

int32_t Monitor::getWorkWidth() const {
  const RECT r = rect(true);
  return r.right - r.left;
}

int32_t Monitor::getWorkHeight() const {
  const RECT r = rect(true);
  return r.bottom - r.top;
}

BOOL CALLBACK enumMonitorProc(HMONITOR handle, HDC, LPRECT, LPARAM context) {
  auto* list = reinterpret_cast<MonitorList*>(context);
  Monitor* monitor = Monitor::take();
  if (monitor != nullptr) {
    monitor->attach(list->nextIndex++, handle);
    list->monitors.push(monitor);
  }
  return TRUE;
}

Monitor* findMonitor(int32_t x, int32_t y, int32_t width, int32_t height) {
  MonitorList& list = filledList();
  const RECT r{x, y, x + width, y + height};
  HMONITOR handle = ::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  for (uint32_t i = 0; i < list.monitors.getCount(); ++i) {
    auto* monitor = static_cast<Monitor*>(list.monitors.getItems()[i]);
    if (monitor->getHandle() == handle) {
      return monitor;
    }
  }
  return nullptr;
}

int32_t getMonitorCount() { return static_cast<int32_t>(filledList().monitors.getCount()); }

bool isLargeScreen() {
  static const bool s_large = primaryAtLeast(1921, 1620);
  return s_large;
}

bool isVeryLargeScreen() {
  static const bool s_veryLarge = primaryAtLeast(4097, 3240);
  return s_veryLarge;
}

image::win::BufferedImage* captureScreenRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  const RECT screen = virtualScreen();
  if (x < screen.left) {
    width -= screen.left - x;
    x = screen.left;
  }
  if (y < screen.top) {
    height -= screen.top - y;
    y = screen.top;
  }
  if (x + width > screen.right) width = screen.right - x;
  if (y + height > screen.bottom) height = screen.bottom - y;
  if (width <= 0 || height <= 0) return nullptr;
  const platform::ImagingHooks* hooks = platform::getImagingHooks();
  if (hooks == nullptr) return nullptr;
  HDC screenDc = ::GetDC(nullptr);
  if (screenDc == nullptr) return nullptr;
  image::win::BufferedImage* image = hooks->takeImage(width, height);
  HDC memory = image != nullptr ? ::CreateCompatibleDC(screenDc) : nullptr;
  bool copied = false;
  if (memory != nullptr) {
    HGDIOBJ old = ::SelectObject(memory, hooks->getBitmap(image));
    copied =
        old != nullptr && ::BitBlt(memory, 0, 0, width, height, screenDc, x, y, SRCCOPY) != FALSE;
    if (old != nullptr) ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  ::ReleaseDC(nullptr, screenDc);
  if (!copied) {
    if (image != nullptr) hooks->release(image);
    return nullptr;
  }
  hooks->makeOpaque(image);
  return image;
}

RECT captureRectOf(const RECT& window, int32_t majorVersion, uint32_t scale, const RECT& screen) {
  RECT r = window;
  if (majorVersion >= 10) {
    const auto border = static_cast<LONG>(7 * scale);
    r.left += border;
    r.right -= border;
    r.bottom -= border;
  }
  if (r.left <= screen.left) r.left = screen.left;
  if (r.top <= screen.top) r.top = screen.top;
  if (r.right >= screen.right) r.right = screen.right;
  if (r.bottom >= screen.bottom) r.bottom = screen.bottom;
  return r;
}

image::win::BufferedImage* captureWindow(HWND window) {
  if (!::IsWindow(window)) return nullptr;
  RECT r{};
  if (!::GetWindowRect(window, &r)) return nullptr;
  if (!system::win::osQueried.load(std::memory_order_acquire)) system::win::queryWindowsVersion();
  const RECT shown = captureRectOf(r, system::win::osMajor, getScreenScale(), virtualScreen());
  return captureScreenRect(shown.left, shown.top, shown.right - shown.left,
                           shown.bottom - shown.top);
}

uint32_t getScreenScale() {
  if (isVeryLargeScreen()) return 4;
  return isLargeScreen() ? 2 : 1;
}

}  // namespace s::system::monitor::win
