// The non-client vertical scroll bar of WS_VSCROLL windows: SetScrollInfo and its companions, the
// bar's painting in the classic look, its hit test, and the tracking of a press (arrows and the
// track repeat while held, the thumb is dragged) that turns into WM_VSCROLL for the window.
// Left out on purpose: horizontal bars and scroll-bar controls (SB_HORZ and SB_CTL fail with
// ERROR_NOT_SUPPORTED; nothing calls them), EnableScrollBar and the disabled-arrow states.
#include "winapi/user32/ScrollBar.h"

#include "winapi/user32/Window.h"

#include <algorithm>
#include <unordered_map>

namespace winapi {
namespace {

enum class Part { None, UpArrow, PageUp, Thumb, PageDown, DownArrow };

struct BarState {
  // Windows gives a WS_VSCROLL window the range 0 to 100 until it is told otherwise.
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  // Tracking of a press.
  Part part = Part::None;
  bool over = false;  // the pointer is over the pressed part (arrows and track repeat only then)
  int thumbGrab = 0;  // pointer offset into the thumb when it was pressed
  int thumbTop = 0;   // the dragged thumb's top, track coordinates
  POINT last{};       // the last pointer position, window coordinates
};

std::unordered_map<uintptr_t, BarState>& bars() {
  static auto* map = new std::unordered_map<uintptr_t, BarState>;
  return *map;
}

BarState& barOf(HWND hwnd) { return bars()[reinterpret_cast<uintptr_t>(hwnd)]; }

constexpr UINT_PTR kRepeatTimer = 0xFFF0;
// Windows waits 200 ms before a held arrow or track repeats, then repeats every 50 ms.
constexpr UINT kFirstDelay = 200;
constexpr UINT kRepeatDelay = 50;
// The thumb never shrinks below 8 pixels, so it stays a target for the pointer.
constexpr int kMinThumb = 8;

/// The pieces of the bar in window coordinates.
struct Layout {
  RECT bar{};
  RECT up{}, down{};
  int trackTop = 0, trackBottom = 0;  // between the arrows
  int thumbTop = 0, thumbSize = 0;    // thumbSize 0: no thumb (nothing to scroll or no room)
};

int maxPosOf(const BarState& s) { return s.max - std::max<int>(static_cast<int>(s.page) - 1, 0); }

bool canScroll(const BarState& s) { return s.min < maxPosOf(s); }

Layout layoutOf(const Window* w, const BarState& s, int pos) {
  Layout l;
  int right = w->client.right - w->window.left;
  l.bar = RECT{right, w->client.top - w->window.top, right + GetSystemMetrics(SM_CXVSCROLL),
               w->client.bottom - w->window.top};
  int height = l.bar.bottom - l.bar.top;
  int arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), height / 2);
  l.up = RECT{l.bar.left, l.bar.top, l.bar.right, l.bar.top + arrow};
  l.down = RECT{l.bar.left, l.bar.bottom - arrow, l.bar.right, l.bar.bottom};
  l.trackTop = l.up.bottom;
  l.trackBottom = l.down.top;
  int track = l.trackBottom - l.trackTop;
  if (!canScroll(s) || track <= 0) return l;
  int range = s.max - s.min + 1;
  int size =
      s.page == 0 ? GetSystemMetrics(SM_CYVTHUMB) : static_cast<int>(static_cast<long long>(track) * s.page / range);
  size = std::max(size, kMinThumb);
  if (size > track) return l;
  l.thumbSize = size;
  int span = maxPosOf(s) - s.min;
  l.thumbTop = l.trackTop + static_cast<int>(static_cast<long long>(track - size) * (pos - s.min) / span);
  return l;
}

Part partAt(const Layout& l, POINT p) {
  if (!PtInRect(&l.bar, p)) return Part::None;
  if (p.y < l.up.bottom) return Part::UpArrow;
  if (p.y >= l.down.top) return Part::DownArrow;
  if (l.thumbSize == 0) return Part::None;
  if (p.y < l.thumbTop) return Part::PageUp;
  if (p.y >= l.thumbTop + l.thumbSize) return Part::PageDown;
  return Part::Thumb;
}

