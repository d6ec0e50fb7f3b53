// The "msctls_trackbar32" control in the classic look: a sunken channel, a raised thumb pointing
// to its ticks, ticks every frequency step, moved by keys, the mouse and the wheel. Every move the
// user makes is told to the parent with WM_HSCROLL (WM_VSCROLL when vertical) and closed with
// TB_ENDTRACK; changes the program makes tell nothing.
// The geometry, read from the style at every use (so style changes show at the next paint):
// along the channel the thumb is 11 pixels, across it 21 (or the set length with
// TBS_FIXEDLENGTH); the channel is 4 pixels thick, 8 pixels in from both ends, centred on the
// thumb; ticks are 3 pixels long, 2 off the thumb.
// Left out on purpose: selection ranges, custom ticks, buddies, tool tips and TBS_REVERSED.
#include <commctrl.h>

#include "winapi/user32/Controls.h"

#include <algorithm>
#include <cstdint>

namespace winapi {
namespace {

constexpr int kThumbAlong = 11;
constexpr int kThumbAcross = 21;
constexpr int kChannelInset = 8;
constexpr int kChannelThickness = 4;
constexpr int kTickLength = 3;
constexpr int kTickGap = 2;
constexpr int kMargin = 2;
// The point of a pointed thumb: rows narrowing by one pixel a side down to one pixel.
constexpr int kPointRows = kThumbAlong / 2 + 1;
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeat = 500;
constexpr UINT kNextRepeat = 100;

enum class Press { None, Thumb, Channel };

struct TrackState {
  int minimum = 0;
  int maximum = 100;
  int pos = 0;
  int lineSize = 1;
  int pageSize = 20;
  int tickFrequency = 1;
  int thumbLength = kThumbAcross;
  bool focused = false;
  Press press = Press::None;
  int grabOffset = 0;  // pointer minus thumb centre along the channel, while dragging
  int pointer = 0;     // the pointer along the channel, while a channel press repeats
  bool repeating = false;
  bool pagingForward = false;  // towards the maximum
  int wheelRest = 0;           // wheel delta not yet worth a step
};

TrackState* stateOf(HWND hwnd) { return reinterpret_cast<TrackState*>(GetWindowLongPtrW(hwnd, 0)); }

DWORD styleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

/// Where the parts lie, in (along, across) coordinates: along the channel, and across it.
struct Geometry {
  bool vertical = false;
  int along = 0;   // the client's extent along the channel
  int across = 0;  // and across it
  int channelStart = 0;
  int channelEnd = 0;
  int thumbTop = 0;  // across
  int thumbLength = kThumbAcross;
  bool ticksBefore = false;
  bool ticksAfter = false;
  bool ticks = false;
  bool autoTicks = false;
  bool both = false;
  bool firstSide = false;  // TBS_TOP or TBS_LEFT

