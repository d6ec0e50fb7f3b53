// A region: a set of pixels kept as horizontal bands, each with sorted, disjoint spans. It backs
// GDI regions, clip regions, update regions and window shapes.
#pragma once

#include <windows.h>

#include <vector>

namespace winapi {

/// A value type; not thread-safe. Coordinates are half-open: a span [x0, x1) in a band
/// [top, bottom) covers the pixels x0 <= x < x1, top <= y < bottom, as RECT does.
class Region {
 public:
  struct Band {
    int top;
    int bottom;
    std::vector<int> spans;  // x0, x1, x0, x1, ... sorted and disjoint
  };

  Region() = default;
  explicit Region(const RECT& rect);
  static Region fromRect(int left, int top, int right, int bottom);
  /// A rectangle with rounded corners; the ellipse of each corner is ellipseWidth x ellipseHeight.
  static Region roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

  bool isEmpty() const { return m_bands.empty(); }
  /// NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int kind() const;
  RECT bounds() const;
  bool contains(int x, int y) const;
  bool intersects(const RECT& rect) const;
  bool operator==(const Region& other) const;

  void offset(int dx, int dy);
  void clear() { m_bands.clear(); }

  /// RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF or RGN_COPY of a and b.
  static Region combine(const Region& a, const Region& b, int mode);
  Region& unite(const Region& other);
  Region& intersect(const Region& other);
  Region& subtract(const Region& other);
  Region& intersect(const RECT& rect) { return intersect(Region(rect)); }
  Region& subtract(const RECT& rect) { return subtract(Region(rect)); }

  const std::vector<Band>& bands() const { return m_bands; }
  std::vector<RECT> rects() const;

  /// Calls fn(x0, x1) for each part of the row y between xStart and xEnd inside the region.
  template <typename Fn>
  void forSpansInRow(int y, int xStart, int xEnd, Fn&& fn) const {
    const Band* band = bandAt(y);
    if (band == nullptr) return;
    for (size_t i = 0; i + 1 < band->spans.size(); i += 2) {
      int a = band->spans[i] > xStart ? band->spans[i] : xStart;
      int b = band->spans[i + 1] < xEnd ? band->spans[i + 1] : xEnd;
      if (a < b) fn(a, b);
    }
  }

  /// Calls fn(rect) for each part of the rectangle inside the region (rectangles in band order).
  template <typename Fn>
  void forRectsIn(const RECT& rect, Fn&& fn) const {
    for (const Band& band : m_bands) {
      if (band.bottom <= rect.top) continue;
      if (band.top >= rect.bottom) break;
      int top = band.top > rect.top ? band.top : rect.top;
      int bottom = band.bottom < rect.bottom ? band.bottom : rect.bottom;
      for (size_t i = 0; i + 1 < band.spans.size(); i += 2) {
        int left = band.spans[i] > rect.left ? band.spans[i] : rect.left;
        int right = band.spans[i + 1] < rect.right ? band.spans[i + 1] : rect.right;
        if (left < right) fn(RECT{left, top, right, bottom});
      }
    }
  }

  /// Builds a region from one span list per row, starting at row top (used for curved shapes).
  static Region fromRows(int top, const std::vector<std::vector<int>>& rows);

 private:
  const Band* bandAt(int y) const;
  void coalesce();
  std::vector<Band> m_bands;
};

}  // namespace winapi