void redrawBar(HWND hwnd) { RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE); }

// Shows or hides the bar by its style bit and recomputes the client area when that changed.
void setBarShown(HWND hwnd, bool show) {
  bool changed = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    bool shown = (w->style & WS_VSCROLL) != 0;
    if (shown != show) {
      w->style = show ? (w->style | WS_VSCROLL) : (w->style & ~WS_VSCROLL);
      changed = true;
    }
  }
  if (changed) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void sendScroll(HWND hwnd, int code, int pos) {
  sendLocal(hwnd, WM_VSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), 0);
}

// One step of the pressed part while the pointer is over it; answers whether it may repeat.
bool stepPressed(HWND hwnd) {
  Part part;
  bool over;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return false;
    BarState& s = barOf(hwnd);
    part = s.part;
    over = s.over;
    Layout l = layoutOf(w, s, s.pos);
    if (part == Part::PageUp || part == Part::PageDown) {
      // The track repeats only until the thumb reaches the pointer, as Windows does.
      Part now = partAt(l, s.last);
      over = now == part;
    }
  }
  if (!over) return part != Part::None && part != Part::Thumb;
  switch (part) {
    case Part::UpArrow: sendScroll(hwnd, SB_LINEUP, 0); break;
    case Part::DownArrow: sendScroll(hwnd, SB_LINEDOWN, 0); break;
    case Part::PageUp: sendScroll(hwnd, SB_PAGEUP, 0); break;
    case Part::PageDown: sendScroll(hwnd, SB_PAGEDOWN, 0); break;
    default: return false;
  }
  return true;
}

void CALLBACK repeatTimer(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  if (!isScrollTracking(hwnd)) {
    KillTimer(hwnd, id);
    return;
  }
  stepPressed(hwnd);
  SetTimer(hwnd, kRepeatTimer, kRepeatDelay, repeatTimer);
}

void endTracking(HWND hwnd, bool released) {
  Part part;
  int trackPos;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    BarState& s = barOf(hwnd);
    part = s.part;
    trackPos = s.trackPos;
    s.part = Part::None;
    s.over = false;
  }
  if (part == Part::None) return;
  KillTimer(hwnd, kRepeatTimer);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (part == Part::Thumb && released) sendScroll(hwnd, SB_THUMBPOSITION, trackPos);
  sendScroll(hwnd, SB_ENDSCROLL, 0);
  redrawBar(hwnd);
}

void fillTriangle(HDC dc, int cx, int cy, bool up, COLORREF colour) {
  // Rows of 7, 5, 3 and 1 pixels: a 7 x 4 triangle centred on (cx, cy).
  HBRUSH brush = CreateSolidBrush(colour);
  for (int row = 0; row < 4; ++row) {
    int half = up ? row : 3 - row;
    RECT r{cx - half, cy - 2 + row, cx + half + 1, cy - 1 + row};
    FillRect(dc, &r, brush);
  }
  DeleteObject(brush);
}

}  // namespace

