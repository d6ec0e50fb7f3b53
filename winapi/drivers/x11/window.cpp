// The X11 driver's windows: made and destroyed, titled, shaped, given icons, shown, hidden,
// minimised and maximised; the EWMH and Motif hints that tell the window manager what each one
// is (keep-on-top, taskbar, opacity, undecorated frames), the manager's state reported back, and
// finished surfaces shown with XPutImage.
// Left out: MIT-SHM (XPutImage of the changed rectangle is fast enough for the program's windows).
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/base/debug.h"
#include "winapi/base/utf8.h"
#include "winapi/user32/Input.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace winapi::x11 {

namespace {

// _MOTIF_WM_HINTS is five longs: flags, functions, decorations, input mode, status. Only the
// decorations field is given, and it says all or nothing.
constexpr int kMotifHintsLength = 5;
constexpr long kMotifHintsDecorations = 1L << 1;  // the flag that makes the decorations field count
constexpr long kMotifDecorationsAll = 1L << 0;

}  // namespace

NativeWindow X11DriverImpl::createWindow(HWND hwnd, const RECT& r, const WindowHints& hints) {
  Hold x(*this);
  if (!x) return 0;
  NativeInfo info;
  info.hwnd = hwnd;
  info.decorated = hints.decorated;
  info.hints = hints;
  info.wanted = info.known = r;
  info.wantedAt = std::chrono::steady_clock::now();
  info.placed = hints.placed;
  if (hints.decorated) std::call_once(m_extentsAsked, [this] { askFrameExtents(); });
  {
    std::lock_guard<std::mutex> guard(m_lock);
    info.insets = hints.decorated ? m_learntExtents : RECT{0, 0, 0, 0};
  }
  RECT c = inner(r, info.insets);
  XSetWindowAttributes attrs{};
  attrs.background_pixmap = None;
  attrs.bit_gravity = NorthWestGravity;
  attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     PointerMotionMask | LeaveWindowMask | StructureNotifyMask | FocusChangeMask | PropertyChangeMask;
  // Menus and drop lists are placed and stacked by us alone; the window manager never sees them.
  attrs.override_redirect = hints.menu ? True : False;
  // The place is the frame's: see setBounds.
  ::Window w =
      XCreateWindow(m_display, m_root, r.left, r.top, static_cast<unsigned>(std::max<LONG>(1, c.right - c.left)),
                    static_cast<unsigned>(std::max<LONG>(1, c.bottom - c.top)), 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWBackPixmap | CWBitGravity | CWEventMask | CWOverrideRedirect, &attrs);
  if (w == 0) return 0;
  XSetWMProtocols(m_display, w, &m_atoms.wmDeleteWindow, 1);
  long pid = getpid();
  XChangeProperty(m_display, w, m_atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pid), 1);
  XClassHint cls{const_cast<char*>("lumetra"), const_cast<char*>("Lumetra")};
  XSetClassHint(m_display, w, &cls);
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_windows[w] = info;
  }
  TRACE(X11, "window 0x%lx made at (%d,%d) %dx%d, frame %d,%d,%d,%d", w, r.left, r.top, c.right - c.left,
        c.bottom - c.top, info.insets.left, info.insets.top, info.insets.right, info.insets.bottom);
  applyHints(w, hints, false);
  placeHint(w, r, c);
  XFlush(m_display);
  return static_cast<NativeWindow>(w);
}

void X11DriverImpl::destroyWindow(NativeWindow window) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_windows.erase(static_cast<::Window>(window));
  }
  Hold x(*this);
  if (!x) return;
  XDestroyWindow(m_display, static_cast<::Window>(window));
  XFlush(m_display);
}

