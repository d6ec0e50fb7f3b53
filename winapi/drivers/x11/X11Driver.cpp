// The X11 driver. Each top-level window is one X window covering what the window manager does
// not draw (the window rectangle less the manager's frame, learnt from _NET_FRAME_EXTENTS);
// finished surfaces are shown with XPutImage. EWMH and Motif hints carry keep-on-top, taskbar,
// opacity, undecorated frames and activation; input, window-manager changes and XDND drags go
// to the window system from an event thread. A drag becomes a drag session of the window system
// (file URIs of text/uri-list as Z:\ paths; links of text/x-moz-url, _NETSCAPE_URL or a
// text/uri-list whose first URI is no file as "UniformResourceLocatorW" and
// "UniformResourceLocator"), and XdndStatus answers the effect the target chose. Monitors are
// RandR 1.5's (primary first, each work area _NET_WORKAREA within its monitor), else the one
// screen; they are kept and read again after RandR's change events. Screen capture reads the
// root window with XGetImage.
// Hot keys are XGrabKey grabs on the root window; notification-area icons are XEmbed clients of
// the freedesktop system tray (without a tray manager there is none to add).
// A lost connection is final: the driver makes no Xlib call after it, its entries answer as a
// display without windows would, and the session ends (nativeDisplayLost).
// Left out on purpose: tray balloons and the XEmbed focus protocol, MIT-SHM (XPutImage of the changed rectangle is fast
// enough for the program's windows), and explicit pointer grabs for SetCapture: X's implicit
// grab keeps a dragging pointer with its window, and a capture taken without a pressed button
// learns that the pointer left its X window from the window's LeaveNotify, turned into a mouse
// move at the outside position.
#include "winapi/drivers/x11/X11Driver.h"

#include "winapi/base/debug.h"
#include "winapi/base/utf8.h"
#include "winapi/drivers/x11/urilist.h"
#include "winapi/ole32/DragDrop.h"
#include "winapi/shell32/NotifyIcon.h"
#include "winapi/user32/HotKey.h"
#include "winapi/user32/Input.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace winapi {
namespace {

// Requests on windows that the window manager or another client has just destroyed fail with
// BadWindow and the like; the driver goes on, and the error is reported on the x11 channel.
int reportError(Display* display, XErrorEvent* error) {
  if (debug::traceOn(debug::Channel::X11)) {
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    WARN(X11, "X error %d (%s): request %d.%d, resource 0x%lx, serial %lu", error->error_code, text,
         error->request_code, error->minor_code, error->resourceid, error->serial);
  }
  return 0;
}

// Xlib ends the process once this returns, unless an exit handler is set: the driver sets one.
int reportIoError(Display*) {
  WARN(X11, "the connection to the X server is lost");
  return 0;
}

// _MOTIF_WM_HINTS is five longs: flags, functions, decorations, input mode, status. Only the
// decorations field is given, and it says all or nothing.
constexpr int kMotifHintsLength = 5;
constexpr long kMotifHintsDecorations = 1L << 1;  // the flag that makes the decorations field count
constexpr long kMotifDecorationsAll = 1L << 0;
// The direction of a _NET_WM_MOVERESIZE message that calls off the move or resize under way.
constexpr long kMoveResizeCancel = 11;

struct Atoms {
  Atom wmProtocols, wmDeleteWindow, netWmName, utf8String, netWmState, netWmStateAbove, netWmStateSkipTaskbar,
      netWmStateSkipPager, netWmStateHidden, netWmStateMaxVert, netWmStateMaxHorz, netWmWindowOpacity, netActiveWindow,
      netWmMoveResize, motifWmHints, netFrameExtents, netWmIcon, netWorkarea, netWmPid, netWmWindowType,
      netWmWindowTypeNormal, netWmWindowTypeUtility, xdndAware, xdndEnter, xdndPosition, xdndStatus, xdndLeave,
      xdndDrop, xdndFinished, xdndSelection, xdndActionCopy, xdndActionMove, xdndActionLink, xdndActionList,
      xdndTypeList, uriList, mozUrl, netscapeUrl, systemTray, systemTrayOpcode, xembedInfo, netSupported,
      netRequestFrameExtents, windowManager;
};

// How long a window manager is given to carry out a request for a window's place and size. Until
// then the window's geometry only settles at what was asked; after it, whatever the server has is
// the manager's choice. Managers answer within milliseconds; the margin is for a loaded machine.
constexpr auto kRequestTime = std::chrono::seconds(1);

// The freedesktop system tray: a dock request is opcode 0 of _NET_SYSTEM_TRAY_OPCODE, and an
// icon window that says it is mapped (XEMBED_MAPPED) in _XEMBED_INFO is mapped by the tray.
constexpr long kSystemTrayRequestDock = 0;
constexpr long kXembedVersion = 0;
constexpr long kXembedMapped = 1L << 0;
// The side of an icon window before the tray sizes it: a panel's usual icon size.
constexpr unsigned kTrayIconSize = 22;

// An icon window in the tray.
struct TrayWindow {
  TrayIcon icon;
  ::Window window = 0;
};

// The error a request caused, caught while a grab is tried (Xlib's error handler is one for the
// whole process, so the grab swaps it in under the display lock and back out).
std::atomic<int> s_trappedError{0};
int trapError(Display*, XErrorEvent* error) {
  s_trappedError = error->error_code;
  return 0;
}

// An XDND drag over one of the driver's windows, handled on the event thread only. What it
// carries becomes a drag session of the window system: links as "UniformResourceLocatorW" and
// "UniformResourceLocator", file URIs as files. A text/uri-list is fetched at the first position
// to tell files from a link; a link's address from text/x-moz-url or _NETSCAPE_URL at the drop.
struct XdndDrag {
  ::Window source = 0;
  std::unique_ptr<ole::DragSession> session;
  Atom linkType = 0;  // text/x-moz-url or _NETSCAPE_URL, the best the source offers; 0: none
  bool offersUriList = false;
  bool known = false;        // what the drag carries is known
  bool linkFetched = false;  // the link's address came (or will not come)
  bool sourceOffersLink = false;
  POINT point{0, 0};
  Atom converting = 0;  // the type asked of the source and not delivered yet
  std::chrono::steady_clock::time_point deadline;
  bool positionWaiting = false;  // a position to answer once the drag is known
  bool dropWaiting = false;      // a drop to complete once its data came
};

struct NativeInfo {
  HWND hwnd = nullptr;
  RECT insets{0, 0, 0, 0};  // the manager's frame around this window
  bool decorated = true;
  bool mapped = false;    // the layer shows it
  bool viewable = false;  // the server has mapped it (MapNotify came, UnmapNotify not since)
  // A window manager's frame holds the window.
  bool reparented = false;
  WindowHints hints;
  // Geometry, as window rectangles (the manager's frame included): the last one the layer asked
  // for and when, and the one the layer holds. The server's own is read once its configure
  // events come (`unsettled`): a window manager answers requests late and sends events of
  // earlier requests after later ones, so events alone never tell where the window is now.
  RECT wanted{0, 0, 0, 0};
  std::chrono::steady_clock::time_point wantedAt;
  RECT known{0, 0, 0, 0};
  bool unsettled = false;
  // The program chose the place: the manager is asked to keep it. Until then it places the window.
  bool placed = true;
  // _NET_WM_STATE writes of the driver itself whose PropertyNotify has not come back yet.
  int ownStateWrites = 0;
  // The layer activated the window while the server had not mapped it: the activation is asked
  // for again once it has, as a manager passes over a request for a window it does not manage yet.
  bool activateWhenViewable = false;
  // The XDND drag over this window, if one is going on.
  std::shared_ptr<XdndDrag> drag;
};

// The key symbol of a virtual key, for grabbing: letters, digits, function keys and the keys the
// program's hot keys may use; 0 for others.
KeySym keySymOf(UINT vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= VK_F1 && vk <= VK_F12) return XK_F1 + (vk - VK_F1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return XK_KP_0 + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_BACK: return XK_BackSpace;
    case VK_TAB: return XK_Tab;
    case VK_RETURN: return XK_Return;
    case VK_ESCAPE: return XK_Escape;
    case VK_SPACE: return XK_space;
    case VK_PRIOR: return XK_Prior;
    case VK_NEXT: return XK_Next;
    case VK_END: return XK_End;
    case VK_HOME: return XK_Home;
    case VK_LEFT: return XK_Left;
    case VK_UP: return XK_Up;
    case VK_RIGHT: return XK_Right;
    case VK_DOWN: return XK_Down;
    case VK_INSERT: return XK_Insert;
    case VK_DELETE: return XK_Delete;
    case VK_PAUSE: return XK_Pause;
    case VK_SNAPSHOT: return XK_Print;
    default: return 0;
  }
}

