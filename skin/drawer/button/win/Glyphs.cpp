// The glyph painter: each glyph is a short list of fills worked out from the glyph box, with one
// pixel layout for scale 1 and a heavier one from scale 2 on.
#include "skin/drawer/button/win/Glyphs.h"

#include <afxwin.h>

#include <algorithm>
#include <array>

namespace s::gui::drawer::button::win {

namespace {

struct Fill {
  int32_t x;
  int32_t y;
  int32_t cx;
  int32_t cy;
};

/// The geometry every glyph is laid out in: the glyph box (the rectangle inset by s), its size,
/// and the centred square of even side q.
struct Box {
  int32_t left, top, right, bottom;  // the given rectangle
  int32_t s;
  int32_t x0, y0, x1, y1;
  int32_t S, W;  // width and height of the glyph box
  int32_t q;     // side of the centred square, even
  int32_t qx, qy;
  int32_t stroke;  // 2 at scale 1, 4 from scale 2 on
};

Box layOut(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t s) {
  Box b{};
  b.left = left;
  b.top = top;
  b.right = right;
  b.bottom = bottom;
  b.s = s;
  b.x0 = left + s;
  b.x1 = right - s;
  b.y0 = top + s;
  b.y1 = bottom - s;
  b.S = b.x1 - b.x0;
  b.W = b.y1 - b.y0;
  b.q = std::max(0, std::min(b.S, b.W)) & ~1;
  b.qx = b.x0 + (b.S - b.q) / 2;
  b.qy = b.y0 + (b.W - b.q) / 2;
  b.stroke = s >= 2 ? 4 : 2;
  return b;
}

/// The fills of one glyph before they are painted, so that mirror pairs and turned glyphs are
/// made from one list. Sized for the largest glyph; fills beyond it are dropped.
class Fills {
 public:
  void add(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    if (cx <= 0 || cy <= 0 || m_count == m_fills.size()) return;
    m_fills[m_count++] = Fill{x, y, cx, cy};
  }
  /// Mirrors every fill about the vertical centre line of the given rectangle.
  void mirror(const Box& b) {
    for (size_t i = 0; i < m_count; ++i) {
      Fill& f = m_fills[i];
      f.x = b.left + b.right - f.x - f.cx;
    }
  }
  /// Swaps the axes inside the centred square: a shape symmetric about the square's horizontal
  /// centre line is turned a quarter clockwise.
  void transpose(const Box& b) {
    for (size_t i = 0; i < m_count; ++i) {
      Fill& f = m_fills[i];
      const Fill t{b.qx + (f.y - b.qy), b.qy + (f.x - b.qx), f.cy, f.cx};
      f = t;
    }
  }
  /// Paints the fills, cut to the glyph box when `clip` is set.
  void paint(CDC* dc, const Box& b, COLORREF color, bool clip) const {
    for (size_t i = 0; i < m_count; ++i) {
      Fill f = m_fills[i];
      if (clip) {
        const int32_t l = std::max(f.x, b.x0);
        const int32_t t = std::max(f.y, b.y0);
        const int32_t r = std::min(f.x + f.cx, b.x1);
        const int32_t bt = std::min(f.y + f.cy, b.y1);
        if (l >= r || t >= bt) continue;
        f = Fill{l, t, r - l, bt - t};
      }
      dc->FillSolidRect(f.x, f.y, f.cx, f.cy, color);
    }
  }