void paintArrowButton(HDC dc, const RECT& r, bool up, bool pressed, bool disabled) {
  RECT face = r;
  int shift = 0;
  if (pressed) {
    FrameRect(dc, &face, GetSysColorBrush(COLOR_3DSHADOW));
    InflateRect(&face, -1, -1);
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    shift = 1;
  } else {
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  int cx = (r.left + r.right - 1) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
  if (disabled) {
    fillTriangle(dc, cx + 1, cy + 1, up, GetSysColor(COLOR_3DHILIGHT));
    fillTriangle(dc, cx, cy, up, GetSysColor(COLOR_GRAYTEXT));
  } else {
    fillTriangle(dc, cx, cy, up, GetSysColor(COLOR_BTNTEXT));
  }
}

int verticalBarWidth(const Window* w) { return (w->style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0; }

bool pointOnVerticalBar(const Window* w, POINT p) {
  if (!(w->style & WS_VSCROLL)) return false;
  auto it = bars().find(reinterpret_cast<uintptr_t>(w->handle));
  BarState s = it == bars().end() ? BarState{} : it->second;
  Layout l = layoutOf(w, s, s.pos);
  return PtInRect(&l.bar, p) != FALSE;
}

void paintScrollBars(HWND hwnd, HDC dc) {
  Layout l;
  Part pressed = Part::None;
  bool disabled;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr || !(w->style & WS_VSCROLL)) return;
    BarState& s = barOf(hwnd);
    l = layoutOf(w, s, s.part == Part::Thumb ? s.trackPos : s.pos);
    if (s.part == Part::Thumb) l.thumbTop = s.thumbTop;
    if (s.over) pressed = s.part;
    disabled = !canScroll(s) || (w->style & WS_DISABLED);
  }
  if (l.bar.bottom <= l.bar.top) return;
  paintArrowButton(dc, l.up, true, pressed == Part::UpArrow, disabled);
  paintArrowButton(dc, l.down, false, pressed == Part::DownArrow, disabled);
  if (l.trackBottom <= l.trackTop) return;
  // The track is a checkerboard of the light and face colours, anchored at the window's corner.
  RECT track{l.bar.left, l.trackTop, l.bar.right, l.trackBottom};
  FillRect(dc, &track, GetSysColorBrush(COLOR_BTNFACE));
  COLORREF light = GetSysColor(COLOR_3DHILIGHT);
  for (int y = track.top; y < track.bottom; ++y) {
    for (int x = track.left + ((track.left + y) & 1); x < track.right; x += 2) SetPixel(dc, x, y, light);
  }
  // A pressed page area shows dark, as Windows' classic bar does.
  if (pressed == Part::PageUp || pressed == Part::PageDown) {
    RECT dark = pressed == Part::PageUp ? RECT{track.left, track.top, track.right, l.thumbTop}
                                        : RECT{track.left, l.thumbTop + l.thumbSize, track.right, track.bottom};
    FillRect(dc, &dark, GetSysColorBrush(COLOR_3DDKSHADOW));
  }
  if (l.thumbSize > 0) {
    RECT thumb{l.bar.left, l.thumbTop, l.bar.right, l.thumbTop + l.thumbSize};
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

void beginScrollTracking(HWND hwnd, POINT screen) {
  Part part;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr || !(w->style & WS_VSCROLL)) return;
    POINT o = windowOrigin(w);
    POINT p{screen.x - o.x, screen.y - o.y};
    BarState& s = barOf(hwnd);
    Layout l = layoutOf(w, s, s.pos);
    part = partAt(l, p);
    if (part == Part::None) return;
    if ((part == Part::UpArrow || part == Part::DownArrow) && !canScroll(s)) return;
    s.part = part;
    s.over = true;
    s.last = p;
    s.trackPos = s.pos;
    s.thumbTop = l.thumbTop;
    s.thumbGrab = p.y - l.thumbTop;
  }
  SetCapture(hwnd);
  if (part == Part::Thumb) {
    redrawBar(hwnd);
    return;
  }
  stepPressed(hwnd);
  redrawBar(hwnd);
  SetTimer(hwnd, kRepeatTimer, kFirstDelay, repeatTimer);
}

bool isScrollTracking(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  auto it = bars().find(reinterpret_cast<uintptr_t>(hwnd));
  return it != bars().end() && it->second.part != Part::None;
}

