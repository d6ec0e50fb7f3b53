// The X11 driver's screen: monitors are RandR 1.5's (primary first, each work area _NET_WORKAREA
// within its monitor), else the one screen; they are kept and read again after RandR's change
// events. Screen capture reads the root window with XGetImage.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <mutex>
#include <vector>

namespace winapi::x11 {

std::vector<Monitor> X11DriverImpl::monitors() {
  std::lock_guard<std::mutex> guard(m_monitorLock);
  if (!m_monitorsValid.exchange(true)) {
    Hold x(*this);
    // A lost server leaves the monitors as they were last read.
    if (x) m_monitors = readMonitors();
  }
  if (m_monitors.empty()) return {Monitor{kDefaultScreen, kDefaultScreen, true}};
  return m_monitors;
}

void X11DriverImpl::captureScreen(const RECT& rect, PixelBuffer& out) {
  Hold x(*this);
  if (!x) return;
  RECT root{0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
  RECT part;
  if (!IntersectRect(&part, &rect, &root)) return;
  const auto width = static_cast<unsigned>(part.right - part.left);
  const auto height = static_cast<unsigned>(part.bottom - part.top);
  XImage* image = XGetImage(m_display, m_root, part.left, part.top, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return;
  // The visual keeps red, green and blue where the surfaces do (checked at open), so a
  // 32-bit image in this machine's byte order is our pixels but for alpha.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
  for (unsigned y = 0; y < height; ++y) {
    uint32_t* to = out.row(static_cast<int>(y) + part.top - rect.top) + (part.left - rect.left);
    if (direct) {
      const auto* from =
          reinterpret_cast<const uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
      for (unsigned x = 0; x < width; ++x) to[x] = from[x] | 0xFF000000u;
    } else {
      for (unsigned x = 0; x < width; ++x) {
        const unsigned long pixel = XGetPixel(image, static_cast<int>(x), static_cast<int>(y));
        to[x] = 0xFF000000u | (static_cast<uint32_t>(pixel) & 0x00FFFFFFu);
      }
    }
  }
  XDestroyImage(image);
}

// The desktop's work area (_NET_WORKAREA of the first desktop), or false when it has none.
bool X11DriverImpl::readWorkArea(RECT* work) {
  Hold x(*this);
  if (!x) return false;
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(m_display, m_root, m_atoms.netWorkarea, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && count >= 4 && format == 32) {
    long* v = reinterpret_cast<long*>(data);
    *work = RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
                 static_cast<LONG>(v[1] + v[3])};
    found = true;
  }
  if (data != nullptr) XFree(data);
  return found;
}

std::vector<Monitor> X11DriverImpl::readMonitors() {
  const RECT screen{0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
  RECT desktopWork = screen;
  readWorkArea(&desktopWork);
  std::vector<Monitor> out;
  if (m_randr15) {
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(m_display, m_root, True, &count);
    for (int i = 0; list != nullptr && i < count; ++i) {
      const XRRMonitorInfo& m = list[i];
      if (m.width <= 0 || m.height <= 0) continue;
      Monitor monitor{RECT{m.x, m.y, m.x + m.width, m.y + m.height}, RECT{}, m.primary != 0};
      // The work area is the desktop's within this monitor; a monitor it misses keeps all.
      if (!IntersectRect(&monitor.workArea, &monitor.bounds, &desktopWork)) monitor.workArea = monitor.bounds;
      // The primary monitor comes first, as Windows enumerates it.
      if (monitor.primary) {
        out.insert(out.begin(), monitor);
      } else {
        out.push_back(monitor);
      }
    }
    if (list != nullptr) XRRFreeMonitors(list);
  }
  if (out.empty()) {
    RECT work = desktopWork;
    if (!IntersectRect(&work, &work, &screen)) work = screen;
    out.push_back(Monitor{screen, work, true});
  }
  // Windows always has a primary monitor: without one named, the first counts.
  bool anyPrimary = false;
  for (const Monitor& m : out) anyPrimary = anyPrimary || m.primary;
  if (!anyPrimary) out.front().primary = true;
  return out;
}

}  // namespace winapi::x11