void X11DriverImpl::setTitle(NativeWindow window, const std::u16string& title) {
  Hold x(*this);
  if (!x) return;
  std::string utf8, latin1;
  utf8::toUtf8(title, utf8);
  // The old title property holds Latin-1: what lies outside it shows as '?'.
  for (char16_t c : title) latin1.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  ::Window w = static_cast<::Window>(window);
  XChangeProperty(m_display, w, m_atoms.netWmName, m_atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  XChangeProperty(m_display, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
  XFlush(m_display);
}

void X11DriverImpl::setHints(NativeWindow window, const WindowHints& hints) {
  Hold x(*this);
  if (!x) return;
  applyHints(static_cast<::Window>(window), hints, true);
  XFlush(m_display);
}

// A shown window whose rectangle is empty stays unmapped: X has no empty windows, and the
// one-pixel window that would stand in for it would show (and take a place in the manager's
// lists) where Windows shows nothing.
void X11DriverImpl::setVisible(NativeWindow window, bool visible, bool activateIt) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  bool empty = false, placedNow = false;
  RECT wanted{}, insets{};
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it != m_windows.end()) {
      NativeInfo& info = it->second;
      info.mapped = visible;
      empty = IsRectEmpty(&info.wanted) != FALSE;
      // A window the manager placed has that place from then on: shown again, it is asked for
      // there, as a window the program placed is, or the manager would place it anew each time
      // it maps it (openbox centres it again for its new size) and the window would wander.
      placedNow = !visible && info.viewable && !info.placed && !info.hints.menu;
      if (placedNow) info.placed = true;
      wanted = info.wanted;
      insets = info.insets;
    }
  }
  TRACE(X11, "window 0x%lx %s", w, visible ? (empty ? "shown, empty" : "mapped") : "withdrawn");
  if (visible) {
    if (empty) return;
    XMapRaised(m_display, w);
    if (activateIt) activate(window);
  } else {
    if (!isMenu(w)) holdRelease(w);
    XWithdrawWindow(m_display, w, m_screen);
    if (placedNow) placeHint(w, wanted, inner(wanted, insets));
  }
  XFlush(m_display);
}

void X11DriverImpl::setMinimized(NativeWindow window, bool minimized) {
  Hold x(*this);
  if (!x) return;
  TRACE(X11, "window 0x%lx %s", static_cast<::Window>(window), minimized ? "iconified" : "mapped again");
  if (minimized) {
    holdRelease(static_cast<::Window>(window));
    XIconifyWindow(m_display, static_cast<::Window>(window), m_screen);
  } else if (shownWithArea(static_cast<::Window>(window))) {
    XMapRaised(m_display, static_cast<::Window>(window));
  }
  XFlush(m_display);
}

void X11DriverImpl::setMaximized(NativeWindow window, bool maximized) {
  Hold x(*this);
  if (!x) return;
  sendState(static_cast<::Window>(window), maximized, m_atoms.netWmStateMaxVert, m_atoms.netWmStateMaxHorz);
  XFlush(m_display);
}

void X11DriverImpl::setShape(NativeWindow window, const Region* shape) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  if (shape == nullptr) {
    XShapeCombineMask(m_display, w, ShapeBounding, 0, 0, None, ShapeSet);
  } else {
    RECT insets = insetsOf(w);
    std::vector<XRectangle> rects;
    for (const RECT& r : shape->rects()) {
      rects.push_back(XRectangle{static_cast<short>(r.left - insets.left), static_cast<short>(r.top - insets.top),
                                 static_cast<unsigned short>(r.right - r.left),
                                 static_cast<unsigned short>(r.bottom - r.top)});
    }
    XShapeCombineRectangles(m_display, w, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeSet,
                            YXBanded);
  }
  XFlush(m_display);
}

void X11DriverImpl::setIcon(NativeWindow window, int width, int height, const std::vector<uint32_t>& pixels) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  if (width <= 0 || height <= 0) {
    XDeleteProperty(m_display, w, m_atoms.netWmIcon);
  } else {
    // Format-32 properties travel as longs, whatever their width.
    std::vector<long> data;
    data.reserve(pixels.size() + 2);
    data.push_back(width);
    data.push_back(height);
    for (uint32_t p : pixels) data.push_back(static_cast<long>(p));
    XChangeProperty(m_display, w, m_atoms.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(data.data()), static_cast<int>(data.size()));
  }
  XFlush(m_display);
}

