// Input: raw mouse, key and drop input from the driver becomes window messages on the thread
// that owns the target window. Mouse input is hit-tested with WM_NCHITTEST from the deepest
// window under the pointer outwards (HTTRANSPARENT passes a click on to the window below it),
// goes to the capture window when one is set, activates its top-level window on a click, and
// turns into double clicks for CS_DBLCLKS classes. Keys go to the focus window.
// Also: focus, activation and the foreground window, capture, key states, cursors and icons.
// Left out on purpose: keyboard layouts beyond the text the driver reports with each key, dead
// keys, and mouse hover and leave tracking.
#include "winapi/user32/Input.h"

#include "winapi/base/debug.h"
#include "winapi/user32/Icon.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <map>

namespace winapi {
namespace {

struct InputState {
  HWND active = nullptr;
  // Counts the changes of the active window, so a report of the display's own focus change that
  // was overtaken by one of the program's is passed over.
  uint64_t activations = 0;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HCURSOR cursor = nullptr;
  int cursorCount = 0;
  // The last click, for double clicks.
  HWND clickWindow = nullptr;
  UINT clickMessage = 0;
  DWORD clickTime = 0;
  POINT clickPoint{0, 0};
};

InputState& input() {
  static auto* s = new InputState;
  return *s;
}

std::array<std::atomic<uint8_t>, 256> g_keys{};

// The keys of the mouse event this thread is turning into a message, while it does; null
// otherwise. A window's thread takes an event some time after it happened: a quick click is
// often released by then, and the hit test, which may ask whether a button is held (a window
// dragged by any point unless the right button is down for its menu), must see the click as it
// was, or the click turns into something else.
thread_local const WPARAM* t_eventKeys = nullptr;

SHORT heldAtEvent(WPARAM keys, WPARAM flag) { return (keys & flag) != 0 ? static_cast<SHORT>(0x8000) : 0; }

// Windows to ask WM_NCHITTEST, front to back: the deepest child under the point first, then
// the windows beneath it, then the parent.
void hitCandidates(Window* w, POINT screen, std::vector<HWND>& out) {
  for (HWND h : w->children) {
    Window* c = findWindow(h);
    if (c == nullptr || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
    POINT o = windowOrigin(c);
    RECT r{o.x, o.y, o.x + c->window.right - c->window.left, o.y + c->window.bottom - c->window.top};
    if (!PtInRect(&r, screen)) continue;
    if (c->hasShape && !c->shape.contains(screen.x - o.x, screen.y - o.y)) continue;
    hitCandidates(c, screen, out);
  }
  out.push_back(w->handle);
}

bool postTo(HWND hwnd, const MSG& msg) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return false;
    target = w->queue;
  }
  {
    std::lock_guard<std::mutex> guard(target->lock);
    target->posted.push_back(msg);
  }
  target->notify();
  return true;
}

PointerShape shapeOfCursor(HCURSOR cursor) {
  if (cursor == nullptr) return PointerShape::Hidden;
  std::lock_guard<std::mutex> guard(iconLock());
  auto it = icons().find(reinterpret_cast<uintptr_t>(cursor));
  return it == icons().end() ? PointerShape::Arrow : it->second->shape;
}

bool translateMouse(ThreadQueue& queue, RawInput& raw, MSG* msg) {
  struct EventKeys {
    explicit EventKeys(const WPARAM* keys) : outer(t_eventKeys) { t_eventKeys = keys; }
    ~EventKeys() { t_eventKeys = outer; }
    const WPARAM* outer;
  } eventKeys(&raw.keys);
  POINT pt = raw.screen;
  HWND target = nullptr;
  LRESULT hit = HTCLIENT;
  HWND capture = GetCapture();
  if (raw.message == WM_MOUSEWHEEL) {
    // The wheel turns the focus window (or the active one), not the one under the pointer.
    target = GetFocus();
    if (target == nullptr) target = GetActiveWindow();
    if (target == nullptr) target = raw.top;
    *msg = MSG{target,
               WM_MOUSEWHEEL,
               MAKEWPARAM(raw.keys, static_cast<WORD>(static_cast<SHORT>(raw.wheel))),
               MAKELPARAM(pt.x, pt.y),
               raw.time,
               pt};
  } else {
    if (capture != nullptr && IsWindow(capture)) {
      target = capture;
    } else {
      std::vector<HWND> candidates;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* top = findWindow(raw.top);
        if (top == nullptr) return false;
        hitCandidates(top, pt, candidates);
      }
      for (HWND c : candidates) {
        if (!IsWindow(c)) continue;
        hit = sendLocal(c, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        target = c;
        if (hit != HTTRANSPARENT) break;
      }
      if (target == nullptr) return false;
      if (hit == HTTRANSPARENT) hit = HTCLIENT;
    }
    UINT message = raw.message;
    bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    if (message == WM_MOUSEMOVE || down) {
      sendLocal(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(static_cast<WORD>(hit), message));
    }
    if (down) {
      HWND top = GetAncestor(target, GA_ROOT);
      if (top != GetActiveWindow()) {
        LRESULT how = sendLocal(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                MAKELPARAM(static_cast<WORD>(hit), message));
        if (how == MA_ACTIVATE || how == MA_ACTIVATEANDEAT || how == 0) activateWindow(top, WA_CLICKACTIVE);
        if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT) return false;
      }
      InputState& s = input();
      bool dblClass = (GetClassLongPtrW(target, GCL_STYLE) & CS_DBLCLKS) != 0;
      if (dblClass && s.clickWindow == target && s.clickMessage == message &&
          raw.time - s.clickTime <= GetDoubleClickTime() &&
          std::abs(pt.x - s.clickPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
          std::abs(pt.y - s.clickPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
        message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
        s.clickWindow = nullptr;
      } else {
        s.clickWindow = target;
        s.clickMessage = message;
        s.clickTime = raw.time;
        s.clickPoint = pt;
      }
    }
    if (!IsWindow(target)) return false;
    if (hit == HTCLIENT || target == capture) {
      POINT client = pt;
      ScreenToClient(target, &client);
      *msg = MSG{target, message, raw.keys, MAKELPARAM(client.x, client.y), raw.time, pt};
    } else {
      *msg = MSG{
          target, message - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), MAKELPARAM(pt.x, pt.y), raw.time,
          pt};
    }
  }
  if (ownedByCurrentThread(msg->hwnd) || queue.threadId == 0) return true;
  postTo(msg->hwnd, *msg);
  return false;
}

}  // namespace

