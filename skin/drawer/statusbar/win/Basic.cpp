// The basic status bar's gradient, corners and grip.
#include "skin/drawer/statusbar/win/Basic.h"

#include "platform/system/win/OsVersion.h"
#include "skin/drawer/Paint.h"

namespace s::gui::drawer::statusbar::win {

namespace {

/// The gradient's rows, counted from the top (first) or from the bottom (negative).
struct Row {
  int32_t first;
  int32_t last;
  COLORREF color;
};

// clang-format off
constexpr Row kTopRows[] = {
    {0, 0, RGB(149, 147, 133)}, {1, 1, RGB(191, 189, 176)}, {2, 2, RGB(215, 212, 197)},
    {3, 3, RGB(232, 229, 212)}, {4, 4, RGB(238, 235, 217)},
};
/// Rows h + first to h + last.
constexpr Row kBottomRows[] = {
    {-9, -7, RGB(235, 232, 212)}, {-6, -6, RGB(234, 230, 211)}, {-5, -5, RGB(231, 228, 209)},
    {-4, -4, RGB(227, 225, 205)}, {-3, -3, RGB(221, 219, 199)}, {-2, -2, RGB(217, 214, 192)},
    {-1, -1, RGB(223, 220, 202)},
};
/// The shaded top corners, from the edge inwards: the first column and its run length.
struct CornerRun {
  int32_t x;
  int32_t length;
  COLORREF row0;
  COLORREF row1;
};
constexpr CornerRun kCorner[] = {
    {0, 1, RGB(166, 164, 149), RGB(227, 228, 223)}, {1, 1, RGB(158, 155, 141), RGB(222, 223, 218)},
    {2, 3, RGB(154, 151, 138), RGB(219, 220, 217)}, {5, 1, RGB(151, 149, 136), RGB(217, 218, 215)},
    {6, 1, RGB(150, 147, 134), RGB(216, 217, 214)},
};
// clang-format on

constexpr COLORREF kBody = RGB(236, 233, 216);

/// Rows first to last of the bar, cut to its height.
void fillRows(CDC* dc, int32_t left, int32_t top, int32_t w, int32_t h, int32_t first, int32_t last,
              COLORREF color) {
  if (first < 0) {
    first = 0;
  }
  if (last > h - 1) {
    last = h - 1;
  }
  if (first <= last) {
    fill(dc, left, top + first, w, last - first + 1, color);
  }
}

bool olderThanVista() {
  if (!system::win::osQueried.load(std::memory_order_acquire)) {
    system::win::queryWindowsVersion();
  }
  return !system::win::osAtLeast60;
}

}  // namespace

void Basic::reset() {
  m_showGrip = false;
  m_paintBackground = false;
}

int32_t Basic::getHeight() { return 23 * displayScale(); }

void Basic::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  if (m_paintBackground && olderThanVista()) {
    for (const Row& row : kTopRows) {
      fillRows(dc, left, top, w, h, row.first, row.last, row.color);
    }
    fillRows(dc, left, top, w, h, 5, h - 10, kBody);
    for (const Row& row : kBottomRows) {
      fillRows(dc, left, top, w, h, h + row.first, h + row.last, row.color);
    }
    for (const CornerRun& run : kCorner) {
      for (int32_t y = 0; y < 2 && y < h; ++y) {
        const COLORREF color = y == 0 ? run.row0 : run.row1;
        fill(dc, left + run.x, top + y, run.length, 1, color);
        fill(dc, right - run.x - run.length, top + y, run.length, 1, color);
      }
    }
  }
  if (m_showGrip) {
    m_resizer.paint(dc, left, top, right, bottom);
  }
}

}  // namespace s::gui::drawer::statusbar::win