  int channelLength() const { return std::max(0, channelEnd - channelStart); }
  int channelTop() const { return thumbTop + (thumbLength - kChannelThickness) / 2; }
};

Geometry geometryOf(HWND hwnd, const TrackState& s) {
  Geometry g;
  DWORD style = styleOf(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  g.vertical = (style & TBS_VERT) != 0;
  g.along = g.vertical ? client.bottom : client.right;
  g.across = g.vertical ? client.right : client.bottom;
  g.channelStart = kChannelInset;
  g.channelEnd = std::max(g.channelStart, g.along - kChannelInset);
  g.thumbLength = (style & TBS_FIXEDLENGTH) ? std::max(1, s.thumbLength) : kThumbAcross;
  g.ticks = (style & TBS_NOTICKS) == 0;
  g.autoTicks = (style & TBS_AUTOTICKS) != 0;
  g.both = (style & TBS_BOTH) != 0;
  bool first = g.both || (style & TBS_TOP) != 0;  // TBS_TOP and TBS_LEFT share their bit
  bool second = g.both || (style & TBS_TOP) == 0;
  g.firstSide = (style & TBS_TOP) != 0;
  g.ticksBefore = g.ticks && first;
  g.ticksAfter = g.ticks && second;
  const int tickSpace = kTickLength + kTickGap;
  int total = g.thumbLength + (g.ticksBefore ? tickSpace : 0) + (g.ticksAfter ? tickSpace : 0);
  int margin = std::clamp((g.across - total) / 2, 0, kMargin);
  g.thumbTop = margin + (g.ticksBefore ? tickSpace : 0);
  return g;
}

/// The channel offset of a value: from the minimum, the start for an empty range.
int offsetOf(const Geometry& g, const TrackState& s, int value) {
  int64_t span = static_cast<int64_t>(s.maximum) - s.minimum;
  if (span <= 0) return 0;
  int64_t v = std::clamp<int64_t>(static_cast<int64_t>(value) - s.minimum, 0, span);
  return static_cast<int>(g.channelLength() * v / span);
}

int thumbCentre(const Geometry& g, const TrackState& s) { return g.channelStart + offsetOf(g, s, s.pos); }

/// The value under a channel coordinate, rounded to the nearest.
int valueAt(const Geometry& g, const TrackState& s, int along) {
  int64_t span = static_cast<int64_t>(s.maximum) - s.minimum;
  int length = g.channelLength();
  if (span <= 0 || length <= 0) return s.minimum;
  int64_t offset = std::clamp<int64_t>(along - g.channelStart, 0, length);
  return static_cast<int>(s.minimum + (offset * span * 2 + length) / (2 * static_cast<int64_t>(length)));
}

RECT toClient(const Geometry& g, int along0, int along1, int across0, int across1) {
  return g.vertical ? RECT{across0, along0, across1, along1} : RECT{along0, across0, along1, across1};
}

RECT thumbRect(const Geometry& g, const TrackState& s) {
  int left = thumbCentre(g, s) - kThumbAlong / 2;
  return toClient(g, left, left + kThumbAlong, g.thumbTop, g.thumbTop + g.thumbLength);
}

RECT channelRect(const Geometry& g) {
  int top = g.channelTop();
  return toClient(g, g.channelStart, g.channelEnd, top, top + kChannelThickness);
}

void fill(HDC dc, const Geometry& g, int along0, int along1, int across0, int across1, int colour) {
  if (along1 <= along0 || across1 <= across0) return;
  RECT r = toClient(g, along0, along1, across0, across1);
  FillRect(dc, &r, GetSysColorBrush(colour));
}

// The thumb, row by row across the channel: a body framed light above and to the start, dark
// below and to the end, and, unless ticks lie on both sides, a point towards the ticks.
void paintThumb(HDC dc, const Geometry& g, const TrackState& s, bool enabled) {
  const int left = thumbCentre(g, s) - kThumbAlong / 2;
  const int right = left + kThumbAlong;
  const int top = g.thumbTop;
  const int bottom = top + g.thumbLength;
  const bool pointed = !g.both;
  // TBS_TOP (TBS_LEFT) points the thumb to the first side, else it points to the second.
  const bool towardsFirst = pointed && g.firstSide;
  const bool towardsSecond = pointed && !towardsFirst;
  const int point = pointed ? std::min(kPointRows, g.thumbLength / 2) : 0;
  const int bodyTop = towardsFirst ? top + point : top;
  const int bodyBottom = towardsSecond ? bottom - point : bottom;
  const int face = enabled ? COLOR_BTNFACE : COLOR_3DLIGHT;
  fill(dc, g, left, right, bodyTop, bodyBottom, face);
  fill(dc, g, left, right - 1, bodyTop, bodyTop + 1, towardsFirst ? face : COLOR_3DHILIGHT);
  fill(dc, g, left, left + 1, bodyTop, bodyBottom, COLOR_3DHILIGHT);
  fill(dc, g, right - 1, right, bodyTop, bodyBottom, COLOR_3DDKSHADOW);
  fill(dc, g, right - 2, right - 1, bodyTop + 1, bodyBottom - 1, COLOR_3DSHADOW);
  if (!towardsSecond) {
    fill(dc, g, left, right, bodyBottom - 1, bodyBottom, COLOR_3DDKSHADOW);
    fill(dc, g, left + 1, right - 1, bodyBottom - 2, bodyBottom - 1, COLOR_3DSHADOW);
  }
  for (int k = 0; k < point; ++k) {
    // Row k of the point, counted from the body outwards.
    int a0 = left + k;
    int a1 = right - k;
    int row = towardsSecond ? bodyBottom + k : bodyTop - 1 - k;
    if (a1 <= a0) break;
    fill(dc, g, a0, a1, row, row + 1, face);
    fill(dc, g, a0, a0 + 1, row, row + 1, COLOR_3DHILIGHT);
    fill(dc, g, a1 - 1, a1, row, row + 1, COLOR_3DDKSHADOW);
  }
}

void paintTick(HDC dc, const Geometry& g, int at) {
  if (g.ticksBefore) {
    int end = g.thumbTop - kTickGap;
    fill(dc, g, at, at + 1, end - kTickLength, end, COLOR_WINDOWTEXT);
  }
  if (g.ticksAfter) {
    int start = g.thumbTop + g.thumbLength + kTickGap;
    fill(dc, g, at, at + 1, start, start + kTickLength, COLOR_WINDOWTEXT);
  }
}

void paintTicks(HDC dc, const Geometry& g, const TrackState& s) {
  if (!g.ticks) return;
  paintTick(dc, g, g.channelStart + offsetOf(g, s, s.minimum));
  paintTick(dc, g, g.channelStart + offsetOf(g, s, s.maximum));
  int64_t span = static_cast<int64_t>(s.maximum) - s.minimum;
  if (!g.autoTicks || span <= 0) return;
  int64_t frequency = std::max(1, s.tickFrequency);
  int length = g.channelLength();
  if (span / frequency > length) {
    // Denser than the pixels: a tick on every one of them.
    for (int a = g.channelStart; a <= g.channelEnd; ++a) paintTick(dc, g, a);
    return;
  }
  for (int64_t v = s.minimum + frequency; v < s.maximum; v += frequency) {
    paintTick(dc, g, g.channelStart + offsetOf(g, s, static_cast<int>(v)));
  }
}

void paint(HWND hwnd, HDC dc, const TrackState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, controlBrush(hwnd, WM_CTLCOLORSTATIC, dc));
  Geometry g = geometryOf(hwnd, s);
  RECT channel = channelRect(g);
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);
  paintTicks(dc, g, s);
  paintThumb(dc, g, s, IsWindowEnabled(hwnd) != FALSE);
  if (s.focused && !(uiStateOf(hwnd) & UISF_HIDEFOCUS)) DrawFocusRect(dc, &client);
}

void redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void notify(HWND hwnd, WORD code, int pos = 0) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  UINT message = (styleOf(hwnd) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  WORD high = code == TB_THUMBTRACK || code == TB_THUMBPOSITION ? static_cast<WORD>(pos) : 0;
  SendMessageW(parent, message, MAKEWPARAM(code, high), reinterpret_cast<LPARAM>(hwnd));
}

int clampInto(const TrackState& s, int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, std::min(s.minimum, s.maximum), std::max(s.minimum, s.maximum)));
}

