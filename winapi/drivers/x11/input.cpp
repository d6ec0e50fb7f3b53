// The X11 driver's input: X key symbols as virtual keys and back, activation and the focus, the
// pointer's shape and place, the grabs that keep input with a menu, and the hold that keeps the
// release of a press away from the desktop when the pressed window goes before it.
// Left out: explicit pointer grabs for SetCapture. X's implicit grab keeps a dragging pointer
// with its window, and a capture taken without a pressed button learns that the pointer left its
// X window from the window's LeaveNotify, turned into a mouse move at the outside position.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/base/debug.h"
#include "winapi/user32/Input.h"

#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <mutex>
#include <vector>

namespace winapi::x11 {

namespace {

// The buttons a user holds; 4 and 5 are the wheel's turns, pressed and released at once.
constexpr unsigned kHeldButtons = Button1Mask | Button2Mask | Button3Mask;

unsigned maskOfButton(unsigned button) {
  switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
  }
}

}  // namespace

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

void X11DriverImpl::activate(NativeWindow window) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  if (isMenu(w)) return;  // a menu never takes the focus: the keyboard comes through the grab
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& [native, info] : m_windows) info.activateWhenViewable = native == w && !info.viewable;
  }
  // The program's choice is newer than any focus change the server made so far, even while the
  // window it chose is not on the screen yet and no focus request goes out: a focus event of an
  // earlier window, read only now, would otherwise take the activation back from it.
  XLockDisplay(m_display);
  m_focusSerial.store(NextRequest(m_display));
  XUnlockDisplay(m_display);
  requestActivation(w);
}

