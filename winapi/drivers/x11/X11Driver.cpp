// The X11 driver: its connection, the thread that reads events from it and hands each to the
// file of its concern, and the choice of a server the surfaces can be shown on. Input,
// window-manager changes and XDND drags go to the window system from the event thread.
// A lost connection is final: the driver makes no Xlib call after it, its entries answer as a
// display without windows would, and the session ends (nativeDisplayLost).
#include "winapi/drivers/x11/X11Driver.h"

#include "winapi/base/debug.h"
#include "winapi/drivers/x11/X11DriverImpl.h"
#include "winapi/user32/Input.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace winapi {

namespace x11 {
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

}  // namespace

X11DriverImpl::X11DriverImpl(Display* display) : m_display(display) {
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

// Called by Xlib, on the thread that met the loss, under its hold.
void X11DriverImpl::connectionLost() {
  if (m_lost.exchange(true)) return;
  nativeDisplayLost("the X server connection was lost");
}

void X11DriverImpl::eventLoop() {
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

void X11DriverImpl::handle(XEvent& e) {
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
  if (e.type == ButtonPress || e.type == ButtonRelease) {
    // Button events reach the root only under the driver's hold on a release (holdRelease).
    if (e.xany.window == m_root) {
      heldButton(e.xbutton);
      return;
    }
    notePress(e.xbutton, hwndOf(e.xany.window) != nullptr);
  }
  if (handleTrayEvent(e)) return;
  RECT insets{};
  HWND hwnd = hwndOf(e.xany.window, &insets);
  switch (e.type) {
    case Expose:
      if (hwnd != nullptr) {
        nativeExposed(
            hwnd, RECT{e.xexpose.x + insets.left, e.xexpose.y + insets.top, e.xexpose.x + e.xexpose.width + insets.left,
                       e.xexpose.y + e.xexpose.height + insets.top});
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

void X11DriverImpl::handleClientMessage(XEvent& e, HWND hwnd) {
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

}  // namespace x11

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
  XSetErrorHandler(x11::reportError);
  XSetIOErrorHandler(x11::reportIoError);
  return new x11::X11DriverImpl(display);
}

}  // namespace winapi
