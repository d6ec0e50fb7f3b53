// The X11 driver's window geometry. Each top-level window is one X window covering what the
// window manager does not draw (the window rectangle less the manager's frame, learnt from
// _NET_FRAME_EXTENTS); places and sizes are asked of the manager, and the ones it chose are taken
// on once a request has had its time. Moves and resizes by the mouse go to the manager
// (_NET_WM_MOVERESIZE) where it offers them.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/base/debug.h"
#include "winapi/user32/Input.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

namespace winapi::x11 {

namespace {

// The direction of a _NET_WM_MOVERESIZE message that calls off the move or resize under way.
constexpr long kMoveResizeCancel = 11;

// How long a window manager is given to carry out a request for a window's place and size. Until
// then the window's geometry only settles at what was asked; after it, whatever the server has is
// the manager's choice. Managers answer within milliseconds; the margin is for a loaded machine.
constexpr auto kRequestTime = std::chrono::seconds(1);

}  // namespace

RECT X11DriverImpl::frameInsets(DWORD style, DWORD) {
  bool decorated = (style & WS_CAPTION) != 0 || (style & WS_THICKFRAME) != 0;
  if (!decorated) return RECT{0, 0, 0, 0};
  std::call_once(m_extentsAsked, [this] { askFrameExtents(); });
  std::lock_guard<std::mutex> guard(m_lock);
  return m_learntExtents;
}

// The place asked for is the window rectangle's corner: with the default (north-west) gravity a
// window manager puts its frame's corner there, and without a manager (or for menus) the frame
// is empty and the X window's corner is the rectangle's. The size is the client area's.
void X11DriverImpl::setBounds(NativeWindow window, const RECT& r) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  RECT insets{};
  bool appears = false, vanishes = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end()) return;
    NativeInfo& info = it->second;
    insets = info.insets;
    const bool wasEmpty = IsRectEmpty(&info.wanted) != FALSE, isEmpty = IsRectEmpty(&r) != FALSE;
    appears = info.mapped && wasEmpty && !isEmpty;
    vanishes = info.mapped && !wasEmpty && isEmpty;
    if (r.left != info.wanted.left || r.top != info.wanted.top) info.placed = true;
    info.wanted = info.known = r;
    info.wantedAt = std::chrono::steady_clock::now();
  }
  RECT c = inner(r, insets);
  TRACE(X11, "window 0x%lx to (%d,%d) %dx%d", w, r.left, r.top, c.right - c.left, c.bottom - c.top);
  if (vanishes) {
    if (!isMenu(w)) holdRelease(w);
    XWithdrawWindow(m_display, w, m_screen);
  }
  XMoveResizeWindow(m_display, w, r.left, r.top, static_cast<unsigned>(std::max<LONG>(1, c.right - c.left)),
                    static_cast<unsigned>(std::max<LONG>(1, c.bottom - c.top)));
  placeHint(w, r, c);
  if (appears) XMapRaised(m_display, w);
  XFlush(m_display);
}

bool X11DriverImpl::stillPlaced(NativeWindow window, const RECT& r) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(static_cast<::Window>(window));
  return it != m_windows.end() && EqualRect(&it->second.known, &r);
}

bool X11DriverImpl::beginMoveResize(NativeWindow window, int hitCode, POINT screen) {
  Hold x(*this);
  if (!x) return false;
  static const std::pair<int, long> kDirections[] = {{HTTOPLEFT, 0},    {HTTOP, 1},         {HTTOPRIGHT, 2},
                                                     {HTRIGHT, 3},      {HTBOTTOMRIGHT, 4}, {HTBOTTOM, 5},
                                                     {HTBOTTOMLEFT, 6}, {HTLEFT, 7},        {HTCAPTION, 8}};
  long direction = -1;
  for (const auto& d : kDirections) {
    if (d.first == hitCode) direction = d.second;
  }
  // Asked of a window manager that does not move windows, nothing would happen at all; the
  // caller then moves the window itself.
  if (direction < 0 || !windowManagerSupports(m_atoms.netWmMoveResize)) return false;
  // A quick click is often released before the program gets to its press. A manager asked to
  // move the window then would wait for a release that has already come and take the next
  // click for it: with the button up there is nothing to move, and the caller's own loop ends
  // at once.
  // Marked before the look, so a release that comes after it finds the mark (see cancelMove).
  m_moveAsked.store(static_cast<::Window>(window));
  ::Window rootReturn = 0, childReturn = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned buttons = 0;
  if (!XQueryPointer(m_display, m_root, &rootReturn, &childReturn, &rootX, &rootY, &winX, &winY, &buttons) ||
      (buttons & Button1Mask) == 0) {
    m_moveAsked.store(0);
    TRACE(X11, "move of 0x%lx not begun: the button is up", static_cast<unsigned long>(window));
    return false;
  }
  {
    // From here the manager moves the window at the user's hand: what the server then has is the
    // user's doing, to be taken on at once, not a late answer to the program's last request.
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(static_cast<::Window>(window));
    if (it != m_windows.end()) it->second.wantedAt = {};
  }
  // The manager takes the pointer from here; any grab of the driver's own ends with it.
  m_releaseHeld = false;
  XUngrabPointer(m_display, CurrentTime);
  sendMoveResize(static_cast<::Window>(window), screen, direction);
  return true;
}