/// A user's move: the new position, repainted when it changed, and the notification in any case.
void userMove(HWND hwnd, TrackState& s, int64_t to, WORD code) {
  int pos = clampInto(s, to);
  if (pos != s.pos) {
    s.pos = pos;
    redraw(hwnd);
  }
  notify(hwnd, code, s.pos);
}

// A channel press moves a page towards the pointer, in the direction it took at the press, until
// the thumb covers the pointer or has passed it.
bool thumbReachedPointer(HWND hwnd, const TrackState& s) {
  Geometry g = geometryOf(hwnd, s);
  int left = thumbCentre(g, s) - kThumbAlong / 2;
  return s.pagingForward ? left + kThumbAlong > s.pointer : left <= s.pointer;
}

void pageTowardsPointer(HWND hwnd, TrackState& s) {
  int64_t page = s.pagingForward ? s.pageSize : -static_cast<int64_t>(s.pageSize);
  userMove(hwnd, s, static_cast<int64_t>(s.pos) + page, s.pagingForward ? TB_PAGEDOWN : TB_PAGEUP);
}

int alongOf(const Geometry& g, LPARAM lParam) { return g.vertical ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam); }

void endPress(HWND hwnd, TrackState& s) {
  Press was = s.press;
  s.press = Press::None;
  if (s.repeating) KillTimer(hwnd, kRepeatTimer);
  s.repeating = false;
  if (was == Press::Thumb) notify(hwnd, TB_THUMBPOSITION, s.pos);
  if (was != Press::None) notify(hwnd, TB_ENDTRACK);
}