SHORT keyStateOf(int vk) {
  if (vk < 0 || vk > 255) return 0;
  if (const WPARAM* keys = t_eventKeys) {
    switch (vk) {
      case VK_LBUTTON: return heldAtEvent(*keys, MK_LBUTTON);
      case VK_RBUTTON: return heldAtEvent(*keys, MK_RBUTTON);
      case VK_MBUTTON: return heldAtEvent(*keys, MK_MBUTTON);
      default: break;
    }
  }
  return (g_keys[static_cast<size_t>(vk)].load() & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

WPARAM heldMouseKeys() {
  WPARAM k = 0;
  if (g_keys[VK_LBUTTON].load() & 0x80) k |= MK_LBUTTON;
  if (g_keys[VK_RBUTTON].load() & 0x80) k |= MK_RBUTTON;
  if (g_keys[VK_MBUTTON].load() & 0x80) k |= MK_MBUTTON;
  if (g_keys[VK_SHIFT].load() & 0x80) k |= MK_SHIFT;
  if (g_keys[VK_CONTROL].load() & 0x80) k |= MK_CONTROL;
  return k;
}

void setKeyState(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  g_keys[static_cast<size_t>(vk)] = down ? 0x80 : 0;
  // The generic Shift, Control and Alt keys follow their left and right keys.
  auto either = [](int a, int b) { return (g_keys[static_cast<size_t>(a)] | g_keys[static_cast<size_t>(b)]) & 0x80; };
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) g_keys[VK_SHIFT] = either(VK_LSHIFT, VK_RSHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) g_keys[VK_CONTROL] = either(VK_LCONTROL, VK_RCONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) g_keys[VK_MENU] = either(VK_LMENU, VK_RMENU);
}

HWND focusWindow() {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return input().focus;
}

void forgetWindowInput(HWND hwnd) {
  HWND lostCapture = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    InputState& s = input();
    if (s.focus == hwnd || (s.focus != nullptr && IsChild(hwnd, s.focus))) s.focus = nullptr;
    if (s.active == hwnd) s.active = nullptr;
    if (s.capture == hwnd || (s.capture != nullptr && IsChild(hwnd, s.capture))) {
      lostCapture = s.capture;
      s.capture = nullptr;
    }
    if (s.clickWindow == hwnd) s.clickWindow = nullptr;
  }
  if (lostCapture != nullptr && IsWindow(lostCapture)) sendLocal(lostCapture, WM_CAPTURECHANGED, 0, 0);
}