UINT virtualKeyOf(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return static_cast<UINT>('A' + (sym - XK_A));
  if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>('0' + (sym - XK_0));
  if (sym >= XK_F1 && sym <= XK_F12) return static_cast<UINT>(VK_F1 + (sym - XK_F1));
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<UINT>(VK_NUMPAD0 + (sym - XK_KP_0));
  switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return:
    case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Prior: return VK_PRIOR;
    case XK_Next: return VK_NEXT;
    case XK_End: return VK_END;
    case XK_Home: return VK_HOME;
    case XK_Left: return VK_LEFT;
    case XK_Up: return VK_UP;
    case XK_Right: return VK_RIGHT;
    case XK_Down: return VK_DOWN;
    case XK_Insert: return VK_INSERT;
    case XK_Delete: return VK_DELETE;
    case XK_Shift_L: return VK_LSHIFT;
    case XK_Shift_R: return VK_RSHIFT;
    case XK_Control_L: return VK_LCONTROL;
    case XK_Control_R: return VK_RCONTROL;
    case XK_Alt_L: return VK_LMENU;
    case XK_Alt_R: return VK_RMENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Pause: return VK_PAUSE;
    case XK_Print: return VK_SNAPSHOT;
    case XK_Menu: return VK_APPS;
    default: return 0;
  }
}