void X11DriverImpl::present(NativeWindow window, const PixelBuffer& surface, const RECT& dirty, POINT) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  RECT insets = insetsOf(w);
  RECT shown{insets.left, insets.top, surface.width - insets.right, surface.height - insets.bottom};
  RECT r;
  if (!IntersectRect(&r, &dirty, &shown) || surface.stride <= 0) return;
  // The image borrows the surface's memory; it is detached again before it is freed.
  XImage* image = XCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, 0,
                               reinterpret_cast<char*>(surface.row0), static_cast<unsigned>(surface.width),
                               static_cast<unsigned>(surface.height), 32, static_cast<int>(surface.stride * 4));
  if (image == nullptr) return;
  XPutImage(m_display, w, m_gc, image, r.left, r.top, r.left - insets.left, r.top - insets.top,
            static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
  image->data = nullptr;
  XDestroyImage(image);
  XFlush(m_display);
}

bool X11DriverImpl::isMenu(::Window w) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  return it != m_windows.end() && it->second.hints.menu;
}

bool X11DriverImpl::shownWithArea(::Window w) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  return it != m_windows.end() && it->second.mapped && !IsRectEmpty(&it->second.wanted);
}

void X11DriverImpl::sendState(::Window w, bool add, Atom first, Atom second) {
  Hold x(*this);
  if (!x) return;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = m_atoms.netWmState;
  e.xclient.format = 32;
  e.xclient.data.l[0] = add ? 1 : 0;
  e.xclient.data.l[1] = static_cast<long>(first);
  e.xclient.data.l[2] = static_cast<long>(second);
  e.xclient.data.l[3] = 1;
  XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

// Writes the hints' properties; an update writes only those whose value changed. A manager may
// take any write of a property as news (xfwm4 frames a window anew on a rewrite of its Motif
// hints, and places it again as it does so), and the layer updates the hints on every change of
// the stacking order.
void X11DriverImpl::applyHints(::Window w, const WindowHints& hints, bool update) {
  Hold x(*this);
  if (!x) return;
  bool mapped = false;
  bool reframed = false;
  RECT wanted{}, insets{};
  WindowHints old;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end()) return;
    NativeInfo& info = it->second;
    old = info.hints;
    info.hints = hints;
    reframed = update && info.decorated != hints.decorated;
    info.decorated = hints.decorated;
    mapped = info.mapped;
    if (reframed) {
      // A window that frames itself has no frame of the manager's; one that gets the manager's
      // frame back has the frame other windows have until the manager tells its own. The
      // window keeps its place and size: its client area gives or takes the frame's room, or
      // the frame a window had when made would stay cut out of it.
      info.insets = hints.decorated ? m_learntExtents : RECT{0, 0, 0, 0};
      info.unsettled = true;
      wanted = info.wanted;
      insets = info.insets;
    }
  }
  if (reframed && !IsRectEmpty(&wanted)) {
    const RECT c = inner(wanted, insets);
    TRACE(X11, "window 0x%lx %s: (%d,%d) %dx%d", w, hints.decorated ? "framed" : "frames itself", wanted.left,
          wanted.top, c.right - c.left, c.bottom - c.top);
    XMoveResizeWindow(m_display, w, wanted.left, wanted.top, static_cast<unsigned>(std::max<LONG>(1, c.right - c.left)),
                      static_cast<unsigned>(std::max<LONG>(1, c.bottom - c.top)));
    placeHint(w, wanted, c);
  }
  if (!update || old.decorated != hints.decorated) {
    // Motif hints: no decorations for popups and undecorated frames.
    long motif[kMotifHintsLength] = {kMotifHintsDecorations, 0, hints.decorated ? kMotifDecorationsAll : 0, 0, 0};
    XChangeProperty(m_display, w, m_atoms.motifWmHints, m_atoms.motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), kMotifHintsLength);
  }
  const auto typeOf = [this](const WindowHints& h) {
    return h.skipTaskbar && !h.decorated ? m_atoms.netWmWindowTypeUtility : m_atoms.netWmWindowTypeNormal;
  };
  Atom type = typeOf(hints);
  if (!update || typeOf(old) != type) {
    XChangeProperty(m_display, w, m_atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
  }
  if (mapped && update) {
    if (old.topmost != hints.topmost) sendState(w, hints.topmost, m_atoms.netWmStateAbove, 0);
    if (old.skipTaskbar != hints.skipTaskbar) {
      sendState(w, hints.skipTaskbar, m_atoms.netWmStateSkipTaskbar, m_atoms.netWmStateSkipPager);
    }
  } else if (!update || old.topmost != hints.topmost || old.skipTaskbar != hints.skipTaskbar) {
    std::vector<Atom> states;
    if (hints.topmost) states.push_back(m_atoms.netWmStateAbove);
    if (hints.skipTaskbar) {
      states.push_back(m_atoms.netWmStateSkipTaskbar);
      states.push_back(m_atoms.netWmStateSkipPager);
    }
    {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_windows.find(w);
      if (it != m_windows.end()) ++it->second.ownStateWrites;
    }
    XChangeProperty(m_display, w, m_atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(states.data()), static_cast<int>(states.size()));
  }
  if (!update || old.alpha != hints.alpha) {
    if (hints.alpha == 255) {
      XDeleteProperty(m_display, w, m_atoms.netWmWindowOpacity);
    } else {
      unsigned long opacity = static_cast<unsigned long>(hints.alpha) * 0xFFFFFFFFul / 255ul;
      XChangeProperty(m_display, w, m_atoms.netWmWindowOpacity, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&opacity), 1);
    }
  }
  if (hints.transientFor != 0 && (!update || old.transientFor != hints.transientFor)) {
    XSetTransientForHint(m_display, w, static_cast<::Window>(hints.transientFor));
  }
}

