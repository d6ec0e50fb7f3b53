// Window geometry: SetWindowPos and ShowWindow with their messages, minimising and maximising,
// the non-client frame, coordinate mapping, visible regions, window shapes and layered windows.
// Top-level frames come from the driver (the window manager's frame under X11, fixed metrics
// headless); edges inside them (WS_EX_CLIENTEDGE, WS_EX_STATICEDGE, WS_BORDER of children) are
// the layer's own. A call on a window of another thread runs on that thread.
// Decision: sibling child windows always clip each other (as if WS_CLIPSIBLINGS were set), so
// paint order never decides which overlapping sibling shows.
#include "winapi/user32/ScrollBar.h"
#include "winapi/user32/Window.h"

#include <algorithm>

namespace winapi {

thread_local const SystemPlace* t_systemPlace = nullptr;

Window* topLevelOf(Window* w) {
  while (w != nullptr && w->parent != nullptr) w = findWindow(w->parent);
  return w;
}

POINT clientOrigin(Window* w) {
  POINT p{w->client.left, w->client.top};
  for (Window* p2 = findWindow(w->parent); p2 != nullptr; p2 = findWindow(p2->parent)) {
    p.x += p2->client.left;
    p.y += p2->client.top;
  }
  return p;
}

POINT windowOrigin(Window* w) {
  POINT p{w->window.left, w->window.top};
  if (w->parent != nullptr) {
    POINT c = clientOrigin(findWindow(w->parent));
    p.x += c.x;
    p.y += c.y;
  }
  return p;
}

POINT offsetInTop(Window* w, bool clientArea) {
  Window* top = topLevelOf(w);
  POINT p = clientArea ? clientOrigin(w) : windowOrigin(w);
  return POINT{p.x - top->window.left, p.y - top->window.top};
}

bool isVisibleChain(Window* w) {
  for (; w != nullptr; w = findWindow(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return true;
}

bool isRedrawOffChain(Window* w) {
  for (; w != nullptr; w = findWindow(w->parent)) {
    if (w->redrawOff) return true;
  }
  return false;
}

namespace {

RECT sizeRect(const RECT& r, POINT at) {
  return RECT{at.x, at.y, at.x + (r.right - r.left), at.y + (r.bottom - r.top)};
}

Region windowArea(Window* w) {
  POINT at = offsetInTop(w, false);
  Region r(sizeRect(w->window, at));
  if (w->hasShape) {
    Region s = w->shape;
    s.offset(at.x, at.y);
    r.intersect(s);
  }
  return r;
}

// Takes the visible children of p in front of `until` (all of them for null) out of r. Children
// that miss r's bounds are passed over with a rectangle test, so a window among many siblings
// costs a comparison per sibling rather than a region operation.
void subtractChildren(Region& r, Window* p, HWND until) {
  if (r.isEmpty()) return;
  POINT at = offsetInTop(p, true);
  RECT bounds = r.bounds();
  for (HWND h : p->children) {
    if (h == until) break;
    Window* c = findWindow(h);
    if (c == nullptr || !(c->style & WS_VISIBLE)) continue;
    RECT area = RECT{at.x + c->window.left, at.y + c->window.top, at.x + c->window.right, at.y + c->window.bottom};
    if (area.left >= bounds.right || area.right <= bounds.left || area.top >= bounds.bottom ||
        area.bottom <= bounds.top) {
      continue;
    }
    r.subtract(windowArea(c));
    if (r.isEmpty()) return;
    bounds = r.bounds();
  }
}

}  // namespace

Region visibleRegion(Window* w, bool clientArea, bool clipChildren) {
  if (w == nullptr || !isVisibleChain(w)) return Region();
  Region r(sizeRect(clientArea ? w->client : w->window, offsetInTop(w, clientArea)));
  if (w->hasShape) {
    POINT at = offsetInTop(w, false);
    Region s = w->shape;
    s.offset(at.x, at.y);
    r.intersect(s);
  }
  for (Window* cur = w; cur->parent != nullptr;) {
    Window* p = findWindow(cur->parent);
    r.intersect(Region(sizeRect(p->client, offsetInTop(p, true))));
    if (p->hasShape) {
      POINT at = offsetInTop(p, false);
      Region s = p->shape;
      s.offset(at.x, at.y);
      r.intersect(s);
    }
    subtractChildren(r, p, cur->handle);
    cur = p;
  }
  Window* top = topLevelOf(w);
  r.intersect(RECT{0, 0, top->window.right - top->window.left, top->window.bottom - top->window.top});
  if (clipChildren) subtractChildren(r, w, nullptr);
  return r;
}

RECT defaultNonClient(Window* w) {
  RECT insets{0, 0, 0, 0};
  if (w->isTopLevel()) {
    if (!(w->style & WS_MINIMIZE)) insets = displayDriver().frameInsets(w->style, w->exStyle);
    if (w->menu != nullptr) insets.top += GetSystemMetrics(SM_CYMENU);
  } else {
    int border = 0;
    if (w->style & WS_THICKFRAME) {
      border = GetSystemMetrics(SM_CXFRAME);
    } else if (w->style & WS_DLGFRAME) {
      border = GetSystemMetrics(SM_CXDLGFRAME);
    } else if (w->style & WS_BORDER) {
      border = GetSystemMetrics(SM_CXBORDER);
    }
    insets = RECT{border, border, border, border};
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
      insets.top += (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    }
  }
  int edge = 0;
  if (w->exStyle & WS_EX_CLIENTEDGE) edge += GetSystemMetrics(SM_CXEDGE);
  if (w->exStyle & WS_EX_STATICEDGE) edge += GetSystemMetrics(SM_CXBORDER);
  insets.left += edge;
  insets.top += edge;
  insets.right += edge;
  insets.bottom += edge;
  insets.right += verticalBarWidth(w);
  return insets;
}

void recalcClient(Window* w, bool send) {
  if (w == nullptr) return;
  HWND hwnd = w->handle;
  NCCALCSIZE_PARAMS params{};
  RECT proposed;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    params.rgrc[0] = w->window;
    params.rgrc[1] = w->window;
    params.rgrc[2] = w->client;
    proposed = w->window;
    w->nonClientByDefault = false;
  }
  if (send) {
    sendLocal(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
  } else {
    sendLocal(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&params.rgrc[0]));
  }
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* again = findWindow(hwnd);
  if (again == nullptr) return;
  RECT c = params.rgrc[0];
  // A client area never reaches outside its window.
  c.left = std::clamp(c.left, proposed.left, proposed.right);
  c.right = std::clamp(c.right, c.left, proposed.right);
  c.top = std::clamp(c.top, proposed.top, proposed.bottom);
  c.bottom = std::clamp(c.bottom, c.top, proposed.bottom);
  again->client = c;
  again->ownFrame = !again->nonClientByDefault && EqualRect(&c, &proposed);
}

WindowHints hintsFor(Window* w) {
  WindowHints h;
  h.decorated = (w->style & WS_CAPTION) != 0 || (w->style & WS_THICKFRAME) != 0;
  h.popup = !h.decorated;
  // A window that frames itself gets no second frame from the window manager, even when it
  // may be sized (WS_THICKFRAME keeps telling that).
  const bool selfFramed = h.decorated && w->ownFrame;
  h.resizable = (w->style & WS_THICKFRAME) != 0;
  h.topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
  h.placed = !w->defaultPlace;
  h.skipTaskbar = (w->exStyle & WS_EX_TOOLWINDOW) != 0 || (w->owner != nullptr && !(w->exStyle & WS_EX_APPWINDOW)) ||
                  (w->style & WS_POPUP && !(w->exStyle & WS_EX_APPWINDOW) && !h.decorated);
  if (selfFramed) h.decorated = false;
  h.alpha = (w->exStyle & WS_EX_LAYERED) && (w->layeredFlags & LWA_ALPHA) ? w->alpha : 255;
  Window* owner = findWindow(w->owner);
  h.transientFor = owner != nullptr ? owner->native : 0;
  // Tracking menus and drop lists are the layer's own popups that the window manager must not
  // frame, move or focus.
  h.menu = (w->style & WS_POPUP) && (w->cls->folded == u"#32768" || w->cls->folded == u"COMBOLBOX");
  if (h.menu) {
    h.decorated = false;
    h.skipTaskbar = true;
    h.topmost = true;
  }
  return h;
}

void updateNativeHints(Window* w) {
  if (w->native != 0) displayDriver().setHints(w->native, hintsFor(w));
}

namespace {

// Where a window of this state stands: maximised to the work area with its frame outside it,
// minimised out of sight, else its normal bounds.
RECT stateRect(Window* w, DWORD state) {
  if (state & WS_MAXIMIZE) {
    RECT work{0, 0, 0, 0};
    HMONITOR m = MonitorFromRect(&w->normal, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
    if (GetMonitorInfoW(m, &mi)) work = mi.rcWork;
    // The sizing border lies outside the work area, so the client area fills it.
    RECT insets = displayDriver().frameInsets(w->style, w->exStyle);
    int border = insets.left;
    return RECT{work.left - border, work.top - border, work.right + border, work.bottom + border};
  }
  if (state & WS_MINIMIZE) {
    return RECT{kMinimizedPosition, kMinimizedPosition, kMinimizedPosition + 160, kMinimizedPosition + 28};
  }
  return w->normal;
}

// A framed top-level window about to be shown where less than half of it lies in any monitor's
// work area (a place stored on a monitor that is gone, or an absurd size) comes back inside the
// work area of the monitor nearest to it, no larger than that work area. Windows leaves this to
// the shell; here nothing else would, and the window would open out of the user's reach.
void bringIntoWorkArea(HWND hwnd) {
  RECT r;
  bool normalState;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr || !w->isTopLevel() || (w->style & WS_CAPTION) != WS_CAPTION) return;
    normalState = !(w->style & (WS_MINIMIZE | WS_MAXIMIZE));
    r = normalState ? w->window : w->normal;
  }
  const long long width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  long long inside = 0;
  for (const Monitor& m : displayDriver().monitors()) {
    RECT part;
    if (IntersectRect(&part, &r, &m.workArea))
      inside += static_cast<long long>(part.right - part.left) * (part.bottom - part.top);
  }
  if (2 * inside >= width * height) return;
  MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
  if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi)) return;
  const RECT& work = mi.rcWork;
  const LONG cx = std::min<LONG>(r.right - r.left, work.right - work.left);
  const LONG cy = std::min<LONG>(r.bottom - r.top, work.bottom - work.top);
  const LONG x = std::clamp<LONG>(r.left, work.left, work.right - cx);
  const LONG y = std::clamp<LONG>(r.top, work.top, work.bottom - cy);
  if (normalState) {
    setWindowPosition(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w != nullptr) w->normal = RECT{x, y, x + cx, y + cy};
  }
}