class X11DriverImpl : public DisplayDriver {
 public:
  explicit X11DriverImpl(Display* display) : m_display(display) {
    m_screen = DefaultScreen(display);
    m_root = RootWindow(display, m_screen);
    m_visual = DefaultVisual(display, m_screen);
    m_depth = DefaultDepth(display, m_screen);
    m_gc = DefaultGC(display, m_screen);
    struct {
      Atom* slot;
      const char* name;
    } names[] = {{&m_atoms.wmProtocols, "WM_PROTOCOLS"},
                 {&m_atoms.wmDeleteWindow, "WM_DELETE_WINDOW"},
                 {&m_atoms.netWmName, "_NET_WM_NAME"},
                 {&m_atoms.utf8String, "UTF8_STRING"},
                 {&m_atoms.netWmState, "_NET_WM_STATE"},
                 {&m_atoms.netWmStateAbove, "_NET_WM_STATE_ABOVE"},
                 {&m_atoms.netWmStateSkipTaskbar, "_NET_WM_STATE_SKIP_TASKBAR"},
                 {&m_atoms.netWmStateSkipPager, "_NET_WM_STATE_SKIP_PAGER"},
                 {&m_atoms.netWmStateHidden, "_NET_WM_STATE_HIDDEN"},
                 {&m_atoms.netWmStateMaxVert, "_NET_WM_STATE_MAXIMIZED_VERT"},
                 {&m_atoms.netWmStateMaxHorz, "_NET_WM_STATE_MAXIMIZED_HORZ"},
                 {&m_atoms.netWmWindowOpacity, "_NET_WM_WINDOW_OPACITY"},
                 {&m_atoms.netActiveWindow, "_NET_ACTIVE_WINDOW"},
                 {&m_atoms.netWmMoveResize, "_NET_WM_MOVERESIZE"},
                 {&m_atoms.motifWmHints, "_MOTIF_WM_HINTS"},
                 {&m_atoms.netFrameExtents, "_NET_FRAME_EXTENTS"},
                 {&m_atoms.netWmIcon, "_NET_WM_ICON"},
                 {&m_atoms.netWorkarea, "_NET_WORKAREA"},
                 {&m_atoms.netWmPid, "_NET_WM_PID"},
                 {&m_atoms.netWmWindowType, "_NET_WM_WINDOW_TYPE"},
                 {&m_atoms.netWmWindowTypeNormal, "_NET_WM_WINDOW_TYPE_NORMAL"},
                 {&m_atoms.netWmWindowTypeUtility, "_NET_WM_WINDOW_TYPE_UTILITY"},
                 {&m_atoms.xdndAware, "XdndAware"},
                 {&m_atoms.xdndEnter, "XdndEnter"},
                 {&m_atoms.xdndPosition, "XdndPosition"},
                 {&m_atoms.xdndStatus, "XdndStatus"},
                 {&m_atoms.xdndLeave, "XdndLeave"},
                 {&m_atoms.xdndDrop, "XdndDrop"},
                 {&m_atoms.xdndFinished, "XdndFinished"},
                 {&m_atoms.xdndSelection, "XdndSelection"},
                 {&m_atoms.xdndActionCopy, "XdndActionCopy"},
                 {&m_atoms.xdndActionMove, "XdndActionMove"},
                 {&m_atoms.xdndActionLink, "XdndActionLink"},
                 {&m_atoms.xdndActionList, "XdndActionList"},
                 {&m_atoms.xdndTypeList, "XdndTypeList"},
                 {&m_atoms.uriList, "text/uri-list"},
                 {&m_atoms.mozUrl, "text/x-moz-url"},
                 {&m_atoms.netscapeUrl, "_NETSCAPE_URL"},
                 {&m_atoms.systemTrayOpcode, "_NET_SYSTEM_TRAY_OPCODE"},
                 {&m_atoms.xembedInfo, "_XEMBED_INFO"},
                 {&m_atoms.netSupported, "_NET_SUPPORTED"},
                 {&m_atoms.netRequestFrameExtents, "_NET_REQUEST_FRAME_EXTENTS"}};
    for (auto& n : names) *n.slot = XInternAtom(display, n.name, False);
    std::string tray = "_NET_SYSTEM_TRAY_S" + std::to_string(m_screen);
    m_atoms.systemTray = XInternAtom(display, tray.c_str(), False);
    std::string manager = "WM_S" + std::to_string(m_screen);
    m_atoms.windowManager = XInternAtom(display, manager.c_str(), False);
    // Held keys then repeat as presses alone, so a repeat is told from a new press.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    m_numLockMask = numLockMask();
    // Xlib ends the process on a lost connection unless told otherwise: the driver stops using
    // the connection and the session ends as at log-out, so the program saves what it must.
    XSetIOErrorExitHandler(
        display, [](Display*, void* self) { static_cast<X11DriverImpl*>(self)->connectionLost(); }, this);
    int major = 0, minor = 0;
    if (XRRQueryExtension(display, &m_randrEvent, &m_randrError) && XRRQueryVersion(display, &major, &minor)) {
      m_randr15 = major > 1 || (major == 1 && minor >= 5);
      XRRSelectInput(display, m_root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    } else {
      m_randrEvent = -1;
    }
    // A change of the work area reaches the monitors too.
    XSelectInput(display, m_root, PropertyChangeMask);
    std::thread([this] { eventLoop(); }).detach();
  }

  const char* name() const override { return "x11"; }

  /// The driver's hold on the connection: Xlib is called under it, one thread at a time, and
  /// not at all once the connection is lost. After a loss Xlib keeps its display locked against
  /// every thread but the one that met it, so a call from any other thread would never return.
  /// Taken after m_monitorLock and before m_lock; never held while the window system is told of
  /// an event, since that may wait for a thread that waits for the connection.
  class Hold {
   public:
    explicit Hold(X11DriverImpl& driver) : m_guard(driver.m_xLock), m_live(!driver.m_lost.load()) {}
    explicit operator bool() const { return m_live; }

   private:
    std::unique_lock<std::recursive_mutex> m_guard;
    bool m_live;
  };

  // Called by Xlib, on the thread that met the loss, under its hold.
  void connectionLost() {
    if (m_lost.exchange(true)) return;
    nativeDisplayLost("the X server connection was lost");
  }

  std::vector<Monitor> monitors() override {
    std::lock_guard<std::mutex> guard(m_monitorLock);
    if (!m_monitorsValid.exchange(true)) {
      Hold x(*this);
      // A lost server leaves the monitors as they were last read.
      if (x) m_monitors = readMonitors();
    }
    if (m_monitors.empty()) return {Monitor{kDefaultScreen, kDefaultScreen, true}};
    return m_monitors;
  }

  void captureScreen(const RECT& rect, PixelBuffer& out) override {
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

  RECT frameInsets(DWORD style, DWORD) override {
    bool decorated = (style & WS_CAPTION) != 0 || (style & WS_THICKFRAME) != 0;
    if (!decorated) return RECT{0, 0, 0, 0};
    std::call_once(m_extentsAsked, [this] { askFrameExtents(); });
    std::lock_guard<std::mutex> guard(m_lock);
    return m_learntExtents;
  }

  NativeWindow createWindow(HWND hwnd, const RECT& r, const WindowHints& hints) override {
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

  void destroyWindow(NativeWindow window) override {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_windows.erase(static_cast<::Window>(window));
    }
    Hold x(*this);
    if (!x) return;
    XDestroyWindow(m_display, static_cast<::Window>(window));
    XFlush(m_display);
  }

  void setTitle(NativeWindow window, const std::u16string& title) override {
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

  // The place asked for is the window rectangle's corner: with the default (north-west) gravity a
  // window manager puts its frame's corner there, and without a manager (or for menus) the frame
  // is empty and the X window's corner is the rectangle's. The size is the client area's.
  void setBounds(NativeWindow window, const RECT& r) override {
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
    if (vanishes) XWithdrawWindow(m_display, w, m_screen);
    XMoveResizeWindow(m_display, w, r.left, r.top, static_cast<unsigned>(std::max<LONG>(1, c.right - c.left)),
                      static_cast<unsigned>(std::max<LONG>(1, c.bottom - c.top)));
    placeHint(w, r, c);
    if (appears) XMapRaised(m_display, w);
    XFlush(m_display);
  }

  void setHints(NativeWindow window, const WindowHints& hints) override {
    Hold x(*this);
    if (!x) return;
    applyHints(static_cast<::Window>(window), hints, true);
    XFlush(m_display);
  }

  // A shown window whose rectangle is empty stays unmapped: X has no empty windows, and the
  // one-pixel window that would stand in for it would show (and take a place in the manager's
  // lists) where Windows shows nothing.
  void setVisible(NativeWindow window, bool visible, bool activateIt) override {
    Hold x(*this);
    if (!x) return;
    ::Window w = static_cast<::Window>(window);
    bool empty = false;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_windows.find(w);
      if (it != m_windows.end()) {
        it->second.mapped = visible;
        empty = IsRectEmpty(&it->second.wanted) != FALSE;
      }
    }
    TRACE(X11, "window 0x%lx %s", w, visible ? (empty ? "shown, empty" : "mapped") : "withdrawn");
    if (visible) {
      if (empty) return;
      XMapRaised(m_display, w);
      if (activateIt) activate(window);
    } else {
      XWithdrawWindow(m_display, w, m_screen);
    }
    XFlush(m_display);
  }

  void setMinimized(NativeWindow window, bool minimized) override {
    Hold x(*this);
    if (!x) return;
    TRACE(X11, "window 0x%lx %s", static_cast<::Window>(window), minimized ? "iconified" : "mapped again");
    if (minimized) {
      XIconifyWindow(m_display, static_cast<::Window>(window), m_screen);
    } else if (shownWithArea(static_cast<::Window>(window))) {
      XMapRaised(m_display, static_cast<::Window>(window));
    }
    XFlush(m_display);
  }

  void setMaximized(NativeWindow window, bool maximized) override {
    Hold x(*this);
    if (!x) return;
    sendState(static_cast<::Window>(window), maximized, m_atoms.netWmStateMaxVert, m_atoms.netWmStateMaxHorz);
    XFlush(m_display);
  }

  void setShape(NativeWindow window, const Region* shape) override {
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

  void setIcon(NativeWindow window, int width, int height, const std::vector<uint32_t>& pixels) override {
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

  void activate(NativeWindow window) override {
    Hold x(*this);
    if (!x) return;
    ::Window w = static_cast<::Window>(window);
    if (isMenu(w)) return;  // a menu never takes the focus: the keyboard comes through the grab
    {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto& [native, info] : m_windows) info.activateWhenViewable = native == w && !info.viewable;
    }
    requestActivation(w);
  }

  // The activation of a window the layer activated before the server mapped it, asked for again now
  // that it is mapped. The display's lock is held from the check to the request, so a later
  // activation of another window (which clears the mark under the same lock) always comes after.
  void activateOnceViewable(::Window w) {
    Hold x(*this);
    if (!x) return;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_windows.find(w);
      if (it == m_windows.end() || !it->second.activateWhenViewable) return;
      it->second.activateWhenViewable = false;
    }
    TRACE(X11, "window 0x%lx shown: its activation is asked for again", w);
    requestActivation(w);
  }

  // Asks the window manager to activate `w`, and sets the focus itself where the window is on the
  // screen, since without a manager nobody answers that request.
  void requestActivation(::Window w) {
    Hold x(*this);
    if (!x) return;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = m_atoms.netActiveWindow;
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;  // a request from an application
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XWindowAttributes attrs;
    if (XGetWindowAttributes(m_display, w, &attrs) && attrs.map_state == IsViewable) setFocus(w);
    XFlush(m_display);
  }

  // Sets the X focus and notes the request's serial: focus events the server made before it
  // are echoes of earlier changes.
  void setFocus(::Window w) {
    Hold x(*this);
    if (!x) return;
    XLockDisplay(m_display);
    m_focusSerial.store(NextRequest(m_display));
    TRACE(X11, "focus to 0x%lx", w);
    XSetInputFocus(m_display, w, RevertToParent, CurrentTime);
    XUnlockDisplay(m_display);
  }

  void setCapture(NativeWindow window) override { m_capture.store(window); }

  bool beginMoveResize(NativeWindow window, int hitCode, POINT screen) override {
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
    XUngrabPointer(m_display, CurrentTime);
    sendMoveResize(static_cast<::Window>(window), screen, direction);
    return true;
  }

  // Asks the manager to move or resize `w` by the left button (_NET_WM_MOVERESIZE), or to call
  // that off (kMoveResizeCancel).
  void sendMoveResize(::Window w, POINT screen, long direction) {
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
  void cancelMove(::Window w, bool press) {
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
  bool windowManagerSupports(Atom feature) {
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
  void askFrameExtents() {
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
        RECT extents{static_cast<LONG>(v[0]), static_cast<LONG>(v[2]), static_cast<LONG>(v[1]),
                     static_cast<LONG>(v[3])};
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

  void acceptDrops(NativeWindow window, bool accept) override {
    Hold x(*this);
    if (!x) return;
    ::Window w = static_cast<::Window>(window);
    if (accept) {
      long version = 5;
      XChangeProperty(m_display, w, m_atoms.xdndAware, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&version), 1);
    } else {
      XDeleteProperty(m_display, w, m_atoms.xdndAware);
    }
    XFlush(m_display);
  }

  void present(NativeWindow window, const PixelBuffer& surface, const RECT& dirty, POINT) override {
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

  // Hot keys: XGrabKey on the root window, once with each state of Num Lock and Caps Lock, so
  // the key works whatever the lock keys say.
  bool grabHotKey(UINT modifiers, UINT vk, DWORD* error) override {
    Hold x(*this);
    if (!x) {
      *error = ERROR_NOT_SUPPORTED;
      return false;
    }
    KeySym sym = keySymOf(vk);
    KeyCode code = sym != 0 ? XKeysymToKeycode(m_display, sym) : 0;
    if (code == 0) {
      *error = ERROR_INVALID_PARAMETER;
      return false;
    }
    unsigned mask = xModifiers(modifiers);
    XLockDisplay(m_display);
    XSync(m_display, False);
    s_trappedError = 0;
    XErrorHandler previous = XSetErrorHandler(trapError);
    for (unsigned locks : lockStates())
      XGrabKey(m_display, code, mask | locks, m_root, False, GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
    bool refused = s_trappedError != 0;
    if (refused) {
      for (unsigned locks : lockStates()) XUngrabKey(m_display, code, mask | locks, m_root);
      XSync(m_display, False);
    }
    XSetErrorHandler(previous);
    XUnlockDisplay(m_display);
    if (refused) {
      // BadAccess: another client holds the key.
      *error = ERROR_HOTKEY_ALREADY_REGISTERED;
      return false;
    }
    return true;
  }

  void ungrabHotKey(UINT modifiers, UINT vk) override {
    Hold x(*this);
    if (!x) return;
    KeySym sym = keySymOf(vk);
    KeyCode code = sym != 0 ? XKeysymToKeycode(m_display, sym) : 0;
    if (code == 0) return;
    unsigned mask = xModifiers(modifiers);
    for (unsigned locks : lockStates()) XUngrabKey(m_display, code, mask | locks, m_root);
    XFlush(m_display);
  }

  // The notification area: the tray manager owns the _NET_SYSTEM_TRAY_S<screen> selection; each
  // icon is a small window of ours that the manager embeds on a dock request.
  bool addTrayIcon(const TrayIcon& icon) override {
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

  void updateTrayIcon(const TrayIcon& icon) override {
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

  void removeTrayIcon(HWND hwnd, UINT id) override {
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

  void setCursor(PointerShape shape) override {
    Hold x(*this);
    if (!x) return;
    Cursor cursor = cursorFor(shape);
    std::vector<::Window> all;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto& entry : m_windows) all.push_back(entry.first);
    }
    for (::Window w : all) XDefineCursor(m_display, w, cursor);
    XFlush(m_display);
  }

  bool grabInput(NativeWindow window) override {
    Hold x(*this);
    if (!x) return false;
    ::Window w = static_cast<::Window>(window);
    // Owner events: our own windows keep receiving their events, everything else is reported to
    // the menu, at root coordinates that the layer reads.
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    int pointer = XGrabPointer(m_display, w, True, mask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    int keyboard = XGrabKeyboard(m_display, w, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (pointer != GrabSuccess || keyboard != GrabSuccess) {
      if (pointer == GrabSuccess) XUngrabPointer(m_display, CurrentTime);
      if (keyboard == GrabSuccess) XUngrabKeyboard(m_display, CurrentTime);
      XFlush(m_display);
      return false;
    }
    XFlush(m_display);
    return true;
  }

  void ungrabInput() override {
    Hold x(*this);
    if (!x) return;
    XUngrabPointer(m_display, CurrentTime);
    XUngrabKeyboard(m_display, CurrentTime);
    XFlush(m_display);
  }

  bool isMenu(::Window w) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    return it != m_windows.end() && it->second.hints.menu;
  }

  bool cursorPos(POINT* point) override {
    Hold x(*this);
    if (!x) return false;
    ::Window rootReturn, child;
    int rx, ry, wx, wy;
    unsigned mask;
    if (!XQueryPointer(m_display, m_root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask)) return false;
    *point = POINT{rx, ry};
    return true;
  }

  bool setCursorPos(int x, int y) override {
    Hold held(*this);
    if (!held) return false;
    XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, x, y);
    XFlush(m_display);
    return true;
  }

 private:
  static RECT inner(const RECT& r, const RECT& insets) {
    return RECT{r.left + insets.left, r.top + insets.top, r.right - insets.right, r.bottom - insets.bottom};
  }

  bool shownWithArea(::Window w) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    return it != m_windows.end() && it->second.mapped && !IsRectEmpty(&it->second.wanted);
  }

  RECT insetsOf(::Window w) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    return it == m_windows.end() ? RECT{0, 0, 0, 0} : it->second.insets;
  }

  // Asks the window manager to keep the place the program chose for the frame (`r`) and the
  // client area's size (`c`).
  void placeHint(::Window w, const RECT& r, const RECT& c) {
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

  void sendState(::Window w, bool add, Atom first, Atom second) {
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
  void applyHints(::Window w, const WindowHints& hints, bool update) {
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
      XMoveResizeWindow(m_display, w, wanted.left, wanted.top,
                        static_cast<unsigned>(std::max<LONG>(1, c.right - c.left)),
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

  Cursor cursorFor(PointerShape shape) {
    auto it = m_cursors.find(shape);
    if (it != m_cursors.end()) return it->second;
    Cursor c;
    if (shape == PointerShape::Hidden) {
      char none = 0;
      Pixmap blank = XCreateBitmapFromData(m_display, m_root, &none, 1, 1);
      XColor black{};
      c = XCreatePixmapCursor(m_display, blank, blank, &black, &black, 0, 0);
      XFreePixmap(m_display, blank);
    } else {
      unsigned glyph = XC_left_ptr;
      switch (shape) {
        case PointerShape::IBeam: glyph = XC_xterm; break;
        case PointerShape::Wait: glyph = XC_watch; break;
        case PointerShape::Cross: glyph = XC_crosshair; break;
        case PointerShape::UpArrow: glyph = XC_sb_up_arrow; break;
        case PointerShape::SizeNWSE: glyph = XC_bottom_right_corner; break;
        case PointerShape::SizeNESW: glyph = XC_bottom_left_corner; break;
        case PointerShape::SizeWE: glyph = XC_sb_h_double_arrow; break;
        case PointerShape::SizeNS: glyph = XC_sb_v_double_arrow; break;
        case PointerShape::SizeAll: glyph = XC_fleur; break;
        case PointerShape::No: glyph = XC_X_cursor; break;
        case PointerShape::Hand: glyph = XC_hand2; break;
        case PointerShape::AppStarting: glyph = XC_watch; break;
        case PointerShape::Help: glyph = XC_question_arrow; break;
        default: break;
      }
      c = XCreateFontCursor(m_display, glyph);
    }
    m_cursors[shape] = c;
    return c;
  }

  HWND hwndOf(::Window w, RECT* insets = nullptr) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end()) return nullptr;
    if (insets != nullptr) *insets = it->second.insets;
    return it->second.hwnd;
  }

  // The desktop's work area (_NET_WORKAREA of the first desktop), or false when it has none.
  bool readWorkArea(RECT* work) {
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

  std::vector<Monitor> readMonitors() {
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

  void eventLoop() {
    int fd = ConnectionNumber(m_display);
    for (;;) {
      // The timeout lets the loop see a loss that another thread met without an event to wake it.
      pollfd connection{fd, POLLIN, 0};
      poll(&connection, 1, 100);
      // Events are taken out under the driver's hold and handled after it is released, so this
      // thread never waits for the window system while other threads wait for the connection.
      std::vector<XEvent> events;
      {
        Hold x(*this);
        if (!x) return;
        while (!m_lost && XPending(m_display) > 0) {
          XEvent e;
          XNextEvent(m_display, &e);
          events.push_back(e);
        }
        if (m_lost) return;
      }
      for (XEvent& e : events) handle(e);
      xdndCheckDeadlines();
      settleGeometry();
    }
  }

  void handle(XEvent& e) {
    if (m_randrEvent >= 0 && (e.type == m_randrEvent + RRScreenChangeNotify || e.type == m_randrEvent + RRNotify)) {
      Hold x(*this);
      if (!x) return;
      XRRUpdateConfiguration(&e);
      m_monitorsValid = false;
      return;
    }
    if (e.type == PropertyNotify && e.xproperty.window == m_root) {
      if (e.xproperty.atom == m_atoms.netWorkarea) m_monitorsValid = false;
      return;
    }
    if (e.xany.window == m_root && (e.type == KeyPress || e.type == KeyRelease)) {
      handleHotKey(e.xkey);
      return;
    }
    if (handleTrayEvent(e)) return;
    RECT insets{};
    HWND hwnd = hwndOf(e.xany.window, &insets);
    switch (e.type) {
      case Expose:
        if (hwnd != nullptr) {
          nativeExposed(hwnd,
                        RECT{e.xexpose.x + insets.left, e.xexpose.y + insets.top,
                             e.xexpose.x + e.xexpose.width + insets.left, e.xexpose.y + e.xexpose.height + insets.top});
        }
        break;
      case ConfigureNotify:
        // The event says where the window was when it was made, which may be before later
        // requests took effect: the place now is read once the batch is handled.
        if (hwnd != nullptr) {
          TRACE(X11, "configure 0x%lx: (%d,%d) %dx%d%s", e.xconfigure.window, e.xconfigure.x, e.xconfigure.y,
                e.xconfigure.width, e.xconfigure.height, e.xconfigure.send_event ? ", synthetic" : "");
          unsettle(e.xconfigure.window, nullptr);
        }
        break;
      case ReparentNotify:
        if (hwnd != nullptr) {
          TRACE(X11, "window 0x%lx reparented to 0x%lx", e.xreparent.window, e.xreparent.parent);
          std::lock_guard<std::mutex> guard(m_lock);
          auto it = m_windows.find(e.xreparent.window);
          if (it != m_windows.end()) {
            it->second.reparented = e.xreparent.parent != m_root;
            // Back on the root while it is on the screen, the window has lost its manager and the
            // frame with it; a window the program hid gets its frame back when it is shown again.
            if (!it->second.reparented && it->second.viewable) it->second.insets = RECT{0, 0, 0, 0};
            it->second.unsettled = true;
          }
        }
        break;
      case MapNotify:
      case UnmapNotify:
        if (hwnd != nullptr) {
          bool viewable = e.type == MapNotify;
          unsettle(e.xany.window, &viewable);
          if (viewable) learnExtents(e.xany.window);
          if (viewable) activateOnceViewable(e.xany.window);
        }
        break;
      case FocusIn:
      case FocusOut:
        // Focus events of detail NotifyPointer only say where the pointer is while the focus
        // follows it (PointerRoot): no window gained or lost the focus. Events made before the
        // program's last focus request are passed over: acted on, an old change would take the
        // focus back from the window the program has activated since.
        if (hwnd != nullptr && e.xfocus.mode == NotifyNormal && e.xfocus.detail != NotifyPointer &&
            static_cast<long>(e.xfocus.serial - m_focusSerial.load()) >= 0) {
          nativeActivated(hwnd, e.type == FocusIn);
        }
        break;
      case MotionNotify:
        if (hwnd != nullptr) queueMouseInput(hwnd, WM_MOUSEMOVE, POINT{e.xmotion.x_root, e.xmotion.y_root}, 0);
        break;
      case LeaveNotify:
        // Without a pressed button X sends no motion outside the window, so a capturing window
        // (a button or link watching for the pointer to leave) hears of it by this move; the
        // layer routes it to the capture.
        if (hwnd != nullptr && e.xcrossing.mode == NotifyNormal && m_capture.load() == e.xcrossing.window) {
          queueMouseInput(hwnd, WM_MOUSEMOVE, POINT{e.xcrossing.x_root, e.xcrossing.y_root}, 0);
        }
        break;
      case ButtonPress:
      case ButtonRelease:
        if (hwnd != nullptr) {
          bool down = e.type == ButtonPress;
          if (e.xbutton.button == Button1) cancelMove(e.xany.window, down);
          POINT p{e.xbutton.x_root, e.xbutton.y_root};
          switch (e.xbutton.button) {
            case Button1: queueMouseInput(hwnd, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, p, 0); break;
            case Button2: queueMouseInput(hwnd, down ? WM_MBUTTONDOWN : WM_MBUTTONUP, p, 0); break;
            case Button3: queueMouseInput(hwnd, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, p, 0); break;
            case Button4:
              if (down) queueMouseInput(hwnd, WM_MOUSEWHEEL, p, WHEEL_DELTA);
              break;
            case Button5:
              if (down) queueMouseInput(hwnd, WM_MOUSEWHEEL, p, -WHEEL_DELTA);
              break;
            default: break;
          }
        }
        break;
      case KeyPress:
      case KeyRelease:
        if (hwnd != nullptr) {
          char text[16] = {};
          KeySym sym = 0;
          int n = 0;
          {
            Hold x(*this);
            if (!x) break;
            n = XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
          }
          UINT vk = virtualKeyOf(sym);
          char16_t ch = n == 1 ? static_cast<char16_t>(static_cast<unsigned char>(text[0])) : 0;
          if (vk != 0 || ch != 0) queueKeyInput(hwnd, vk, e.type == KeyPress ? ch : 0, e.type == KeyPress);
        }
        break;
      case PropertyNotify:
        if (e.xproperty.atom == m_atoms.netFrameExtents) learnExtents(e.xproperty.window);
        if (e.xproperty.atom == m_atoms.netWmState && hwnd != nullptr) reportState(e.xproperty.window, hwnd);
        break;
      case ClientMessage: handleClientMessage(e, hwnd); break;
      case SelectionNotify:
        if (hwnd != nullptr) xdndDataArrived(e.xselection.requestor, hwnd, e.xselection.property != None);
        break;
      default: break;
    }
  }

  unsigned xModifiers(UINT modifiers) const {
    unsigned mask = 0;
    if (modifiers & MOD_ALT) mask |= Mod1Mask;
    if (modifiers & MOD_CONTROL) mask |= ControlMask;
    if (modifiers & MOD_SHIFT) mask |= ShiftMask;
    if (modifiers & MOD_WIN) mask |= Mod4Mask;
    return mask;
  }

  std::vector<unsigned> lockStates() const { return {0u, LockMask, m_numLockMask, m_numLockMask | LockMask}; }

  // The modifier bit that Num Lock sets on this server (commonly Mod2).
  unsigned numLockMask() {
    unsigned mask = 0;
    KeyCode numLock = XKeysymToKeycode(m_display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(m_display);
    if (map != nullptr && numLock != 0) {
      for (int m = 0; m < 8; ++m) {
        for (int k = 0; k < map->max_keypermod; ++k) {
          if (map->modifiermap[m * map->max_keypermod + k] == numLock) mask = 1u << m;
        }
      }
    }
    if (map != nullptr) XFreeModifiermap(map);
    return mask;
  }

  void handleHotKey(XKeyEvent& key) {
    KeySym sym = 0;
    {
      Hold x(*this);
      if (!x) return;
      sym = XkbKeycodeToKeysym(m_display, static_cast<KeyCode>(key.keycode), 0, 0);
    }
    UINT vk = virtualKeyOf(sym);
    if (vk == 0) return;
    bool down = key.type == KeyPress;
    bool repeat = false;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      auto held = std::find(m_heldKeys.begin(), m_heldKeys.end(), key.keycode);
      repeat = down && held != m_heldKeys.end();
      if (down && held == m_heldKeys.end()) m_heldKeys.push_back(key.keycode);
      if (!down && held != m_heldKeys.end()) m_heldKeys.erase(held);
    }
    if (!down) return;
    UINT modifiers = 0;
    if (key.state & Mod1Mask) modifiers |= MOD_ALT;
    if (key.state & ControlMask) modifiers |= MOD_CONTROL;
    if (key.state & ShiftMask) modifiers |= MOD_SHIFT;
    if (key.state & Mod4Mask) modifiers |= MOD_WIN;
    hotKeyPressed(modifiers, vk, repeat);
  }

  // Input and exposure of a tray icon window; false for other windows.
  bool handleTrayEvent(XEvent& e) {
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

  void setTrayTip(::Window w, const std::u16string& tip) {
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
  void paintTrayIcon(::Window w) {
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

  // Notes that the server may have changed a window's geometry (and whether it is viewable now).
  void unsettle(::Window w, const bool* viewable) {
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
  void settleGeometry() {
    std::vector<::Window> windows;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto& entry : m_windows) {
        if (entry.second.unsettled) windows.push_back(entry.first);
      }
    }
    for (::Window w : windows) settle(w);
  }

  void settle(::Window w) {
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

  // The window manager's _NET_WM_STATE: hidden is minimised, both maximised states maximised.
  void reportState(::Window w, HWND hwnd) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_windows.find(w);
      if (it != m_windows.end() && it->second.ownStateWrites > 0) {
        // The driver's own write comes back: it is no news from the window manager.
        --it->second.ownStateWrites;
        return;
      }
      // A manager clears the state of a window it lets go: for a window the program hid that is
      // no restore, and acted on it would show the window again.
      if (it != m_windows.end() && !it->second.mapped) return;
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
    nativeStateChanged(hwnd, hidden, vert && horz);
  }

  // The frame of a window on the screen. A manager that lets a window go (the program hid it) may
  // clear its extents on the way; the frame it had comes back when it is shown, and is read again
  // when the server maps it.
  void learnExtents(::Window w) {
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

  void sendToSource(::Window source, ::Window target, Atom type, long l1, long l2, long l3, long l4) {
    Hold x(*this);
    if (!x) return;
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.window = source;
    reply.xclient.message_type = type;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(target);
    reply.xclient.data.l[1] = l1;
    reply.xclient.data.l[2] = l2;
    reply.xclient.data.l[3] = l3;
    reply.xclient.data.l[4] = l4;
    XSendEvent(m_display, source, False, NoEventMask, &reply);
    XFlush(m_display);
  }

  void handleClientMessage(XEvent& e, HWND hwnd) {
    const XClientMessageEvent& m = e.xclient;
    ::Window w = m.window;
    if (m.message_type == m_atoms.wmProtocols && static_cast<Atom>(m.data.l[0]) == m_atoms.wmDeleteWindow) {
      if (hwnd != nullptr) nativeCloseRequested(hwnd);
      return;
    }
    if (hwnd == nullptr) return;
    if (m.message_type == m_atoms.xdndEnter) {
      xdndEnter(w, m);
    } else if (m.message_type == m_atoms.xdndPosition) {
      xdndPosition(w, hwnd, m);
    } else if (m.message_type == m_atoms.xdndLeave) {
      std::shared_ptr<XdndDrag> drag = takeDrag(w);
      if (drag && drag->source == static_cast<::Window>(m.data.l[0])) drag->session->leave(false);
    } else if (m.message_type == m_atoms.xdndDrop) {
      xdndDrop(w, hwnd, m);
    }
  }

  std::shared_ptr<XdndDrag> dragOf(::Window w) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    return it != m_windows.end() ? it->second.drag : nullptr;
  }

  std::shared_ptr<XdndDrag> takeDrag(::Window w) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(w);
    if (it == m_windows.end()) return nullptr;
    return std::move(it->second.drag);
  }

  // Atoms of a property of the source (its type list or its action list).
  std::vector<Atom> atomsOf(::Window source, Atom property) {
    std::vector<Atom> out;
    Hold x(*this);
    if (!x) return out;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, source, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && format == 32) {
      Atom* atoms = reinterpret_cast<Atom*>(data);
      out.assign(atoms, atoms + count);
    }
    if (data != nullptr) XFree(data);
    return out;
  }

  void xdndEnter(::Window w, const XClientMessageEvent& m) {
    auto drag = std::make_shared<XdndDrag>();
    drag->source = static_cast<::Window>(m.data.l[0]);
    std::vector<Atom> types;
    if (m.data.l[1] & 1) {
      // More than three types: the list is a property of the source.
      types = atomsOf(drag->source, m_atoms.xdndTypeList);
    } else {
      for (int i = 2; i <= 4; ++i) types.push_back(static_cast<Atom>(m.data.l[i]));
    }
    bool moz = false, netscape = false;
    for (Atom t : types) {
      moz = moz || t == m_atoms.mozUrl;
      netscape = netscape || t == m_atoms.netscapeUrl;
      drag->offersUriList = drag->offersUriList || t == m_atoms.uriList;
    }
    drag->linkType = moz ? m_atoms.mozUrl : netscape ? m_atoms.netscapeUrl : 0;
    for (Atom a : atomsOf(drag->source, m_atoms.xdndActionList)) {
      drag->sourceOffersLink = drag->sourceOffersLink || a == m_atoms.xdndActionLink;
    }
    ole::DragData* data = ole::DragData::create();
    if (drag->linkType != 0) {
      data->offer(linkFormat());
      data->offer(ansiLinkFormat());
      drag->known = true;
    } else {
      drag->known = !drag->offersUriList;
    }
    // The source decides on the action; the target's choice is answered in XDND's terms.
    drag->session = std::make_unique<ole::DragSession>(data, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    data->Release();
    std::shared_ptr<XdndDrag> old;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      old = std::exchange(m_windows[w].drag, drag);
    }
    if (old) old->session->leave(false);
  }

  void xdndPosition(::Window w, HWND hwnd, const XClientMessageEvent& m) {
    ::Window source = static_cast<::Window>(m.data.l[0]);
    std::shared_ptr<XdndDrag> drag = dragOf(w);
    if (!drag || drag->source != source) {
      sendStatus(source, w, DROPEFFECT_NONE, false);
      return;
    }
    drag->point = POINT{static_cast<LONG>((m.data.l[2] >> 16) & 0xFFFF), static_cast<LONG>(m.data.l[2] & 0xFFFF)};
    if (static_cast<Atom>(m.data.l[4]) == m_atoms.xdndActionLink) drag->sourceOffersLink = true;
    if (!drag->known) {
      // Files or a link: the list itself tells. The answer waits for it.
      drag->positionWaiting = true;
      if (drag->converting == 0) requestData(w, *drag, m_atoms.uriList, static_cast<Time>(m.data.l[3]));
      return;
    }
    answerPosition(w, hwnd, *drag);
  }

  void answerPosition(::Window w, HWND hwnd, XdndDrag& drag) {
    ::Window source = drag.source;
    bool link = drag.sourceOffersLink;
    drag.session->move(hwnd, drag.point, false,
                       [this, source, w, link](DWORD effect) { sendStatus(source, w, effect, link); });
  }

  void xdndDrop(::Window w, HWND hwnd, const XClientMessageEvent& m) {
    ::Window source = static_cast<::Window>(m.data.l[0]);
    std::shared_ptr<XdndDrag> drag = dragOf(w);
    if (!drag || drag->source != source) {
      sendToSource(source, w, m_atoms.xdndFinished, 0, 0, 0, 0);
      return;
    }
    drag->dropWaiting = true;
    Time time = static_cast<Time>(m.data.l[2]);
    if (drag->converting != 0) return;  // the drop completes when the data comes
    if (!drag->known) {
      requestData(w, *drag, m_atoms.uriList, time);
    } else if (drag->linkType != 0 && !drag->linkFetched) {
      requestData(w, *drag, drag->linkType, time);
    } else {
      completeDrop(w, hwnd);
    }
  }

  void completeDrop(::Window w, HWND hwnd) {
    std::shared_ptr<XdndDrag> drag = takeDrag(w);
    if (!drag) return;
    ::Window source = drag->source;
    bool link = drag->sourceOffersLink;
    drag->session->drop(hwnd, drag->point, false, [this, source, w, link](DWORD effect) {
      sendToSource(source, w, m_atoms.xdndFinished, effect != DROPEFFECT_NONE ? 1 : 0,
                   static_cast<long>(actionOf(effect, link)), 0, 0);
    });
  }

  // XDND's name of an effect the target chose; a link the source does not offer is answered as
  // a copy, which every source knows.
  Atom actionOf(DWORD effect, bool sourceOffersLink) const {
    if (effect & DROPEFFECT_LINK) return sourceOffersLink ? m_atoms.xdndActionLink : m_atoms.xdndActionCopy;
    if (effect & DROPEFFECT_COPY) return m_atoms.xdndActionCopy;
    if (effect & DROPEFFECT_MOVE) return m_atoms.xdndActionMove;
    return None;
  }

  void sendStatus(::Window source, ::Window w, DWORD effect, bool sourceOffersLink) {
    Atom action = actionOf(effect, sourceOffersLink);
    // Bit 1 asks for a position at every move: the window under the pointer may change inside
    // this one, and with it the answer.
    sendToSource(source, w, m_atoms.xdndStatus, action != None ? 3 : 2, 0, 0, static_cast<long>(action));
  }

  void requestData(::Window w, XdndDrag& drag, Atom type, Time time) {
    Hold x(*this);
    if (!x) return;
    drag.converting = type;
    // A source that does not deliver within this bound leaves the drag without its data.
    drag.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    XConvertSelection(m_display, m_atoms.xdndSelection, type, m_atoms.xdndSelection, w, time);
    XFlush(m_display);
  }

  void xdndDataArrived(::Window w, HWND hwnd, bool delivered) {
    std::string bytes;
    if (delivered) {
      Hold x(*this);
      if (!x) return;
      Atom type;
      int format;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(m_display, w, m_atoms.xdndSelection, 0, 1 << 24, True, AnyPropertyType, &type, &format,
                             &count, &after, &data) == Success &&
          data != nullptr) {
        bytes.assign(reinterpret_cast<char*>(data), count * static_cast<size_t>(format / 8));
      }
      if (data != nullptr) XFree(data);
    }
    std::shared_ptr<XdndDrag> drag = dragOf(w);
    // Data that comes after its bound (or was never asked for) is too late.
    if (!drag || drag->converting == 0) return;
    dataDelivered(w, hwnd, *drag, delivered, bytes);
  }

  void xdndCheckDeadlines() {
    std::vector<std::pair<::Window, std::shared_ptr<XdndDrag>>> late;
    auto now = std::chrono::steady_clock::now();
    {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto& entry : m_windows) {
        const auto& drag = entry.second.drag;
        if (drag && drag->converting != 0 && now >= drag->deadline) late.emplace_back(entry.first, drag);
      }
    }
    for (auto& [w, drag] : late) {
      HWND hwnd = hwndOf(w);
      if (hwnd != nullptr) dataDelivered(w, hwnd, *drag, false, {});
    }
  }

  void dataDelivered(::Window w, HWND hwnd, XdndDrag& drag, bool delivered, const std::string& bytes) {
    Atom type = drag.converting;
    drag.converting = 0;
    ole::DragData* data = drag.session->data();
    if (type == m_atoms.uriList) {
      std::string first = delivered ? x11::firstUri(bytes) : std::string();
      if (!first.empty() && !x11::isFileUri(first)) {
        std::u16string link;
        utf8::toUtf16(first, link);
        supplyLink(data, link);
      } else if (!first.empty()) {
        data->setFiles(x11::parseUriList(bytes));
      }
      drag.known = true;
      drag.linkFetched = true;
    } else {
      std::u16string link;
      if (delivered) link = type == m_atoms.mozUrl ? x11::linkFromUtf16(bytes) : x11::linkFromUtf8(bytes);
      if (!link.empty()) supplyLink(data, link);
      drag.linkFetched = true;
    }
    if (drag.dropWaiting) {
      completeDrop(w, hwnd);
    } else if (drag.positionWaiting) {
      drag.positionWaiting = false;
      answerPosition(w, hwnd, drag);
    }
  }

  static CLIPFORMAT linkFormat() {
    static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocatorW"));
    return format;
  }
  static CLIPFORMAT ansiLinkFormat() {
    static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocator"));
    return format;
  }

  // A link's address in both formats: UTF-16 and the ANSI code page, each with its NUL.
  static void supplyLink(ole::DragData* data, const std::u16string& link) {
    std::vector<uint8_t> wide((link.size() + 1) * sizeof(char16_t));
    std::memcpy(wide.data(), link.c_str(), wide.size());
    data->supply(linkFormat(), std::move(wide));
    int size = WideCharToMultiByte(CP_ACP, 0, link.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<uint8_t> ansi(static_cast<size_t>(size > 0 ? size : 1), 0);
    if (size > 0) {
      WideCharToMultiByte(CP_ACP, 0, link.c_str(), -1, reinterpret_cast<char*>(ansi.data()), size, nullptr, nullptr);
    }
    data->supply(ansiLinkFormat(), std::move(ansi));
  }

  Display* m_display;
  int m_screen;
  ::Window m_root;
  Visual* m_visual;
  int m_depth;
  GC m_gc;
  Atoms m_atoms{};
  // Every Xlib call is made under m_xLock (see Hold), and none once m_lost is set.
  std::recursive_mutex m_xLock;
  std::mutex m_lock;
  std::map<::Window, NativeInfo> m_windows;
  std::map<PointerShape, Cursor> m_cursors;
  RECT m_learntExtents{0, 0, 0, 0};
  std::once_flag m_extentsAsked;
  std::atomic<bool> m_lost{false};
  std::atomic<NativeWindow> m_capture{0};       // the X window of the capturing window's top level
  std::atomic<unsigned long> m_focusSerial{0};  // the serial of the last XSetInputFocus
  std::atomic<::Window> m_moveAsked{0};         // the window whose move the manager was asked for
  int m_randrEvent = -1;
  int m_randrError = 0;
  bool m_randr15 = false;
  std::mutex m_monitorLock;
  std::atomic<bool> m_monitorsValid{false};
  std::vector<Monitor> m_monitors;
  unsigned m_numLockMask = 0;
  std::vector<unsigned> m_heldKeys;  // grabbed keys now down, to tell repeats
  std::vector<TrayWindow> m_trayWindows;
};

}  // namespace

DisplayDriver* X11Driver::open() {
  XInitThreads();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  Visual* visual = DefaultVisual(display, DefaultScreen(display));
  int depth = DefaultDepth(display, DefaultScreen(display));
  // Surfaces go to the screen as they are: a 24- or 32-bit true-colour visual with red, green
  // and blue where the surfaces keep them.
  if (depth < 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
    XCloseDisplay(display);
    return nullptr;
  }
  XSetErrorHandler(reportError);
  XSetIOErrorHandler(reportIoError);
  return new X11DriverImpl(display);
}

}  // namespace winapi