// WM_NCACTIVATE and WM_ACTIVATE for one side of an activation change. A window of another thread
// is told without waiting, as SendNotifyMessageW would: that thread may be asleep in a poll loop
// of its own (waiting for this very thread), and activation must not hang on it.
static void tellActivation(HWND hwnd, BOOL active, WPARAM activateParam, HWND other) {
  auto tell = [hwnd, active, activateParam, other] {
    if (!IsWindow(hwnd)) return;
    sendLocal(hwnd, WM_NCACTIVATE, active, 0);
    sendLocal(hwnd, WM_ACTIVATE, activateParam, reinterpret_cast<LPARAM>(other));
  };
  if (ownedByCurrentThread(hwnd)) {
    tell();
  } else {
    postToOwner(hwnd, tell);
  }
}

void activateWindow(HWND hwnd, int how) {
  HWND old;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    InputState& s = input();
    if (s.active == hwnd) return;
    old = s.active;
    s.active = hwnd;
    ++s.activations;
    Window* w = findWindow(hwnd);
    if (w != nullptr) {
      setTopLevelOrder(hwnd, HWND_TOP);
      if (w->native != 0) displayDriver().activate(w->native);
    }
  }
  if (old != nullptr && IsWindow(old)) {
    tellActivation(old, FALSE, MAKEWPARAM(WA_INACTIVE, IsIconic(old)), hwnd);
  }
  if (hwnd != nullptr && IsWindow(hwnd)) {
    tellActivation(hwnd, TRUE, MAKEWPARAM(how, IsIconic(hwnd)), old);
  } else {
    HWND focus = GetFocus();
    if (focus != nullptr && GetAncestor(focus, GA_ROOT) == old) SetFocus(nullptr);
  }
}

bool translateRawInput(ThreadQueue& queue, RawInput& raw, MSG* msg) {
  switch (raw.kind) {
    case RawInput::Kind::Mouse: return translateMouse(queue, raw, msg);
    case RawInput::Kind::Key: {
      HWND target = GetFocus();
      if (target == nullptr || GetAncestor(target, GA_ROOT) != raw.top) target = GetActiveWindow();
      if (target == nullptr) target = raw.top;
      if (!IsWindow(target)) return false;
      bool down = raw.message == WM_KEYDOWN;
      LPARAM lp = 1 | (down ? 0 : static_cast<LPARAM>(0xC0000000u));
      *msg = MSG{target, raw.message, raw.vk, lp, raw.time, raw.screen};
      if (ownedByCurrentThread(target)) {
        queue.lastKeyChar = down ? raw.ch : 0;
        return true;
      }
      postTo(target, *msg);
      return false;
    }
    case RawInput::Kind::Drop: {
      HWND target = nullptr;
      POINT client = raw.screen;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* top = findWindow(raw.top);
        if (top == nullptr) return false;
        // The deepest window under the point that accepts files, or an ancestor that does.
        for (Window* w = deepestChildAt(top, raw.screen); w != nullptr; w = findWindow(w->parent)) {
          if (w->acceptFiles || (w->exStyle & WS_EX_ACCEPTFILES)) {
            target = w->handle;
            break;
          }
        }
      }
      if (target == nullptr) return false;
      ScreenToClient(target, &client);
      HDROP drop = makeDrop(client, false, std::move(raw.files));
      *msg = MSG{target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0, raw.time, raw.screen};
      if (ownedByCurrentThread(target)) return true;
      postTo(target, *msg);
      return false;
    }
  }
  return false;
}