LRESULT keyDown(HWND hwnd, TrackState& s, WPARAM key, LPARAM lParam) {
  int64_t pos = s.pos;
  switch (key) {
    case VK_LEFT:
    case VK_UP: userMove(hwnd, s, pos - s.lineSize, TB_LINEUP); break;
    case VK_RIGHT:
    case VK_DOWN: userMove(hwnd, s, pos + s.lineSize, TB_LINEDOWN); break;
    case VK_PRIOR: userMove(hwnd, s, pos - s.pageSize, TB_PAGEUP); break;
    case VK_NEXT: userMove(hwnd, s, pos + s.pageSize, TB_PAGEDOWN); break;
    case VK_HOME: userMove(hwnd, s, s.minimum, TB_TOP); break;
    case VK_END: userMove(hwnd, s, s.maximum, TB_BOTTOM); break;
    default: return DefWindowProcW(hwnd, WM_KEYDOWN, key, lParam);
  }
  return 0;
}

bool isMoveKey(WPARAM key) {
  return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT ||
         key == VK_HOME || key == VK_END;
}

void buttonDown(HWND hwnd, TrackState& s, LPARAM lParam) {
  SetFocus(hwnd);
  if (s.press != Press::None) return;
  Geometry g = geometryOf(hwnd, s);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  RECT thumb = thumbRect(g, s);
  SetCapture(hwnd);
  if (PtInRect(&thumb, p)) {
    s.press = Press::Thumb;
    s.grabOffset = alongOf(g, lParam) - thumbCentre(g, s);
    return;
  }
  s.press = Press::Channel;
  s.pointer = alongOf(g, lParam);
  s.pagingForward = s.pointer >= thumbCentre(g, s);
  pageTowardsPointer(hwnd, s);
  if (!thumbReachedPointer(hwnd, s)) {
    s.repeating = true;
    SetTimer(hwnd, kRepeatTimer, kFirstRepeat, nullptr);
  }
}

void mouseMove(HWND hwnd, TrackState& s, LPARAM lParam) {
  Geometry g = geometryOf(hwnd, s);
  if (s.press == Press::Channel) {
    s.pointer = alongOf(g, lParam);
    return;
  }
  if (s.press != Press::Thumb) return;
  int pos = clampInto(s, valueAt(g, s, alongOf(g, lParam) - s.grabOffset));
  if (pos == s.pos) return;
  s.pos = pos;
  redraw(hwnd);
  notify(hwnd, TB_THUMBTRACK, pos);
}

void repeat(HWND hwnd, TrackState& s) {
  if (s.press != Press::Channel || thumbReachedPointer(hwnd, s)) {
    KillTimer(hwnd, kRepeatTimer);
    s.repeating = false;
    return;
  }
  pageTowardsPointer(hwnd, s);
  SetTimer(hwnd, kRepeatTimer, kNextRepeat, nullptr);
}

void wheel(HWND hwnd, TrackState& s, WPARAM wParam) {
  s.wheelRest += GET_WHEEL_DELTA_WPARAM(wParam);
  int steps = s.wheelRest / WHEEL_DELTA;
  if (steps == 0) return;
  s.wheelRest -= steps * WHEEL_DELTA;
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  // Turned away from the user, the wheel moves towards the minimum.
  int64_t step = static_cast<int64_t>(s.lineSize) * lines;
  for (int k = 0; k < (steps < 0 ? -steps : steps); ++k) {
    userMove(hwnd, s, static_cast<int64_t>(s.pos) + (steps > 0 ? -step : step), steps > 0 ? TB_LINEUP : TB_LINEDOWN);
  }
  notify(hwnd, TB_ENDTRACK);
}

/// A program change of the range: the position is pulled into it, repainted when asked.
void setRange(HWND hwnd, TrackState& s, int minimum, int maximum, bool repaint) {
  s.minimum = minimum;
  s.maximum = maximum;
  s.pos = clampInto(s, s.pos);
  if (repaint) redraw(hwnd);
}

