// The thin border's looks and corner styles, each an exact list of fills.
#include "skin/drawer/border/win/Thin.h"

#include "skin/drawer/Paint.h"

#include <algorithm>

namespace s::gui::drawer::border::win {

namespace {

/// The colours a base colour gives: lighter, darker and the two greys.
struct Shades {
  COLORREF b, l1, l2, d1, d2, d3, d4, d5, d6, g1, g2;
};

/// One channel times a factor in per cent, truncated; a result above 255 stays at 255. Integer
/// arithmetic, so 200 x 115 is 230 and not the 229 that the nearest binary fraction would give.
int32_t scaled(int32_t channel, int32_t percent) { return std::min(255, channel * percent / 100); }

COLORREF times(int32_t red, int32_t green, int32_t blue, int32_t percent) {
  return RGB(scaled(red, percent), scaled(green, percent), scaled(blue, percent));
}

Shades shadesOf(bool shaded, int32_t red, int32_t green, int32_t blue) {
  const COLORREF base = RGB(red, green, blue);
  if (!shaded) {
    return {base,
            base,
            base,
            base,
            base,
            base,
            base,
            base,
            base,
            RGB(red, red, red),
            RGB(blue, blue, blue)};
  }
  const int32_t grey1 = scaled(red, 90);
  const int32_t grey2 = scaled(blue, 85);
  return {base,
          times(red, green, blue, 105),
          times(red, green, blue, 115),
          times(red, green, blue, 95),
          times(red, green, blue, 90),
          times(red, green, blue, 85),
          times(red, green, blue, 70),
          times(red, green, blue, 50),
          times(red, green, blue, 45),
          RGB(grey1, grey1, grey1),
          RGB(grey2, grey2, grey2)};
}

/// The four edge colours of a look, and the right and bottom ones of the rounded style.
struct Edges {
  COLORREF top, right, bottom, left, roundRight, roundBottom;
};

Edges edgesOf(const Shades& c, int32_t look) {
  switch (look) {
    case 2: return {c.d3, c.b, c.l1, c.d2, c.b, c.l1};
    case 0: return {c.l2, c.d4, c.d5, c.l1, c.d4, c.d5};
    default: return {c.l1, c.d2, c.d3, c.b, c.g1, c.g2};
  }
}

/// The fills of one paint, with the bottom parts left out for look 3.
class Painter {
 public:
  Painter(CDC* dc, bool withBottom) : m_dc(dc), m_withBottom(withBottom) {}
  void operator()(int32_t x, int32_t y, int32_t cx, int32_t cy, COLORREF color) {
    fill(m_dc, x, y, cx, cy, color);
  }
  void bottomPart(int32_t x, int32_t y, int32_t cx, int32_t cy, COLORREF color) {
    if (m_withBottom) {
      fill(m_dc, x, y, cx, cy, color);
    }
  }