void activateNext(HWND leaving) {
  if (GetActiveWindow() != leaving) return;
  HWND next = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(leaving);
    Window* owner = w != nullptr ? findWindow(w->owner) : nullptr;
    if (owner != nullptr && (owner->style & WS_VISIBLE) && !(owner->style & WS_DISABLED)) {
      next = owner->handle;
    } else {
      for (HWND h : topLevelWindows()) {
        Window* o = findWindow(h);
        if (h != leaving && o != nullptr && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED) &&
            o->threadId == currentThreadId()) {
          next = h;
          break;
        }
      }
    }
  }
  activateWindow(next, WA_ACTIVE);
}

}  // namespace

void keepGeometryInReason(bool topLevel, bool maximized, int& x, int& y, int& cx, int& cy) {
  constexpr int kFar = 1 << 30;
  x = std::clamp(x, -kFar, kFar);
  y = std::clamp(y, -kFar, kFar);
  if (!topLevel) {
    cx = std::clamp(cx, 0, kFar);
    cy = std::clamp(cy, 0, kFar);
    return;
  }
  // A top-level window's rectangle is its whole frame, and under a window manager the frame is
  // the manager's: the maximum tracking size (the screen and a sizing border on either side, as
  // Windows gives it) would leave the frame larger than the screen, its edges and buttons out of
  // reach. Only a maximised window reaches past the screen, by the border that lies outside the
  // work area on purpose.
  cx = std::clamp(cx, 0, GetSystemMetrics(maximized ? SM_CXMAXTRACK : SM_CXVIRTUALSCREEN));
  cy = std::clamp(cy, 0, GetSystemMetrics(maximized ? SM_CYMAXTRACK : SM_CYVIRTUALSCREEN));
}

