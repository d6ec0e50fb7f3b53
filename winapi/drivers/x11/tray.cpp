// The X11 driver's notification-area icons: XEmbed clients of the freedesktop system tray
// (without a tray manager there is none to add), painted from the icon's picture.
// Left out: tray balloons and the XEmbed focus protocol.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/base/debug.h"
#include "winapi/base/utf8.h"
#include "winapi/shell32/NotifyIcon.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace winapi::x11 {

namespace {

// The freedesktop system tray: a dock request is opcode 0 of _NET_SYSTEM_TRAY_OPCODE, and an
// icon window that says it is mapped (XEMBED_MAPPED) in _XEMBED_INFO is mapped by the tray.
constexpr long kSystemTrayRequestDock = 0;
constexpr long kXembedVersion = 0;
constexpr long kXembedMapped = 1L << 0;
// The side of an icon window before the tray sizes it: a panel's usual icon size.
constexpr unsigned kTrayIconSize = 22;

}  // namespace

// The notification area: the tray manager owns the _NET_SYSTEM_TRAY_S<screen> selection; each
// icon is a small window of ours that the manager embeds on a dock request.
bool X11DriverImpl::addTrayIcon(const TrayIcon& icon) {
  Hold x(*this);
  if (!x) return false;
  ::Window manager = XGetSelectionOwner(m_display, m_atoms.systemTray);
  if (manager == None) return false;
  XSetWindowAttributes attrs{};
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
  attrs.background_pixel = 0;
  ::Window w = XCreateWindow(m_display, m_root, 0, 0, kTrayIconSize, kTrayIconSize, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWEventMask | CWBackPixel, &attrs);
  long info[2] = {kXembedVersion, kXembedMapped};
  XChangeProperty(m_display, w, m_atoms.xembedInfo, m_atoms.xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(info), 2);
  // Trays that size an icon by what it asks for (GTK's sockets) would give a window without
  // size hints a pixel or two.
  XSizeHints* size = XAllocSizeHints();
  if (size != nullptr) {
    size->flags = PMinSize | PBaseSize;
    size->min_width = size->base_width = kTrayIconSize;
    size->min_height = size->base_height = kTrayIconSize;
    XSetWMNormalHints(m_display, w, size);
    XFree(size);
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_trayWindows.push_back(TrayWindow{icon, w});
  }
  setTrayTip(w, icon.tip);
  XEvent dock{};
  dock.xclient.type = ClientMessage;
  dock.xclient.window = manager;
  dock.xclient.message_type = m_atoms.systemTrayOpcode;
  dock.xclient.format = 32;
  dock.xclient.data.l[0] = CurrentTime;
  dock.xclient.data.l[1] = kSystemTrayRequestDock;
  dock.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(m_display, manager, False, NoEventMask, &dock);
  XFlush(m_display);
  return true;
}

void X11DriverImpl::updateTrayIcon(const TrayIcon& icon) {
  Hold x(*this);
  if (!x) return;
  ::Window w = 0;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (TrayWindow& t : m_trayWindows) {
      if (t.icon.hwnd == icon.hwnd && t.icon.id == icon.id) {
        t.icon = icon;
        w = t.window;
      }
    }
  }
  if (w == 0) return;
  setTrayTip(w, icon.tip);
  paintTrayIcon(w);
}

void X11DriverImpl::removeTrayIcon(HWND hwnd, UINT id) {
  ::Window w = 0;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = std::find_if(m_trayWindows.begin(), m_trayWindows.end(),
                           [&](const TrayWindow& t) { return t.icon.hwnd == hwnd && t.icon.id == id; });
    if (it == m_trayWindows.end()) return;
    w = it->window;
    m_trayWindows.erase(it);
  }
  Hold x(*this);
  if (!x) return;
  XDestroyWindow(m_display, w);
  XFlush(m_display);
}

// Input and exposure of a tray icon window; false for other windows.
bool X11DriverImpl::handleTrayEvent(XEvent& e) {
  TrayIcon icon;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = std::find_if(m_trayWindows.begin(), m_trayWindows.end(),
                           [&](const TrayWindow& t) { return t.window == e.xany.window; });
    if (it == m_trayWindows.end()) return false;
    icon.hwnd = it->icon.hwnd;
    icon.id = it->icon.id;
  }
  switch (e.type) {
    case Expose:
      if (e.xexpose.count == 0) paintTrayIcon(e.xany.window);
      break;
    case ConfigureNotify: paintTrayIcon(e.xany.window); break;
    case MotionNotify: trayIconInput(icon.hwnd, icon.id, WM_MOUSEMOVE); break;
    case ButtonPress:
    case ButtonRelease: {
      bool down = e.type == ButtonPress;
      TRACE(X11, "tray icon 0x%lx: button %u %s", e.xany.window, e.xbutton.button, down ? "down" : "up");
      UINT message = 0;
      if (e.xbutton.button == Button1) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      if (e.xbutton.button == Button2) message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      if (e.xbutton.button == Button3) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      if (message != 0) trayIconInput(icon.hwnd, icon.id, message);
      break;
    }
    default: break;
  }
  return true;
}

void X11DriverImpl::setTrayTip(::Window w, const std::u16string& tip) {
  Hold x(*this);
  if (!x) return;
  std::string bytes;
  utf8::toUtf8(tip, bytes);
  XChangeProperty(m_display, w, m_atoms.netWmName, m_atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  XStoreName(m_display, w, bytes.c_str());
}

// The icon's picture scaled to the window the tray gave it, nearest pixel, over black where
// the icon is transparent.
void X11DriverImpl::paintTrayIcon(::Window w) {
  Hold x(*this);
  if (!x) return;
  TrayIcon icon;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it =
        std::find_if(m_trayWindows.begin(), m_trayWindows.end(), [&](const TrayWindow& t) { return t.window == w; });
    if (it == m_trayWindows.end()) return;
    icon = it->icon;
  }
  XWindowAttributes attrs{};
  if (!XGetWindowAttributes(m_display, w, &attrs) || attrs.width <= 0 || attrs.height <= 0) return;
  int width = attrs.width, height = attrs.height;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  if (icon.iconWidth > 0 && icon.iconHeight > 0) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        uint32_t p = icon.pixels[static_cast<size_t>(y * icon.iconHeight / height) * icon.iconWidth +
                                 x * icon.iconWidth / width];
        uint32_t a = p >> 24;
        uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
        pixels[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
      }
    }
  }
  XImage* image = XCreateImage(m_display, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, width * 4);
  if (image == nullptr) return;
  GC gc = XCreateGC(m_display, w, 0, nullptr);
  XPutImage(m_display, w, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFreeGC(m_display, gc);
  image->data = nullptr;
  XDestroyImage(image);
  XFlush(m_display);
}

}  // namespace winapi::x11