bool scrollTrackingMessage(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  if (!isScrollTracking(hwnd)) return false;
  if (message == WM_CAPTURECHANGED) {
    endTracking(hwnd, false);
    return true;
  }
  if (message != WM_MOUSEMOVE && message != WM_LBUTTONUP) return false;
  POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  bool thumbMoved = false;
  int trackPos = 0;
  bool redraw = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return true;
    BarState& s = barOf(hwnd);
    POINT p{client.x + w->client.left - w->window.left, client.y + w->client.top - w->window.top};
    s.last = p;
    Layout l = layoutOf(w, s, s.pos);
    if (s.part == Part::Thumb) {
      int track = l.trackBottom - l.trackTop - l.thumbSize;
      int top = std::clamp<int>(p.y - s.thumbGrab, l.trackTop, l.trackTop + std::max(track, 0));
      int span = maxPosOf(s) - s.min;
      int pos = track > 0
                    ? s.min + static_cast<int>((static_cast<long long>(top - l.trackTop) * span + track / 2) / track)
                    : s.min;
      redraw = top != s.thumbTop;
      s.thumbTop = top;
      if (pos != s.trackPos) {
        s.trackPos = pos;
        thumbMoved = true;
        trackPos = pos;
      }
    } else {
      bool over = partAt(l, p) == s.part;
      redraw = over != s.over;
      s.over = over;
    }
  }
  if (thumbMoved && message == WM_MOUSEMOVE) sendScroll(hwnd, SB_THUMBTRACK, trackPos);
  if (redraw) redrawBar(hwnd);
  if (message == WM_LBUTTONUP) endTracking(hwnd, true);
  return true;
}

void forgetScrollBars(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  bars().erase(reinterpret_cast<uintptr_t>(hwnd));
}

}  // namespace winapi

using namespace winapi;

namespace {

// The only bar the layer keeps is the window's vertical one.
bool verticalOnly(HWND hwnd, int bar) {
  if (bar != SB_VERT) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return windowOrError(hwnd) != nullptr;
}

}  // namespace

extern "C" int WINAPI SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (info == nullptr || (info->cbSize != sizeof(SCROLLINFO) && info->cbSize != sizeof(SCROLLINFO) - sizeof(int))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!verticalOnly(hwnd, bar)) return 0;
  bool show;
  int pos;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    BarState& s = barOf(hwnd);
    if (info->fMask & SIF_RANGE) {
      s.min = info->nMin;
      s.max = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE) s.page = std::min<UINT>(info->nPage, static_cast<UINT>(s.max - s.min + 1));
    if (info->fMask & SIF_POS) s.pos = info->nPos;
    s.pos = std::clamp(s.pos, s.min, std::max(s.min, maxPosOf(s)));
    pos = s.pos;
    show = canScroll(s) || (info->fMask & SIF_DISABLENOSCROLL);
  }
  // Only a change of range or page shows or hides the bar; a position alone never does.
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) setBarShown(hwnd, show);
  if (redraw) redrawBar(hwnd);
  return pos;
}

extern "C" BOOL WINAPI GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (info == nullptr || (info->cbSize != sizeof(SCROLLINFO) && info->cbSize != sizeof(SCROLLINFO) - sizeof(int))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!verticalOnly(hwnd, bar)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  const BarState& s = barOf(hwnd);
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.min;
    info->nMax = s.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.page;
  if (info->fMask & SIF_POS) info->nPos = s.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.part == Part::Thumb ? s.trackPos : s.pos;
  return TRUE;
}

extern "C" int WINAPI SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (!verticalOnly(hwnd, bar)) return 0;
  int previous;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    previous = barOf(hwnd).pos;
  }
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(hwnd, bar, &info, redraw);
  return previous;
}

extern "C" int WINAPI GetScrollPos(HWND hwnd, int bar) {
  if (!verticalOnly(hwnd, bar)) return 0;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return barOf(hwnd).pos;
}

extern "C" BOOL WINAPI SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!verticalOnly(hwnd, bar)) return FALSE;
  SCROLLINFO info{sizeof info, SIF_RANGE, minPos, maxPos, 0, 0, 0};
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

extern "C" BOOL WINAPI GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  if (minPos == nullptr || maxPos == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!verticalOnly(hwnd, bar)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  const BarState& s = barOf(hwnd);
  *minPos = s.min;
  *maxPos = s.max;
  return TRUE;
}

extern "C" BOOL WINAPI ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (bar == SB_BOTH) bar = SB_VERT;  // there is no horizontal bar to show
  if (!verticalOnly(hwnd, bar)) return FALSE;
  setBarShown(hwnd, show != FALSE);
  return TRUE;
}