// Asks the manager to move or resize `w` by the left button (_NET_WM_MOVERESIZE), or to call
// that off (kMoveResizeCancel).
void X11DriverImpl::sendMoveResize(::Window w, POINT screen, long direction) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = m_atoms.netWmMoveResize;
  e.xclient.format = 32;
  e.xclient.data.l[0] = screen.x;
  e.xclient.data.l[1] = screen.y;
  e.xclient.data.l[2] = direction;
  e.xclient.data.l[3] = Button1;
  e.xclient.data.l[4] = 1;
  XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(m_display);
}

// A release that reaches the window after its move was asked for came before the manager took
// the pointer: the manager would wait for it in vain and take the next click as the end of
// the move, so the move is called off (_NET_WM_MOVERESIZE_CANCEL). A press ends the mark of
// an earlier move, whose release the manager had.
void X11DriverImpl::cancelMove(::Window w, bool press) {
  if (press) {
    m_moveAsked.store(0);
    return;
  }
  ::Window asked = w;
  if (!m_moveAsked.compare_exchange_strong(asked, 0)) return;
  Hold x(*this);
  if (!x) return;
  TRACE(X11, "move of 0x%lx called off: the button came up before the manager took it", w);
  sendMoveResize(w, POINT{0, 0}, kMoveResizeCancel);
}

/// Whether the running window manager lists `feature` in the root's _NET_SUPPORTED; read
/// each time, as a window manager may start or stop while the program runs.
bool X11DriverImpl::windowManagerSupports(Atom feature) {
  Hold x(*this);
  if (!x) return false;
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(m_display, m_root, m_atoms.netSupported, 0, 1024, False, XA_ATOM, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == feature;
  }
  if (data != nullptr) XFree(data);
  return found;
}

// The frame a window manager puts around a decorated window, asked of it before any window of
// ours is shown (_NET_REQUEST_FRAME_EXTENTS for a window never mapped), so the first window's
// client area has its final size from the start. Managers that cannot tell leave it to the
// first framed window's _NET_FRAME_EXTENTS, which the layer then takes on.
void X11DriverImpl::askFrameExtents() {
  Hold x(*this);
  if (!x) return;
  if (XGetSelectionOwner(m_display, m_atoms.windowManager) == None ||
      !windowManagerSupports(m_atoms.netRequestFrameExtents)) {
    return;
  }
  ::Window probe =
      XCreateWindow(m_display, m_root, 0, 0, 100, 100, 0, CopyFromParent, InputOutput, CopyFromParent, 0, nullptr);
  Atom type = m_atoms.netWmWindowTypeNormal;
  XChangeProperty(m_display, probe, m_atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&type), 1);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = probe;
  e.xclient.message_type = m_atoms.netRequestFrameExtents;
  e.xclient.format = 32;
  XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XSync(m_display, False);
  // The manager answers at once; one that has not within a second will not.
  for (int i = 0; i < 200; ++i) {
    Atom actual;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = XGetWindowProperty(m_display, probe, m_atoms.netFrameExtents, 0, 4, False, XA_CARDINAL, &actual,
                                    &format, &count, &after, &data) == Success &&
                 data != nullptr && count == 4 && format == 32;
    if (found) {
      const long* v = reinterpret_cast<const long*>(data);
      RECT extents{static_cast<LONG>(v[0]), static_cast<LONG>(v[2]), static_cast<LONG>(v[1]), static_cast<LONG>(v[3])};
      TRACE(X11, "the window manager's frame: %d,%d,%d,%d", extents.left, extents.top, extents.right, extents.bottom);
      std::lock_guard<std::mutex> guard(m_lock);
      m_learntExtents = extents;
    }
    if (data != nullptr) XFree(data);
    if (found) break;
    usleep(5000);
  }
  XDestroyWindow(m_display, probe);
  XFlush(m_display);
}

RECT X11DriverImpl::inner(const RECT& r, const RECT& insets) {
  return RECT{r.left + insets.left, r.top + insets.top, r.right - insets.right, r.bottom - insets.bottom};
}

