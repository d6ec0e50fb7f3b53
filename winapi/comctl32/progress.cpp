// The "msctls_progress32" control: range, position and step with Windows' answers, bar and
// background colours, drawn in the classic look in chunks or smooth (PBS_SMOOTH).
// A message that leaves the drawn pixels as they are invalidates nothing, so a worker may report
// progress for every block it converts without costing the UI thread a repaint.
// Left out on purpose: PBS_VERTICAL, PBS_MARQUEE and the bar states of later versions.
#include <commctrl.h>

#include "winapi/user32/Controls.h"

#include <algorithm>
#include <cstdint>

namespace winapi {
namespace {

constexpr int kChunkGap = 2;

struct ProgressState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  COLORREF bar = CLR_DEFAULT;
  COLORREF background = CLR_DEFAULT;
};

ProgressState* stateOf(HWND hwnd) { return reinterpret_cast<ProgressState*>(GetWindowLongPtrW(hwnd, 0)); }

bool isSmooth(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & PBS_SMOOTH) != 0; }

// The bar's area: inside the one-pixel border, inset by one more.
RECT barArea(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  InflateRect(&r, -2, -2);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

int filledWidth(const ProgressState& s, const RECT& bar) {
  if (s.high <= s.low) return 0;
  int64_t width = bar.right - bar.left;
  return static_cast<int>(width * (static_cast<int64_t>(s.pos) - s.low) / (static_cast<int64_t>(s.high) - s.low));
}

int chunkWidth(const RECT& bar) { return std::max(1, static_cast<int>((bar.bottom - bar.top) * 2 / 3)); }

// What the bar shows: its filled width when smooth, else the number of chunks drawn (a chunk is
// drawn whole while it starts within the filled width).
int drawnExtent(HWND hwnd, const ProgressState& s) {
  RECT bar = barArea(hwnd);
  int filled = filledWidth(s, bar);
  if (isSmooth(hwnd) || filled <= 0) return filled;
  int pitch = chunkWidth(bar) + kChunkGap;
  return (filled + pitch - 1) / pitch;
}

void paint(HWND hwnd, HDC dc, const ProgressState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  COLORREF background = s.background == CLR_DEFAULT ? GetSysColor(COLOR_3DFACE) : s.background;
  COLORREF barColor = s.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : s.bar;
  RECT inside = client;
  DrawEdge(dc, &inside, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  HBRUSH back = CreateSolidBrush(background);
  FillRect(dc, &inside, back);
  DeleteObject(back);
  RECT bar = barArea(hwnd);
  int filled = filledWidth(s, bar);
  if (filled <= 0) return;
  HBRUSH brush = CreateSolidBrush(barColor);
  if (isSmooth(hwnd)) {
    RECT r{bar.left, bar.top, bar.left + filled, bar.bottom};
    FillRect(dc, &r, brush);
  } else {
    int chunk = chunkWidth(bar);
    for (int x = bar.left; x < bar.left + filled; x += chunk + kChunkGap) {
      RECT r{x, bar.top, std::min(x + chunk, static_cast<int>(bar.right)), bar.bottom};
      FillRect(dc, &r, brush);
    }
  }
  DeleteObject(brush);
}

// Applies a change and repaints only when what the bar shows changed.
template <typename Change>
void change(HWND hwnd, ProgressState& s, Change&& apply) {
  int before = drawnExtent(hwnd, s);
  apply();
  s.pos = std::clamp(s.pos, std::min(s.low, s.high), std::max(s.low, s.high));
  if (drawnExtent(hwnd, s) != before) InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT setColor(HWND hwnd, COLORREF& color, LPARAM value) {
  COLORREF previous = color;
  color = static_cast<COLORREF>(value);
  if (color != previous) InvalidateRect(hwnd, nullptr, FALSE);
  return static_cast<LRESULT>(previous);
}

}  // namespace

LRESULT CALLBACK progressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ProgressState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new ProgressState));
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      // Both answer the previous range as two 16-bit halves, as Windows does.
      LRESULT previous = MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
      int low = message == PBM_SETRANGE ? LOWORD(lParam) : static_cast<int>(wParam);
      int high = message == PBM_SETRANGE ? HIWORD(lParam) : static_cast<int>(lParam);
      change(hwnd, *s, [&] {
        s->low = low;
        s->high = high;
      });
      return previous;
    }
    case PBM_GETRANGE: {
      auto* range = reinterpret_cast<PBRANGE*>(lParam);
      if (range != nullptr) *range = PBRANGE{s->low, s->high};
      return wParam ? s->low : s->high;
    }
    case PBM_SETPOS: {
      int previous = s->pos;
      change(hwnd, *s, [&] { s->pos = static_cast<int>(wParam); });
      return previous;
    }
    case PBM_GETPOS: return s->pos;
    case PBM_DELTAPOS: {
      int previous = s->pos;
      change(hwnd, *s, [&] {
        s->pos = static_cast<int>(
            std::clamp<int64_t>(static_cast<int64_t>(s->pos) + static_cast<int>(wParam), INT32_MIN, INT32_MAX));
      });
      return previous;
    }
    case PBM_SETSTEP: {
      int previous = s->step;
      s->step = static_cast<int>(wParam);
      return previous;
    }
    case PBM_STEPIT: {
      int previous = s->pos;
      change(hwnd, *s, [&] {
        int64_t next = static_cast<int64_t>(s->pos) + s->step;
        int64_t span = static_cast<int64_t>(s->high) - s->low;
        // Past the maximum (or below the minimum) the bar starts over, as Windows' does.
        if (span > 0 && (next > s->high || next < s->low)) next = s->low + ((next - s->low) % span + span) % span;
        s->pos = static_cast<int>(std::clamp<int64_t>(next, INT32_MIN, INT32_MAX));
      });
      return previous;
    }
    case PBM_SETBARCOLOR: return setColor(hwnd, s->bar, lParam);
    case PBM_SETBKCOLOR: return setColor(hwnd, s->background, lParam);
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