 private:
  std::array<Fill, 160> m_fills{};
  size_t m_count = 0;
};

bool equals(const WCHAR* a, const char16_t* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

/// The chevron of "#Down": square dots one per diagonal step from the square's left edge to the
/// box's centre, each mirrored about the box's vertical centre line. `up` steps upwards from the
/// bottom instead. At scale 2 and more the dots are 4 x 4 and the last one 2 x 2.
void chevronDown(Fills& fills, const Box& b, bool up) {
  const int32_t dot = b.s >= 2 ? 4 : 2;
  const int32_t centre = b.x0 + b.S / 2;
  int32_t y = up ? b.y1 - (b.W - b.q / 3) / 2 - 1 : b.y0 + (b.W - b.q / 3) / 2 - (b.s >= 2 ? 2 : 1);
  for (int32_t x = b.qx; x < centre; ++x, y += up ? -1 : 1) {
    if (up ? y < b.y0 : y + dot > b.y1) break;
    const bool last = x + 1 == centre || (up ? y - 1 < b.y0 : y + 1 + dot > b.y1);
    const int32_t size = b.s >= 2 && last ? 2 : dot;
    fills.add(x, y, size, size);
    fills.add(b.left + b.right - x - size, y, size, size);
  }
}

/// A triangle pointing right from columns `column` wide, each `column` shorter than the one
/// before, first column `height` high, centred in the square.
void triangleRight(Fills& fills, const Box& b, int32_t height, int32_t column, int32_t xStart) {
  const int32_t top = b.qy + (b.q - height) / 2;
  for (int32_t k = 0; height - k * column > 0; ++k) {
    fills.add(xStart + k * column, top + k * column / 2, column, height - k * column);
  }
}

int32_t triangleWidth(int32_t height, int32_t column) {
  return column > 0 ? (height + column - 1) / column * column : 0;
}

/// A right-pointing chevron of stroke-sized dots with its tip at (tipX, centreY), arms `arm`
/// steps long.
void chevronRight(Fills& fills, const Box& b, int32_t tipX, int32_t arm) {
  const int32_t dot = b.stroke;
  const int32_t centreY = b.qy + b.q / 2;
  for (int32_t i = 0; i <= arm; ++i) {
    const int32_t x = tipX - dot - (arm - i);
    fills.add(x, centreY - dot / 2 - (arm - i), dot, dot);
    fills.add(x, centreY - dot / 2 + (arm - i), dot, dot);
  }
}

/// The loudspeaker: stacked columns 2 pixels wide (heights 5, 5, 7, 9 at scale 1 and 10 to 18
/// from scale 2), centred vertically; the group it belongs to (with the mute bar) is centred
/// horizontally, so "#Mute" is the same speaker plus its bar.
void speaker(Fills& fills, const Box& b, bool withBar) {
  static constexpr int32_t kSmall[] = {5, 5, 7, 9};
  static constexpr int32_t kLarge[] = {10, 10, 10, 10, 12, 14, 16, 18};
  const bool large = b.s >= 2;
  const int32_t* heights = large ? kLarge : kSmall;
  const int32_t count = large ? 8 : 4;
  const int32_t bar = b.stroke;
  const int32_t groupWidth = count * 2 + 2 * bar;  // columns, gap and bar
  const int32_t x = b.qx + (b.q - groupWidth) / 2;
  const int32_t centreY = b.qy + b.q / 2;
  for (int32_t k = 0; k < count; ++k) {
    fills.add(x + 2 * k, centreY - heights[k] / 2, 2, heights[k]);
  }
  if (withBar) {
    const int32_t tallest = heights[count - 1];
    fills.add(x + count * 2 + bar, centreY - tallest / 2, bar, tallest);
  }
}

void plus(Fills& fills, const Box& b, int32_t x, int32_t y, int32_t side) {
  const int32_t st = b.stroke;
  fills.add(x, y + (side - st) / 2, side, st);
  fills.add(x + (side - st) / 2, y, st, side);
}

/// Draws a glyph laid out in the glyph box; false for a name that is none of them.
bool boxGlyph(Fills& fills, const Box& b, const WCHAR* name) {
  const int32_t s = b.s;
  const int32_t st = b.stroke;
  const int32_t q = b.q;
  const int32_t cx = b.qx + q / 2;
  const int32_t cy = b.qy + q / 2;
  const int32_t low = b.y0 + b.W * 8 / 10;
  if (equals(name, u"#_")) {
    fills.add(b.x0, low, b.S, 2 * s);
  } else if (equals(name, u"#Transform")) {
    const int32_t u = st / 2;
    const int32_t topBar = b.y0 + 3 * u;
    const int32_t bottomBar = std::min(low, b.y1 - st - 2 * u);
    fills.add(b.x0, topBar, b.S, st);
    fills.add(b.x0, bottomBar, b.S, st);
    for (int32_t k = 0; k < 4; ++k)
      fills.add(b.x0 + k * u, topBar - (3 - k) * u, u, st + 2 * (3 - k) * u);
    for (int32_t k = 0; k < 3; ++k) {
      fills.add(b.x1 - (k + 1) * u, bottomBar - (2 - k) * u, u, st + 2 * (2 - k) * u);
    }
  } else if (equals(name, u"#.")) {
    fills.add(b.right - 3 * s, low, 2 * s, 2 * s);
  } else if (equals(name, u"#X")) {
    const int32_t dot = 2 * s;
    const int32_t start = b.x1 - dot - (b.S - q) / 2;
    for (int32_t i = 0; b.qx + i + dot <= b.x1 && b.qy + i + dot <= b.y1; ++i) {
      fills.add(b.qx + i, b.qy + i, dot, dot);
    }
    for (int32_t i = 0; start - i >= b.x0 && b.qy + i + dot <= b.y1; ++i) {
      fills.add(start - i, b.qy + i, dot, dot);
    }
  } else if (equals(name, u"#\u25A1")) {
    fills.add(b.qx, b.qy, q, 3);
    fills.add(b.qx, b.qy + q - 1, q, 1);
    fills.add(b.qx, b.qy, 1, q);
    fills.add(b.qx + q - 1, b.qy, 1, q);
  } else if (equals(name, u"#\u2199")) {
    const int32_t side = q - 3;
    const int32_t fx = b.qx;
    const int32_t fy = b.qy + 3;
    fills.add(fx, fy, side, 2);
    fills.add(fx, fy + side - 1, side, 1);
    fills.add(fx, fy, 1, side);
    fills.add(fx + side - 1, fy, 1, side);
    const int32_t bx = b.qx + 3;
    fills.add(bx, b.qy, side, 2);
    fills.add(bx + side - 1, b.qy, 1, side);
    fills.add(bx + side - 2, b.qy + side - 1, 1, 1);
  } else if (equals(name, u"#Play")) {
    triangleRight(fills, b, q, st, b.qx + (q - triangleWidth(q, st)) / 2);
  } else if (equals(name, u"#Pause")) {
    const int32_t width = (b.S - q / 4) / 2 - (b.S - q) / 2;
    fills.add(b.qx, b.qy, width, q);
    fills.add(b.qx + q - width, b.qy, width, q);
  } else if (equals(name, u"#Stop")) {
    fills.add(b.qx, b.qy, q, q);
  } else if (equals(name, u"#Speaker")) {
    speaker(fills, b, false);
  } else if (equals(name, u"#Mute")) {
    speaker(fills, b, true);
  } else if (equals(name, u"#Right") || equals(name, u"#Left")) {
    // "#Down" and "#Up" turned a quarter: the same runs with the axes swapped.
    chevronDown(fills, b, equals(name, u"#Left"));
    fills.transpose(b);
  } else if (equals(name, u"#RightRight")) {
    const int32_t arm = q / 4;
    chevronRight(fills, b, cx, arm);
    chevronRight(fills, b, b.qx + q, arm);
  } else if (equals(name, u"#LeftLeft")) {
    const int32_t arm = q / 4;
    chevronRight(fills, b, cx, arm);
    chevronRight(fills, b, b.qx + q, arm);
    fills.mirror(b);
  } else if (equals(name, u"#Down")) {
    chevronDown(fills, b, false);
  } else if (equals(name, u"#Up")) {
    chevronDown(fills, b, true);
  } else if (equals(name, u"#ThumbLineV")) {
    const int32_t x = b.x0 + (b.right - 4 * s - b.x0) / 2;
    fills.add(x, b.y0, s, b.W);
    fills.add(x + 2 * s, b.y0, s, b.W);
  } else if (equals(name, u"#ThumbLineH")) {
    const int32_t y = b.y0 + (b.bottom - 4 * s - b.y0) / 2;
    fills.add(b.x0, y, b.S, s);
    fills.add(b.x0, y + 2 * s, b.S, s);
  } else if (equals(name, u"#Minus")) {
    fills.add(b.qx, cy - st / 2, q, st);
  } else if (equals(name, u"#Plus")) {
    plus(fills, b, b.qx, b.qy, q);
  } else if (equals(name, u"#PlusMinus")) {
    // The plus takes the upper two thirds, the minus the bottom stroke, both as wide.
    const int32_t side = (q * 2 / 3) & ~1;
    const int32_t x = b.qx + (q - side) / 2;
    plus(fills, b, x, b.qy, side);
    fills.add(x, b.qy + q - st, side, st);
  } else if (equals(name, u"#Next") || equals(name, u"#Prev")) {
    const int32_t height = (q * 2 / 3) & ~1;
    const int32_t width = triangleWidth(height, st) + st;
    const int32_t x = b.qx + (q - width) / 2;
    triangleRight(fills, b, height, st, x);
    fills.add(x + width - st, cy - height / 2, st, height);
    if (equals(name, u"#Prev")) fills.mirror(b);
  } else if (equals(name, u"#TreeClosed") || equals(name, u"#TreeOpen")) {
    const int32_t height = std::max(st, (q / 2) & ~1);
    triangleRight(fills, b, height, st, b.qx + (q - triangleWidth(height, st)) / 2);
    if (equals(name, u"#TreeOpen")) fills.transpose(b);
  } else if (equals(name, u"#TurnRight") || equals(name, u"#TurnLeft")) {
    // A corner open to the lower right, and from its end a diagonal arrow down and to the right
    // whose head is an upright corner.
    const int32_t arm = q / 2;
    const int32_t top = b.qy + st;
    fills.add(b.qx, top, arm, st);
    fills.add(b.qx, top, st, q - st);
    const int32_t head = q / 3;
    const int32_t tip = b.qx + q;
    const int32_t tipY = b.qy + q;
    for (int32_t i = 0; b.qx + arm + i + st <= tip; ++i) {
      fills.add(b.qx + arm - st + i, top + i, st, st);
    }
    fills.add(tip - head, tipY - st, head, st);
    fills.add(tip - st, tipY - head, st, head);
    if (equals(name, u"#TurnLeft")) fills.mirror(b);
  } else if (equals(name, u"#OnTop")) {
    fills.add(b.qx, b.qy, q, st);
    const int32_t shaft = b.qy + 2 * st;
    fills.add(cx - st / 2, shaft, st, b.qy + q - shaft);
    for (int32_t i = 0; i < q / 3; ++i) {
      fills.add(cx - st / 2 - i, shaft + i, st, st);
      fills.add(cx - st / 2 + i, shaft + i, st, st);
    }
  } else if (equals(name, u"#FitWindow")) {
    const int32_t arm = q / 3;
    fills.add(b.qx, b.qy, arm, st);
    fills.add(b.qx, b.qy, st, arm);
    fills.add(b.qx + q - arm, b.qy + q - st, arm, st);
    fills.add(b.qx + q - st, b.qy + q - arm, st, arm);
  } else if (equals(name, u"#FitToWindow")) {
    const int32_t arm = q / 3;
    fills.add(b.qx, b.qy + arm - st, arm, st);
    fills.add(b.qx + arm - st, b.qy, st, arm);
    fills.add(b.qx + q - arm, b.qy + q - arm, arm, st);
    fills.add(b.qx + q - arm, b.qy + q - arm, st, arm);
  } else if (equals(name, u"#KeepRatio")) {
    const int32_t tick = std::max(st, q / 4);
    fills.add(b.qx, b.qy, st, q);
    fills.add(b.qx, b.qy, tick, st);
    fills.add(b.qx, b.qy + q - st, tick, st);
    fills.add(b.qx + q - st, b.qy, st, q);
    fills.add(b.qx + q - tick, b.qy, tick, st);
    fills.add(b.qx + q - tick, b.qy + q - st, tick, st);
    fills.add(cx - st / 2, b.qy + q / 3 - st / 2, st, st);
    fills.add(cx - st / 2, b.qy + q - q / 3 - st / 2, st, st);
  } else if (equals(name, u"#Palm")) {
    const int32_t gap = st / 2;
    const int32_t width = 4 * st + 3 * gap;
    const int32_t x = b.qx + (q - width) / 2;
    const int32_t palmTop = b.qy + q / 2;
    fills.add(x, palmTop, width, b.qy + q - palmTop);
    // Middle fingers reach highest, the outer ones a stroke lower.
    const int32_t tips[4] = {b.qy + st, b.qy, b.qy, b.qy + st};
    for (int32_t k = 0; k < 4; ++k) {
      fills.add(x + k * (st + gap), tips[k], st, palmTop - tips[k]);
    }
  } else {
    return false;
  }
  return true;
}

int32_t hexValue(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

/// "#Color-" and eight hexadecimal digits: a black frame one pixel inside the rectangle and the
/// colour inside it. Anything else after the prefix paints nothing.
bool colorSwatch(CDC* dc, const Box& b, const WCHAR* digits) {
  uint32_t value = 0;
  int32_t count = 0;
  for (; digits[count] != 0; ++count) {
    const int32_t digit = hexValue(digits[count]);
    if (digit < 0 || count == 8) return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  if (count != 8) return false;
  const int32_t w = b.right - b.left;
  const int32_t h = b.bottom - b.top;
  if (w > 2 && h > 2) dc->FillSolidRect(b.left + 1, b.top + 1, w - 2, h - 2, 0x000000);
  if (w > 4 && h > 4) dc->FillSolidRect(b.left + 2, b.top + 2, w - 4, h - 4, value & 0xFFFFFF);
  return true;
}

bool startsWith(const WCHAR* text, const char16_t* prefix) {
  while (*prefix != 0) {
    if (*text++ != *prefix++) return false;
  }
  return true;
}

}  // namespace

bool paintNamedGlyph(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const WCHAR* name, COLORREF color, int32_t scale) {
  // Small values are string-table ids of labels, never glyph names, and must not be read.
  if (dc == nullptr || reinterpret_cast<uintptr_t>(name) <= 0xFFFF) return false;
  if (name[0] != u'#' || name[1] == 0) return false;
  const int32_t s = scale >= 4 ? 4 : scale >= 2 ? 2 : 1;
  const Box b = layOut(left, top, right, bottom, s);
  if (startsWith(name, u"#Color-")) return colorSwatch(dc, b, name + 7);
  Fills fills;
  if (equals(name, u"#Check")) {
    const int32_t x = b.x0 + (right - left - 9 * s) / 2;
    const int32_t y = b.y0 + (bottom - top - 9 * s) / 2;
    if (s == 1) {
      fills.add(x, y + 2, 1, 3);
      fills.add(x + 1, y + 3, 1, 3);
      for (int32_t i = 0; i < 5; ++i) fills.add(x + 2 + i, y + 4 - i, 1, 3);
    } else {
      for (int32_t i = 0; i < 5; ++i) fills.add(x + i, y + 4 + i, s, 3 * s);
      for (int32_t i = 0; i < 8; ++i) fills.add(x + 5 + i, y + 7 - i, s, 3 * s);
    }
    fills.paint(dc, b, color, false);
    return true;
  }
  if (equals(name, u"#Resizer")) {
    for (int32_t i = 0; i <= 2; ++i) {
      for (int32_t j = 0; i + j <= 2; ++j)
        fills.add(right - 4 * s * i, bottom - 4 * s * j, 2 * s, 2 * s);
    }
    fills.paint(dc, b, color, false);
    return true;
  }
  if (!boxGlyph(fills, b, name)) return false;
  if (b.S > 0 && b.W > 0) fills.paint(dc, b, color, true);
  return true;
}

}  // namespace s::gui::drawer::button::win