RECT X11DriverImpl::insetsOf(::Window w) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  return it == m_windows.end() ? RECT{0, 0, 0, 0} : it->second.insets;
}

// Asks the window manager to keep the place the program chose for the frame (`r`) and the
// client area's size (`c`).
void X11DriverImpl::placeHint(::Window w, const RECT& r, const RECT& c) {
  Hold x(*this);
  if (!x) return;
  XSizeHints* size = XAllocSizeHints();
  if (size == nullptr) return;
  bool resizable = true, placed = true;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it != m_windows.end()) {
      resizable = it->second.hints.resizable;
      placed = it->second.placed;
    }
  }
  // Only a place the program chose is its own; the user's (USPosition) is never claimed.
  size->flags = PSize | PWinGravity | (placed ? PPosition : 0);
  size->win_gravity = NorthWestGravity;
  size->x = r.left;
  size->y = r.top;
  size->width = c.right - c.left;
  size->height = c.bottom - c.top;
  if (!resizable) {
    size->flags |= PMinSize | PMaxSize;
    size->min_width = size->max_width = size->width;
    size->min_height = size->max_height = size->height;
  }
  XSetWMNormalHints(m_display, w, size);
  XFree(size);
}

// Notes that the server may have changed a window's geometry (and whether it is viewable now).
void X11DriverImpl::unsettle(::Window w, const bool* viewable) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  if (it == m_windows.end()) return;
  it->second.unsettled = true;
  if (viewable != nullptr) it->second.viewable = *viewable;
}

// Compares the geometry of each window that had configure news with what the layer asked for
// and holds. The server's answer to the layer's last request is no news. Anything else, from
// events made before that request took effect to the manager's own placement, waits until the
// request has had its time: what the server then has is the window manager's choice, and the
// layer takes it on. So a window that nobody moves never moves, and stale events never start
// a round of requests.
void X11DriverImpl::settleGeometry() {
  std::vector<::Window> windows;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& entry : m_windows) {
      if (entry.second.unsettled) windows.push_back(entry.first);
    }
  }
  for (::Window w : windows) settle(w);
}

void X11DriverImpl::settle(::Window w) {
  ::Window root, child;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  {
    Hold held(*this);
    if (!held || !XGetGeometry(m_display, w, &root, &x, &y, &width, &height, &border, &depth) ||
        !XTranslateCoordinates(m_display, w, m_root, 0, 0, &x, &y, &child)) {
      return;
    }
  }
  HWND hwnd = nullptr;
  RECT actual{};
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end()) return;
    NativeInfo& info = it->second;
    // A window that is not on the screen has no place of the manager's: nobody can move it.
    if (!info.viewable || info.hints.menu) {
      info.unsettled = false;
      return;
    }
    const RECT& f = info.insets;
    actual =
        RECT{x - f.left, y - f.top, x + static_cast<LONG>(width) + f.right, y + static_cast<LONG>(height) + f.bottom};
    // A window the program did not place is wherever the manager put it.
    if (!info.placed) OffsetRect(&info.wanted, actual.left - info.wanted.left, actual.top - info.wanted.top);
    if (!EqualRect(&actual, &info.wanted) && std::chrono::steady_clock::now() < info.wantedAt + kRequestTime) {
      return;  // looked at again at the next turn of the event loop
    }
    info.unsettled = false;
    if (EqualRect(&actual, &info.known)) return;
    info.known = actual;
    hwnd = info.hwnd;
  }
  TRACE(X11, "window 0x%lx is at (%d,%d)-(%d,%d)", w, actual.left, actual.top, actual.right, actual.bottom);
  nativeMoved(hwnd, actual);
}

// The frame of a window on the screen. A manager that lets a window go (the program hid it) may
// clear its extents on the way; the frame it had comes back when it is shown, and is read again
// when the server maps it.
void X11DriverImpl::learnExtents(::Window w) {
  Hold x(*this);
  if (!x) return;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end() || !it->second.viewable || !it->second.decorated) return;
  }
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(m_display, w, m_atoms.netFrameExtents, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && count == 4) {
    long* v = reinterpret_cast<long*>(data);
    RECT extents{static_cast<LONG>(v[0]), static_cast<LONG>(v[2]), static_cast<LONG>(v[1]), static_cast<LONG>(v[3])};
    TRACE(X11, "window 0x%lx frame extents %d,%d,%d,%d", w, extents.left, extents.top, extents.right, extents.bottom);
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it != m_windows.end() && it->second.viewable && it->second.decorated) {
      it->second.insets = extents;
      it->second.unsettled = true;
      m_learntExtents = extents;
    }
  }
  if (data != nullptr) XFree(data);
}

}  // namespace winapi::x11