// The activation of a window the layer activated before the server mapped it, asked for again now
// that it is mapped. The display's lock is held from the check to the request, so a later
// activation of another window (which clears the mark under the same lock) always comes after.
void X11DriverImpl::activateOnceViewable(::Window w) {
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
void X11DriverImpl::requestActivation(::Window w) {
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
void X11DriverImpl::setFocus(::Window w) {
  Hold x(*this);
  if (!x) return;
  XLockDisplay(m_display);
  m_focusSerial.store(NextRequest(m_display));
  TRACE(X11, "focus to 0x%lx", w);
  XSetInputFocus(m_display, w, RevertToParent, CurrentTime);
  XUnlockDisplay(m_display);
}

void X11DriverImpl::setCapture(NativeWindow window) { m_capture.store(window); }

void X11DriverImpl::setCursor(PointerShape shape) {
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

bool X11DriverImpl::grabInput(NativeWindow window) {
  Hold x(*this);
  if (!x) return false;
  ::Window w = static_cast<::Window>(window);
  // Owner events: our own windows keep receiving their events, everything else is reported to
  // the menu, at root coordinates that the layer reads.
  const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  int pointer = XGrabPointer(m_display, w, True, mask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  int keyboard = XGrabKeyboard(m_display, w, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  // The menu's grab takes the place of a hold on a release (see holdRelease), whether it stands.
  if (pointer == GrabSuccess) m_releaseHeld = false;
  if (pointer != GrabSuccess || keyboard != GrabSuccess) {
    if (pointer == GrabSuccess) XUngrabPointer(m_display, CurrentTime);
    if (keyboard == GrabSuccess) XUngrabKeyboard(m_display, CurrentTime);
    XFlush(m_display);
    return false;
  }
  m_inputGrabbed = true;
  XFlush(m_display);
  return true;
}

void X11DriverImpl::ungrabInput() {
  Hold x(*this);
  if (!x) return;
  m_inputGrabbed = false;
  XUngrabPointer(m_display, CurrentTime);
  XUngrabKeyboard(m_display, CurrentTime);
  XFlush(m_display);
}

bool X11DriverImpl::cursorPos(POINT* point) {
  Hold x(*this);
  if (!x) return false;
  ::Window rootReturn, child;
  int rx, ry, wx, wy;
  unsigned mask;
  if (!XQueryPointer(m_display, m_root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask)) return false;
  *point = POINT{rx, ry};
  return true;
}

bool X11DriverImpl::setCursorPos(int x, int y) {
  Hold held(*this);
  if (!held) return false;
  XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, x, y);
  XFlush(m_display);
  return true;
}

// Follows which window of ours the held buttons were pressed on: the server hands their release
// to that window (X's implicit grab) for as long as it stays on the screen.
void X11DriverImpl::notePress(const XButtonEvent& e, bool ours) {
  const unsigned button = maskOfButton(e.button);
  if (button == 0) return;
  if (e.type == ButtonPress) {
    // The first button of a press decides where the others go; a press elsewhere is no one's.
    if ((e.state & kHeldButtons) == 0) m_pressed = ours ? e.window : 0;
  } else if ((e.state & kHeldButtons & ~button) == 0) {
    m_pressed = 0;
  }
}

// Called as the window `w` is about to go (hidden, minimised). A window that goes while a button
// pressed on it is still down ends X's implicit grab, and the release then goes to whatever lies
// under the pointer: mostly the desktop, whose window manager takes a release there for a click of
// its own (jwm opens its root menu, and that menu takes the user's next click, meant for the tray
// icon the window went to). The press has decided what happens: its release belongs to the
// program. So the driver takes the pointer on the root for itself until every button is up, and
// hands the release to the window the buttons were pressed on (heldButton).
// The grab stops the pointer's events in the server after each button event it reports, until
// the driver has handled that event: the click a user makes right after the release then waits
// there while the hold is let go, and reaches the tray icon instead of the hold.
void X11DriverImpl::holdRelease(::Window w) {
  Hold x(*this);
  if (!x || m_pressed.load() != w || m_releaseHeld.load() || m_inputGrabbed.load()) return;
  const auto held = [this] {
    ::Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    return XQueryPointer(m_display, m_root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask) &&
           (mask & kHeldButtons) != 0;
  };
  if (!held()) return;
  // The implicit grab is this client's, so the grab takes its place; any other client's grab
  // refuses it, and that client has the release.
  if (XGrabPointer(m_display, m_root, False, ButtonPressMask | ButtonReleaseMask, GrabModeSync, GrabModeAsync, None,
                   None, CurrentTime) != GrabSuccess) {
    return;
  }
  // A release between the look and the grab went to the window itself: nothing is left to hold.
  // Events are read under the same hold of the connection, so the event thread meets a button
  // event on the root only once the mark is set.
  if (!held()) {
    XUngrabPointer(m_display, CurrentTime);
    XFlush(m_display);
    return;
  }
  m_releaseHeld = true;
  TRACE(X11, "window 0x%lx goes under a held button: the pointer is held until the release", w);
  XAllowEvents(m_display, SyncPointer, CurrentTime);
  XFlush(m_display);
}

// A button event of the hold on the root: a release goes to the window of the press, the pointer
// is let go once no button is down, and until then its events go on to the next button event.
void X11DriverImpl::heldButton(const XButtonEvent& e) {
  if (!m_releaseHeld.load()) return;
  const unsigned button = maskOfButton(e.button);
  const bool released = e.type == ButtonRelease && button != 0;
  if (released) {
    const ::Window pressed = m_pressed.load();
    notePress(e, false);
    if (HWND hwnd = hwndOf(pressed)) {
      const UINT message = e.button == Button1 ? WM_LBUTTONUP : e.button == Button2 ? WM_MBUTTONUP : WM_RBUTTONUP;
      queueMouseInput(hwnd, message, POINT{e.x_root, e.y_root}, 0);
    }
  }
  Hold x(*this);
  if (!x || !m_releaseHeld.load()) return;
  if (released && (e.state & kHeldButtons & ~button) == 0) {
    m_releaseHeld = false;
    TRACE(X11, "the buttons are up: the pointer is let go");
    XUngrabPointer(m_display, CurrentTime);
  } else {
    XAllowEvents(m_display, SyncPointer, CurrentTime);
  }
  XFlush(m_display);
}

Cursor X11DriverImpl::cursorFor(PointerShape shape) {
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

}  // namespace winapi::x11