void queueMouseInput(HWND top, UINT message, POINT screen, int wheelDelta) {
  switch (message) {
    case WM_LBUTTONDOWN: setKeyState(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: setKeyState(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: setKeyState(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: setKeyState(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: setKeyState(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: setKeyState(VK_MBUTTON, false); break;
    default: break;
  }
  HWND capture = GetCapture();
  // Under a capture the input belongs to the capturing window's top-level window.
  if (capture != nullptr && IsWindow(capture)) top = GetAncestor(capture, GA_ROOT);
  RawInput raw{RawInput::Kind::Mouse,         top, message,        screen, wheelDelta, 0, 0,
               static_cast<DWORD>(clockMs()), {},  heldMouseKeys()};
  postRawInput(top, std::move(raw));
}

void queueKeyInput(HWND top, UINT vk, char16_t ch, bool down) {
  setKeyState(static_cast<int>(vk), down);
  if (vk == VK_SHIFT) setKeyState(VK_LSHIFT, down);
  if (vk == VK_CONTROL) setKeyState(VK_LCONTROL, down);
  if (vk == VK_MENU) setKeyState(VK_LMENU, down);
  POINT pt{0, 0};
  displayDriver().cursorPos(&pt);
  RawInput raw{RawInput::Kind::Key,
               top,
               static_cast<UINT>(down ? WM_KEYDOWN : WM_KEYUP),
               pt,
               0,
               vk,
               ch,
               static_cast<DWORD>(clockMs()),
               {},
               0};
  postRawInput(top, std::move(raw));
}

void queueDrop(HWND top, POINT screen, std::vector<std::u16string> files) {
  RawInput raw{RawInput::Kind::Drop, top, WM_DROPFILES, screen, 0, 0, 0, static_cast<DWORD>(clockMs()),
               std::move(files),     0};
  postRawInput(top, std::move(raw));
}

void nativeMoved(HWND top, const RECT& r) {
  // The place a minimised window is parked at is the layer's own: its echo may come back after
  // the window was restored, and must not size the restored window down to the parked one.
  if (r.left == kMinimizedPosition && r.top == kMinimizedPosition) return;
  postToOwner(top, [top, r] {
    // A report that waited in the queue while the program asked for another place is stale: the
    // driver takes the answer to that request as no news, so applying the old place would leave
    // the layer's idea of the window apart from the screen's for good.
    NativeWindow native = 0;
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      if (Window* w = findWindow(top)) native = w->native;
    }
    if (native != 0 && !displayDriver().stillPlaced(native, r)) {
      TRACE(User32, "%p: a stale report of the system's place (%d,%d)-(%d,%d) is passed over", top, r.left, r.top,
            r.right, r.bottom);
      return;
    }
    RECT now{};
    GetWindowRect(top, &now);
    TRACE(User32, "%p moved by the system to (%d,%d)-(%d,%d), was (%d,%d)-(%d,%d)", top, r.left, r.top, r.right,
          r.bottom, now.left, now.top, now.right, now.bottom);
    if (IsIconic(top)) {
      // The system placed a window the layer holds minimised (it may not be so on the screen
      // yet): that is where it comes back when restored.
      std::lock_guard<std::recursive_mutex> guard(userLock());
      if (Window* w = findWindow(top)) {
        w->nativeKept = r;
        if (!(w->style & WS_MAXIMIZE)) w->normal = r;
      }
      return;
    }
    if (EqualRect(&now, &r)) return;
    RECT proposed = r;
    bool sized = r.right - r.left != now.right - now.left || r.bottom - r.top != now.bottom - now.top;
    if (sized) {
      // The user sized the window in the window manager's frame: the program sees the
      // proposed rectangle first, as Windows shows it during sizing, and may change it.
      bool left = r.left != now.left, top_ = r.top != now.top;
      WPARAM edge = top_ ? (left ? WMSZ_TOPLEFT : WMSZ_TOPRIGHT) : (left ? WMSZ_BOTTOMLEFT : WMSZ_BOTTOMRIGHT);
      if (r.top == now.top && r.bottom == now.bottom) edge = left ? WMSZ_LEFT : WMSZ_RIGHT;
      if (r.left == now.left && r.right == now.right) edge = top_ ? WMSZ_TOP : WMSZ_BOTTOM;
      sendLocal(top, WM_SIZING, edge, reinterpret_cast<LPARAM>(&proposed));
    } else {
      sendLocal(top, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed));
    }
    const SystemPlace place{top, r};
    t_systemPlace = &place;
    SetWindowPos(top, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                 proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
    t_systemPlace = nullptr;
  });
}

void nativeStateChanged(HWND top, bool minimized, bool maximized) {
  postToOwner(top, [top, minimized, maximized] {
    // Only what the window system changed is applied, and only where the window does not know of
    // it yet (the echo of a change the program made is no change). A state it merely does not
    // report is no change either: a manager that does not maximise a window the program
    // maximised itself, or does not mark minimised windows, must not undo the program's state
    // whenever it rewrites the others.
    bool wasMinimized = false, wasMaximized = false;
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(top);
      if (w == nullptr) return;
      // A report made while the window was on the screen may come after the program hid it
      // (the manager's answer to that very hide, say): it is no news. The system shows no
      // window the program hid, and each change below would show it.
      if (!(w->style & WS_VISIBLE)) {
        TRACE(User32, "%p: the system's state of a hidden window is passed over", top);
        return;
      }
      wasMinimized = w->systemMinimized;
      wasMaximized = w->systemMaximized;
      w->systemMinimized = minimized;
      w->systemMaximized = maximized;
    }
    TRACE(User32, "%p: the system's state: minimized %d (was %d), maximized %d (was %d)", top, minimized, wasMinimized,
          maximized, wasMaximized);
    if (minimized) {
      if (!wasMinimized && !IsIconic(top)) ShowWindow(top, SW_MINIMIZE);
      return;
    }
    // A window the system maximised or restored stands where the system put it: the layer takes
    // the state on as it is and asks for nothing (see takeSystemState); a window the layer holds
    // minimised keeps it as the state it comes back in.
    if (maximized != wasMaximized) takeSystemState(top, maximized);
    if (wasMinimized && IsIconic(top)) {
      // Back from the taskbar: in the state the window had, or has taken since.
      ShowWindow(top, SW_RESTORE);
    }
  });
}

void nativeCloseRequested(HWND top) {
  postToOwner(top, [top] { PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

void nativeActivated(HWND top, bool active) {
  uint64_t seen;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    seen = input().activations;
  }
  postToOwner(top, [top, active, seen] {
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      if (input().activations != seen) return;
    }
    if (active) {
      activateWindow(top, WA_ACTIVE);
    } else if (GetActiveWindow() == top) {
      activateWindow(nullptr, WA_INACTIVE);
    }
  });
}

void nativeExposed(HWND top, const RECT& r) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(top);
  if (w == nullptr) return;
  // What the surface already holds is shown again without painting.
  markDirty(w, r);
  wakeOwner(w);
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  std::shared_ptr<ThreadQueue> q = currentQueue();
  char16_t ch = q->lastKeyChar;
  q->lastKeyChar = 0;
  if (ch == 0) {
    // Keys that type a character of their own without the driver's help.
    switch (msg->wParam) {
      case VK_RETURN: ch = u'\r'; break;
      case VK_TAB: ch = u'\t'; break;
      case VK_BACK: ch = u'\b'; break;
      case VK_ESCAPE: ch = 0x1B; break;
      case VK_SPACE: ch = u' '; break;
      default:
        if (msg->wParam >= '0' && msg->wParam <= '9') ch = static_cast<char16_t>(msg->wParam);
        if (msg->wParam >= 'A' && msg->wParam <= 'Z') {
          ch = static_cast<char16_t>(keyStateOf(VK_SHIFT) < 0 ? msg->wParam : msg->wParam + 32);
        }
    }
  }
  if (ch == 0) return FALSE;
  MSG out = *msg;
  out.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  out.wParam = ch;
  std::lock_guard<std::mutex> guard(q->lock);
  q->posted.push_front(out);
  return TRUE;
}

extern "C" HWND WINAPI SetCapture(HWND hwnd) {
  HWND old;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    if (hwnd != nullptr && windowOrError(hwnd) == nullptr) return nullptr;
    old = input().capture;
    input().capture = hwnd;
    Window* w = hwnd != nullptr ? topLevelOf(findWindow(hwnd)) : nullptr;
    displayDriver().setCapture(w != nullptr ? w->native : 0);
  }
  if (old != nullptr && old != hwnd && IsWindow(old)) {
    sendLocal(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return old;
}

extern "C" BOOL WINAPI ReleaseCapture(void) {
  HWND old;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    old = input().capture;
    input().capture = nullptr;
    displayDriver().setCapture(0);
  }
  if (old != nullptr && IsWindow(old)) sendLocal(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

extern "C" HWND WINAPI GetCapture(void) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return input().capture;
}

extern "C" HWND WINAPI SetFocus(HWND hwnd) {
  if (hwnd != nullptr && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (hwnd != nullptr && !ownedByCurrentThread(hwnd)) {
    return reinterpret_cast<HWND>(
        runOnOwner(hwnd, [hwnd]() -> LRESULT { return reinterpret_cast<LRESULT>(SetFocus(hwnd)); }));
  }
  if (hwnd != nullptr) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top != GetActiveWindow()) activateWindow(top, WA_ACTIVE);
  }
  HWND old;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    old = input().focus;
    if (old == hwnd) return old;
    input().focus = hwnd;
  }
  if (old != nullptr && IsWindow(old)) {
    // Like an activation change, losing the focus reaches another thread without waiting.
    if (ownedByCurrentThread(old)) {
      sendLocal(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    } else {
      postToOwner(old, [old, hwnd] {
        if (IsWindow(old)) sendLocal(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
      });
    }
  }
  if (hwnd != nullptr && IsWindow(hwnd) && GetFocus() == hwnd) {
    sendLocal(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

extern "C" HWND WINAPI GetFocus(void) { return focusWindow(); }

extern "C" HWND WINAPI GetActiveWindow(void) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return input().active;
}

extern "C" HWND WINAPI SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  if (hwnd != nullptr && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (hwnd != nullptr) hwnd = GetAncestor(hwnd, GA_ROOT);
  if (hwnd != nullptr && !ownedByCurrentThread(hwnd)) {
    runOnOwner(hwnd, [hwnd]() -> LRESULT {
      activateWindow(hwnd, WA_ACTIVE);
      return 0;
    });
  } else {
    activateWindow(hwnd, WA_ACTIVE);
  }
  return old;
}

extern "C" HWND WINAPI GetForegroundWindow(void) { return GetActiveWindow(); }

extern "C" BOOL WINAPI SetForegroundWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetActiveWindow(hwnd);
  return TRUE;
}

extern "C" SHORT WINAPI GetAsyncKeyState(int key) { return keyStateOf(key); }

extern "C" SHORT WINAPI GetKeyState(int key) { return keyStateOf(key); }

extern "C" BOOL WINAPI GetCursorPos(LPPOINT point) {
  if (point == nullptr) return FALSE;
  *point = POINT{0, 0};
  return displayDriver().cursorPos(point) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI SetCursorPos(int x, int y) { return displayDriver().setCursorPos(x, y) ? TRUE : FALSE; }

extern "C" HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  HCURSOR old;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    old = input().cursor;
    input().cursor = cursor;
  }
  if (old != cursor) displayDriver().setCursor(input().cursorCount < 0 ? PointerShape::Hidden : shapeOfCursor(cursor));
  return old;
}

extern "C" HCURSOR WINAPI GetCursor(void) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return input().cursor;
}

extern "C" int WINAPI ShowCursor(BOOL show) {
  int count;
  HCURSOR cursor;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    count = input().cursorCount += show ? 1 : -1;
    cursor = input().cursor;
  }
  displayDriver().setCursor(count < 0 ? PointerShape::Hidden : shapeOfCursor(cursor));
  return count;
}

namespace {

HICON stockCursor(WORD id) {
  static const std::pair<WORD, PointerShape> kShapes[] = {
      {32512, PointerShape::Arrow},       {32513, PointerShape::IBeam},   {32514, PointerShape::Wait},
      {32515, PointerShape::Cross},       {32516, PointerShape::UpArrow}, {32642, PointerShape::SizeNWSE},
      {32643, PointerShape::SizeNESW},    {32644, PointerShape::SizeWE},  {32645, PointerShape::SizeNS},
      {32646, PointerShape::SizeAll},     {32648, PointerShape::No},      {32649, PointerShape::Hand},
      {32650, PointerShape::AppStarting}, {32651, PointerShape::Help}};
  for (const auto& entry : kShapes) {
    if (entry.first != id) continue;
    // Stock cursors are made once and shared; their handles never change.
    uintptr_t key = 0x7FFF0000u + id;
    std::lock_guard<std::mutex> guard(iconLock());
    auto& slot = icons()[key];
    if (!slot) {
      slot = std::make_unique<IconData>();
      slot->stock = true;
      slot->shape = entry.second;
      slot->width = slot->height = 32;
    }
    return reinterpret_cast<HICON>(key);
  }
  return nullptr;
}

}  // namespace

extern "C" HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (instance == nullptr && IS_INTRESOURCE(name)) {
    HICON h = stockCursor(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)));
    if (h != nullptr) return h;
  }
  // Cursors from a module's resources are not part of the layer yet.
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

extern "C" HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (instance == nullptr && IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) == 32512) {
    uintptr_t key = 0x7FFE0000u + 32512;
    std::lock_guard<std::mutex> guard(iconLock());
    auto& slot = icons()[key];
    if (!slot) {
      slot = std::make_unique<IconData>();
      slot->stock = true;
      slot->width = slot->height = 32;
      slot->pixels.assign(32 * 32, 0);
    }
    return reinterpret_cast<HICON>(key);
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

extern "C" BOOL WINAPI DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

extern "C" UINT WINAPI GetDoubleClickTime(void) { return 500; }