BOOL setWindowPosition(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  bool wasVisible, topLevel;
  Region oldArea;
  HWND parent;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    wasVisible = (w->style & WS_VISIBLE) != 0;
    topLevel = w->isTopLevel();
    parent = w->parent;
    if (flags & SWP_NOMOVE) {
      wp.x = w->window.left;
      wp.y = w->window.top;
    }
    if (flags & SWP_NOSIZE) {
      wp.cx = w->window.right - w->window.left;
      wp.cy = w->window.bottom - w->window.top;
    }
    if (wp.cx < 0) wp.cx = 0;
    if (wp.cy < 0) wp.cy = 0;
    if (wp.x == w->window.left && wp.y == w->window.top) wp.flags |= SWP_NOMOVE;
    if (wp.cx == w->window.right - w->window.left && wp.cy == w->window.bottom - w->window.top) wp.flags |= SWP_NOSIZE;
    if (wasVisible) wp.flags &= ~SWP_SHOWWINDOW;
    if (!wasVisible) wp.flags &= ~SWP_HIDEWINDOW;
    if (!topLevel) wp.flags |= SWP_NOACTIVATE;
    if (isVisibleChain(w) && !topLevel) {
      oldArea = windowArea(w);
    }
  }
  if (!(wp.flags & SWP_NOSENDCHANGING)) sendLocal(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  bool sizeChanged = false, moved = false, systemPlace = false, systemRefused = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return FALSE;
    // After WM_WINDOWPOSCHANGING, which may have asked for any size.
    keepGeometryInReason(topLevel, (w->style & WS_MAXIMIZE) != 0, wp.x, wp.y, wp.cx, wp.cy);
    RECT now{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    sizeChanged = now.right - now.left != w->window.right - w->window.left ||
                  now.bottom - now.top != w->window.bottom - w->window.top;
    moved = now.left != w->window.left || now.top != w->window.top;
    systemPlace = t_systemPlace != nullptr && t_systemPlace->hwnd == hwnd && EqualRect(&t_systemPlace->rect, &now);
    // A place or size the system reported that the window does not take (beyond the screen, or
    // changed by the program as it was proposed) is still on the screen: the system is told the
    // window's own, even where that is the one the window had before.
    systemRefused = t_systemPlace != nullptr && t_systemPlace->hwnd == hwnd && !systemPlace;
    if (moved && !systemPlace && !(w->style & WS_MINIMIZE)) w->defaultPlace = false;
    if (!sizeChanged) wp.flags |= SWP_NOSIZE;
    if (!moved) wp.flags |= SWP_NOMOVE;
    int dx = now.left - w->window.left, dy = now.top - w->window.top;
    w->window = now;
    OffsetRect(&w->client, dx, dy);
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normal = now;
    if (!(wp.flags & SWP_NOZORDER)) {
      if (wp.hwndInsertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
      if (wp.hwndInsertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
      if (topLevel) {
        setTopLevelOrder(hwnd, wp.hwndInsertAfter);
      } else {
        auto& list = findWindow(parent)->children;
        list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
        if (wp.hwndInsertAfter == HWND_BOTTOM) {
          list.push_back(hwnd);
        } else if (wp.hwndInsertAfter == HWND_TOP || wp.hwndInsertAfter == HWND_TOPMOST ||
                   wp.hwndInsertAfter == HWND_NOTOPMOST) {
          list.insert(list.begin(), hwnd);
        } else {
          auto it = std::find(list.begin(), list.end(), wp.hwndInsertAfter);
          list.insert(it == list.end() ? list.end() : it + 1, hwnd);
        }
      }
    }
    if (wp.flags & SWP_SHOWWINDOW) {
      w->style |= WS_VISIBLE;
      notePaintChange();
    }
    if (wp.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  }
  if (sizeChanged || moved || (wp.flags & SWP_FRAMECHANGED)) recalcClient(findWindow(hwnd), true);
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return FALSE;
    bool visibleNow = (w->style & WS_VISIBLE) != 0;
    if (topLevel) {
      if (sizeChanged || (wp.flags & SWP_FRAMECHANGED)) resizeSurface(w);
      if (w->native != 0) {
        if ((((sizeChanged || moved) && !systemPlace) || systemRefused) && !(w->style & WS_MINIMIZE)) {
          displayDriver().setBounds(w->native, w->window);
        }
        if (!(wp.flags & SWP_NOZORDER) || (wp.flags & SWP_FRAMECHANGED)) updateNativeHints(w);
        if (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
          displayDriver().setVisible(w->native, visibleNow, !(wp.flags & SWP_NOACTIVATE));
        }
      }
    }
    if (!(wp.flags & SWP_NOREDRAW)) {
      // The parent repaints what the window uncovered; the window repaints itself whole
      // when it appears, changes size or frame.
      if (!oldArea.isEmpty() && (moved || sizeChanged || !visibleNow)) {
        Window* p = findWindow(parent);
        if (p != nullptr) {
          Region uncovered = oldArea;
          if (visibleNow) uncovered.subtract(windowArea(w));
          POINT pAt = offsetInTop(p, false);
          uncovered.offset(-pAt.x, -pAt.y);
          invalidateWindow(p, &uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
      }
      if (visibleNow && ((wp.flags & SWP_SHOWWINDOW) || sizeChanged || moved || (wp.flags & SWP_FRAMECHANGED))) {
        invalidateWindow(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      }
    }
  }
  UINT changes =
      wp.flags & (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED);
  if (changes != (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER)) {
    sendLocal(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  }
  if (wp.flags & SWP_HIDEWINDOW) {
    HWND focus = GetFocus();
    if (focus == hwnd || IsChild(hwnd, focus)) SetFocus(nullptr);
    if (topLevel) activateNext(hwnd);
  }
  if (topLevel && !(wp.flags & SWP_NOACTIVATE) && IsWindowVisible(hwnd) && GetActiveWindow() != hwnd) {
    activateWindow(hwnd, WA_ACTIVE);
  }
  if (topLevel && (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) publishWindows();
  return TRUE;
}

void takeSystemState(HWND hwnd, bool maximized) {
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    const DWORD state = w->style & WS_MAXIMIZE, newState = maximized ? WS_MAXIMIZE : 0;
    if (state == newState) return;
    const bool minimized = (w->style & WS_MINIMIZE) != 0;
    if (!state && !minimized) w->normal = w->window;
    w->style = (w->style & ~WS_MAXIMIZE) | newState;
    // A minimised window only learns the state it comes back in.
    if (minimized) return;
  }
  // A window manager places a window it maximises or restores itself, and that place comes as a
  // report of its own. Asking for the layer's rectangle here instead would be a request that
  // fights the manager's: xfwm4 takes any new size asked for a maximised window as the end of
  // its maximised state, and maximises again a restored one that fills the screen, for ever.
  setWindowPosition(hwnd, nullptr, 0, 0, 0, 0,
                    SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  if (!ownedByCurrentThread(hwnd)) {
    if (!IsWindow(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    return static_cast<BOOL>(runOnOwner(
        hwnd, [=]() -> LRESULT { return setWindowPosition(hwnd, insertAfter, x, y, width, height, flags); }));
  }
  return setWindowPosition(hwnd, insertAfter, x, y, width, height, flags);
}

extern "C" BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

extern "C" BOOL WINAPI ShowWindow(HWND hwnd, int command) {
  if (!ownedByCurrentThread(hwnd)) {
    if (!IsWindow(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    return static_cast<BOOL>(runOnOwner(hwnd, [=]() -> LRESULT { return ShowWindow(hwnd, command); }));
  }
  bool wasVisible, child;
  DWORD state;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    wasVisible = (w->style & WS_VISIBLE) != 0;
    child = !w->isTopLevel();
    state = w->style & (WS_MINIMIZE | WS_MAXIMIZE);
  }
  if (command == SW_HIDE) {
    if (!wasVisible) return FALSE;
    sendLocal(hwnd, WM_SHOWWINDOW, FALSE, 0);
    setWindowPosition(hwnd, nullptr, 0, 0, 0, 0,
                      SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
  }
  DWORD newState = state;
  bool activate = true;
  switch (command) {
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT: newState = 0; break;
    case SW_RESTORE: newState = (state & WS_MINIMIZE) && (state & WS_MAXIMIZE) ? WS_MAXIMIZE : 0; break;
    case SW_SHOWMINIMIZED: newState = WS_MINIMIZE | (state & WS_MAXIMIZE); break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      newState = WS_MINIMIZE | (state & WS_MAXIMIZE);
      activate = false;
      break;
    case SW_SHOWMAXIMIZED: newState = WS_MAXIMIZE; break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA: activate = false; break;
    case SW_SHOW: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
  if (child) activate = false;
  if (!wasVisible) sendLocal(hwnd, WM_SHOWWINDOW, TRUE, 0);
  if (!IsWindow(hwnd)) return FALSE;
  if (!wasVisible && !child) bringIntoWorkArea(hwnd);
  UINT flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
  if (!activate) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  RECT target{};
  bool kept = false;
  if (newState != state) {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    // The stored normal bounds survive minimising and maximising.
    if (!(state & (WS_MINIMIZE | WS_MAXIMIZE))) w->normal = w->window;
    if ((newState & WS_MINIMIZE) && !(state & WS_MINIMIZE)) w->nativeKept = w->window;
    w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | newState;
    target = stateRect(w, newState & WS_MINIMIZE ? WS_MINIMIZE : newState);
    if ((state & WS_MINIMIZE) && !(newState & WS_MINIMIZE)) {
      // A window back from the taskbar maximised, as it was minimised, is where it was
      // maximised to (by the window manager, perhaps): its native window never left that place.
      if ((state & WS_MAXIMIZE) && (newState & WS_MAXIMIZE) && !IsRectEmpty(&w->nativeKept)) target = w->nativeKept;
      // Where the native window already stands, nothing is asked of the driver. A manager may
      // have placed the window otherwise meanwhile (xfwm4 maximises a window that fills the
      // screen as it maps it), and the same place asked again would undo its choice.
      kept = EqualRect(&target, &w->nativeKept) != FALSE;
    }
    flags &= ~(SWP_NOSIZE | SWP_NOMOVE);
    flags |= SWP_FRAMECHANGED;
    if (w->native != 0) {
      displayDriver().setMinimized(w->native, (newState & WS_MINIMIZE) != 0);
      // A window minimised while maximised (or not) stays so on the screen: only a change is asked
      // for, as asking a manager to restore a window it has just maximised would undo its choice.
      if (!(newState & WS_MINIMIZE) && (newState & WS_MAXIMIZE) != (state & WS_MAXIMIZE)) {
        displayDriver().setMaximized(w->native, (newState & WS_MAXIMIZE) != 0);
      }
    }
  }
  const SystemPlace keptPlace{hwnd, target};
  const SystemPlace* outer = t_systemPlace;
  if (kept) t_systemPlace = &keptPlace;
  setWindowPosition(hwnd, HWND_TOP, target.left, target.top, target.right - target.left, target.bottom - target.top,
                    flags);
  t_systemPlace = outer;
  return wasVisible ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsIconic(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsZoomed(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {

// The window behind hwnd, or the screen's rectangle for the desktop window (w stays null).
bool windowOrDesktop(HWND hwnd, LPRECT rect, Window** w) {
  if (rect == nullptr) return false;
  if (hwnd == GetDesktopWindow()) {
    *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return true;
  }
  *w = windowOrError(hwnd);
  return *w != nullptr;
}

}  // namespace

extern "C" BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = nullptr;
  if (!windowOrDesktop(hwnd, rect, &w)) return FALSE;
  if (w == nullptr) return TRUE;
  *rect = sizeRect(w->window, windowOrigin(w));
  return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = nullptr;
  if (!windowOrDesktop(hwnd, rect, &w)) return FALSE;
  if (w == nullptr) return TRUE;
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

extern "C" BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  POINT o = clientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

extern "C" BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  POINT o = clientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

extern "C" int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  POINT a{0, 0}, b{0, 0};
  if (from != nullptr && from != GetDesktopWindow()) {
    Window* w = windowOrError(from);
    if (w == nullptr) return 0;
    a = clientOrigin(w);
  }
  if (to != nullptr && to != GetDesktopWindow()) {
    Window* w = windowOrError(to);
    if (w == nullptr) return 0;
    b = clientOrigin(w);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
}

namespace winapi {
namespace {

// The deepest visible child of w (screen point inside its window and shape), or w itself.
Window* deepestAt(Window* w, POINT screen, bool skipDisabled) {
  for (HWND h : w->children) {
    Window* c = findWindow(h);
    if (c == nullptr || !(c->style & WS_VISIBLE)) continue;
    if (skipDisabled && (c->style & WS_DISABLED)) continue;
    POINT o = windowOrigin(c);
    RECT r = sizeRect(c->window, o);
    if (!PtInRect(&r, screen)) continue;
    if (c->hasShape && !c->shape.contains(screen.x - o.x, screen.y - o.y)) continue;
    return deepestAt(c, screen, skipDisabled);
  }
  return w;
}

}  // namespace
}  // namespace winapi

namespace winapi {

Window* windowAtPoint(POINT screen) {
  for (HWND h : topLevelWindows()) {
    Window* w = findWindow(h);
    if (w == nullptr || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) continue;
    POINT o = windowOrigin(w);
    if (!PtInRect(&w->window, screen)) continue;
    if (w->hasShape && !w->shape.contains(screen.x - o.x, screen.y - o.y)) continue;
    return w;
  }
  return nullptr;
}

Window* deepestChildAt(Window* w, POINT screen) { return deepestAt(w, screen, true); }

}  // namespace winapi

extern "C" HWND WINAPI WindowFromPoint(POINT point) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* top = windowAtPoint(point);
  if (top == nullptr) return nullptr;
  return deepestAt(top, point, true)->handle;
}

extern "C" HWND WINAPI ChildWindowFromPoint(HWND parent, POINT point) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(parent);
  if (w == nullptr) return nullptr;
  RECT client{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  if (!PtInRect(&client, point)) return nullptr;
  POINT o = clientOrigin(w);
  POINT screen{point.x + o.x, point.y + o.y};
  for (HWND h : w->children) {
    Window* c = findWindow(h);
    if (c == nullptr) continue;
    RECT r = sizeRect(c->window, windowOrigin(c));
    if (PtInRect(&r, screen)) return h;
  }
  return parent;
}

extern "C" BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (rect == nullptr) return FALSE;
  Window probe;
  // Windows leaves scroll bars out of the adjustment.
  probe.style = style & ~WS_VSCROLL;
  probe.exStyle = exStyle;
  if ((style & (WS_CHILD | WS_POPUP)) == 0) probe.style |= WS_CAPTION;
  probe.parent = (style & WS_CHILD) ? reinterpret_cast<HWND>(1) : nullptr;
  probe.menu = menu ? reinterpret_cast<HMENU>(1) : nullptr;
  RECT insets = defaultNonClient(&probe);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}

extern "C" int WINAPI SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  if (!ownedByCurrentThread(hwnd)) {
    if (!IsWindow(hwnd)) return 0;
    return static_cast<int>(runOnOwner(hwnd, [=]() -> LRESULT { return SetWindowRgn(hwnd, region, redraw); }));
  }
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return 0;
    auto r = region != nullptr ? findObjectAs<RegionObject>(region, OBJ_REGION) : nullptr;
    if (region != nullptr && !r) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    // What the old shape covered goes back to the parent first.
    Window* parent = findWindow(w->parent);
    if (parent != nullptr && isVisibleChain(w)) {
      Region old = Region(RECT{0, 0, w->window.right - w->window.left, w->window.bottom - w->window.top});
      if (w->hasShape) old.intersect(w->shape);
      RECT client = parent->client;
      old.offset(w->window.left + client.left - parent->window.left, w->window.top + client.top - parent->window.top);
      invalidateWindow(parent, &old, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    w->hasShape = r != nullptr;
    w->shape = r ? r->region : Region();
    if (w->native != 0) displayDriver().setShape(w->native, w->hasShape ? &w->shape : nullptr);
  }
  // The system owns the region from now on.
  if (region != nullptr) DeleteObject(region);
  setWindowPosition(
      hwnd, nullptr, 0, 0, 0, 0,
      SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | (redraw ? 0 : SWP_NOREDRAW));
  return 1;
}

extern "C" int WINAPI GetWindowRgn(HWND hwnd, HRGN region) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  auto r = findObjectAs<RegionObject>(region, OBJ_REGION);
  if (w == nullptr || !r || !w->hasShape) return ERROR;
  r->region = w->shape;
  return r->region.kind();
}

extern "C" BOOL WINAPI SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return FALSE;
  if (!(w->exStyle & WS_EX_LAYERED) || !w->isTopLevel()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  w->colorKey = key;
  w->alpha = alpha;
  w->layeredFlags = flags;
  updateNativeHints(w);
  return TRUE;
}

extern "C" BOOL WINAPI GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr || !(w->exStyle & WS_EX_LAYERED)) return FALSE;
  if (key != nullptr) *key = w->colorKey;
  if (alpha != nullptr) *alpha = w->alpha;
  if (flags != nullptr) *flags = w->layeredFlags;
  return TRUE;
}