HWND X11DriverImpl::hwndOf(::Window w, RECT* insets) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  if (it == m_windows.end()) return nullptr;
  if (insets != nullptr) *insets = it->second.insets;
  return it->second.hwnd;
}

// The window manager's _NET_WM_STATE: hidden is minimised, both maximised states maximised.
void X11DriverImpl::reportState(::Window w, HWND hwnd) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it != m_windows.end() && it->second.ownStateWrites > 0) {
      // The driver's own write comes back: it is no news from the window manager.
      --it->second.ownStateWrites;
      return;
    }
  }
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool hidden = false, vert = false, horz = false;
  {
    Hold x(*this);
    if (!x) return;
    if (XGetWindowProperty(m_display, w, m_atoms.netWmState, 0, 32, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
      Atom* states = reinterpret_cast<Atom*>(data);
      for (unsigned long i = 0; i < count; ++i) {
        hidden = hidden || states[i] == m_atoms.netWmStateHidden;
        vert = vert || states[i] == m_atoms.netWmStateMaxVert;
        horz = horz || states[i] == m_atoms.netWmStateMaxHorz;
      }
    }
    if (data != nullptr) XFree(data);
  }
  {
    // A manager clears the state of a window it lets go: for a window the program hid that is
    // no restore, and acted on it would show the window again. Whether the program hid it is
    // asked once the answer is in: a window hidden while the property was read may have been
    // let go before the server answered, and only one still shown now was shown then.
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it != m_windows.end() && !it->second.mapped) {
      TRACE(X11, "window 0x%lx: the state of a hidden window is passed over", w);
      return;
    }
  }
  TRACE(X11, "window 0x%lx: the manager's state is%s%s%s", w, hidden ? " hidden" : "", vert ? " tall" : "",
        horz ? " wide" : "");
  nativeStateChanged(hwnd, hidden, vert && horz);
}

}  // namespace winapi::x11