void answerRect(LPARAM lParam, const RECT& r) {
  auto* out = reinterpret_cast<RECT*>(lParam);
  if (out != nullptr) *out = r;
}

}  // namespace

LRESULT CALLBACK trackbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new TrackState));
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case TBM_GETPOS: return s->pos;
    case TBM_GETRANGEMIN: return s->minimum;
    case TBM_GETRANGEMAX: return s->maximum;
    case TBM_SETPOS: {
      int pos = clampInto(*s, static_cast<int>(lParam));
      if (pos != s->pos) {
        s->pos = pos;
        if (wParam) redraw(hwnd);
      }
      return 0;
    }
    case TBM_SETRANGE: setRange(hwnd, *s, LOWORD(lParam), HIWORD(lParam), wParam != 0); return 0;
    case TBM_SETRANGEMIN: setRange(hwnd, *s, static_cast<int>(lParam), s->maximum, wParam != 0); return 0;
    case TBM_SETRANGEMAX: setRange(hwnd, *s, s->minimum, static_cast<int>(lParam), wParam != 0); return 0;
    case TBM_SETTICFREQ:
      s->tickFrequency = static_cast<int>(wParam);
      if (styleOf(hwnd) & TBS_AUTOTICKS) redraw(hwnd);
      return 0;
    case TBM_GETNUMTICS: {
      Geometry g = geometryOf(hwnd, *s);
      if (!g.ticks) return 0;
      int64_t span = static_cast<int64_t>(s->maximum) - s->minimum;
      if (!g.autoTicks || span <= 0) return span == 0 ? 1 : 2;
      int64_t frequency = std::max(1, s->tickFrequency);
      return static_cast<LRESULT>((span + frequency - 1) / frequency + 1);
    }
    case TBM_SETPAGESIZE: {
      int previous = s->pageSize;
      s->pageSize = static_cast<int>(lParam);
      return previous;
    }
    case TBM_GETPAGESIZE: return s->pageSize;
    case TBM_SETLINESIZE: {
      int previous = s->lineSize;
      s->lineSize = static_cast<int>(lParam);
      return previous;
    }
    case TBM_GETLINESIZE: return s->lineSize;
    case TBM_SETTHUMBLENGTH:
      s->thumbLength = std::max(1, static_cast<int>(wParam));
      if (styleOf(hwnd) & TBS_FIXEDLENGTH) redraw(hwnd);
      return 0;
    case TBM_GETTHUMBLENGTH: return geometryOf(hwnd, *s).thumbLength;
    case TBM_GETTHUMBRECT: answerRect(lParam, thumbRect(geometryOf(hwnd, *s), *s)); return 0;
    case TBM_GETCHANNELRECT: answerRect(lParam, channelRect(geometryOf(hwnd, *s))); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (!IsWindowEnabled(hwnd)) return 0;
      return keyDown(hwnd, *s, wParam, lParam);
    case WM_KEYUP:
      if (isMoveKey(wParam) && IsWindowEnabled(hwnd)) notify(hwnd, TB_ENDTRACK);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (IsWindowEnabled(hwnd)) buttonDown(hwnd, *s, lParam);
      return 0;
    case WM_MOUSEMOVE: mouseMove(hwnd, *s, lParam); return 0;
    case WM_LBUTTONUP:
      if (s->press != Press::None) {
        endPress(hwnd, *s);
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->press != Press::None) endPress(hwnd, *s);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer) repeat(hwnd, *s);
      return 0;
    case WM_MOUSEWHEEL:
      if (IsWindowEnabled(hwnd)) wheel(hwnd, *s, wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = message == WM_SETFOCUS;
      redraw(hwnd);
      return 0;
    case WM_ENABLE:
      if (!wParam && s->press != Press::None) ReleaseCapture();
      redraw(hwnd);
      return 0;
    case WM_SIZE:
    case WM_STYLECHANGED: redraw(hwnd); return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND: return 1;  // painting fills the whole control
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paint(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: paint(hwnd, reinterpret_cast<HDC>(wParam), *s); return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace winapi