 private:
  CDC* m_dc;
  bool m_withBottom;
};

void squareStyle(Painter& p, int32_t l, int32_t t, int32_t r, int32_t b, int32_t s,
                 const Edges& e) {
  const int32_t w = r - l;
  const int32_t h = b - t;
  p(l, t, w, s, e.top);
  p(r - s, t, s, h, e.right);
  p.bottomPart(l, b - s, w, s, e.bottom);
  p(l, t, s, h, e.left);
}

void cutStyle(Painter& p, int32_t l, int32_t t, int32_t r, int32_t b, bool small, const Edges& e) {
  const int32_t w = r - l;
  const int32_t h = b - t;
  if (small) {
    p(l + 1, t, w - 2, 1, e.top);
    p(r - 1, t + 1, 1, h - 2, e.right);
    p.bottomPart(l + 1, b - 1, w - 2, 1, e.bottom);
    p(l, t + 1, 1, h - 2, e.left);
    return;
  }
  p(l + 2, t, w - 4, 2, e.top);
  p(l + 1, t + 1, 2, 2, e.top);
  p(r - 2, t + 2, 2, h - 4, e.right);
  p(r - 3, t + 1, 2, 2, e.right);
  p.bottomPart(l + 2, b - 2, w - 4, 2, e.bottom);
  p.bottomPart(r - 3, b - 3, 2, 2, e.bottom);
  p(l, t + 2, 2, h - 4, e.left);
  p.bottomPart(l + 1, b - 3, 2, 2, e.left);
}

void roundBands(Painter& p, int32_t l, int32_t t, int32_t r, int32_t b, bool small,
                const Edges& e) {
  const int32_t w = r - l;
  const int32_t h = b - t;
  if (small) {
    p(l + 2, t, w - 4, 1, e.top);
    p(r - 1, t + 2, 1, h - 4, e.roundRight);
    p.bottomPart(l + 2, b - 1, w - 4, 1, e.roundBottom);
    p(l, t + 2, 1, h - 4, e.left);
  } else {
    p(l + 4, t, w - 8, 2, e.top);
    p(r - 2, t + 4, 2, h - 8, e.roundRight);
    p.bottomPart(l + 4, b - 2, w - 8, 2, e.roundBottom);
    p(l, t + 4, 2, h - 8, e.left);
  }
}

/// The rounded corners: single pixels in the small layout, three 2 x 2 steps each in the large.
void roundCorners(Painter& p, int32_t l, int32_t t, int32_t r, int32_t b, bool small, COLORREF top,
                  COLORREF right, COLORREF bottom, COLORREF left) {
  if (small) {
    p(l + 1, t + 1, 1, 1, top);
    p(r - 2, t + 1, 1, 1, right);
    p.bottomPart(r - 2, b - 2, 1, 1, bottom);
    p.bottomPart(l + 1, b - 2, 1, 1, left);
    return;
  }
  p(l + 1, t + 3, 2, 2, top);
  p(l + 2, t + 2, 2, 2, top);
  p(l + 3, t + 1, 2, 2, top);
  p(r - 5, t + 1, 2, 2, right);
  p(r - 4, t + 2, 2, 2, right);
  p(r - 3, t + 3, 2, 2, right);
  p.bottomPart(r - 3, b - 5, 2, 2, bottom);
  p.bottomPart(r - 4, b - 4, 2, 2, bottom);
  p.bottomPart(r - 5, b - 3, 2, 2, bottom);
  p.bottomPart(l + 3, b - 3, 2, 2, left);
  p.bottomPart(l + 2, b - 4, 2, 2, left);
  p.bottomPart(l + 1, b - 5, 2, 2, left);
}

/// The hot look's highlights on the cut and rounded corners: the eight pieces at the ends of
/// the edges, at distance `d` from each corner in pieces of `n` pixels.
void hotHighlights(Painter& p, int32_t l, int32_t t, int32_t r, int32_t b, int32_t d, int32_t n,
                   const Shades& c) {
  p(l + d, t, n, n, c.l2);
  p(r - d - n, t, n, n, c.l1);
  p(r - n, t + d, n, n, c.d1);
  p(r - n, b - d - n, n, n, c.d5);
  p(l + d, b - n, n, n, c.d4);
  p(r - d - n, b - n, n, n, c.d6);
  p(l, t + d, n, n, c.l2);
  p(l, b - d - n, n, n, c.d3);
}

}  // namespace

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t look,
                 int32_t style, int32_t red, int32_t green, int32_t blue) {
  if (dc == nullptr || left >= right || top >= bottom || look < 0 || look > 3 || style < 0 ||
      style > 2) {
    return;
  }
  const int32_t s = displayScale();
  const bool small = s < 2;
  const Shades c = shadesOf(m_shaded, red & 0xFF, green & 0xFF, blue & 0xFF);
  const Edges e = edgesOf(c, look);
  Painter p(dc, look != 3);
  if (style == 0) {
    squareStyle(p, left, top, right, bottom, s, e);
    return;
  }
  if (style == 1) {
    cutStyle(p, left, top, right, bottom, small, e);
    if (look == 0) {
      hotHighlights(p, left, top, right, bottom, small ? 1 : 2, small ? 1 : 2, c);
    }
    return;
  }
  roundBands(p, left, top, right, bottom, small, e);
  if (look == 0) {
    hotHighlights(p, left, top, right, bottom, small ? 2 : 4, small ? 1 : 2, c);
    roundCorners(p, left, top, right, bottom, small, c.l2, c.d1, c.d4, c.d3);
  } else {
    roundCorners(p, left, top, right, bottom, small, e.top, e.roundRight, e.roundBottom, e.left);
  }
}

}  // namespace s::gui::drawer::border::win
