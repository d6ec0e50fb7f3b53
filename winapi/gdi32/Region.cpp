// Region arithmetic by sweeping the band boundaries of both operands.
#include "winapi/gdi32/Region.h"

#include <algorithm>
#include <cmath>

namespace winapi {
namespace {

bool applyMode(bool inA, bool inB, int mode) {
  switch (mode) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return inA;
  }
}

// Combines two sorted span lists by walking their boundaries in order.
std::vector<int> combineSpans(const std::vector<int>& a, const std::vector<int>& b, int mode) {
  std::vector<int> out;
  size_t i = 0, j = 0;
  bool inA = false, inB = false, inOut = false;
  while (i < a.size() || j < b.size()) {
    int x;
    if (j >= b.size() || (i < a.size() && a[i] <= b[j])) {
      x = a[i];
    } else {
      x = b[j];
    }
    while (i < a.size() && a[i] == x) {
      inA = !inA;
      ++i;
    }
    while (j < b.size() && b[j] == x) {
      inB = !inB;
      ++j;
    }
    bool now = applyMode(inA, inB, mode);
    if (now != inOut) {
      if (!out.empty() && out.back() == x) {
        out.pop_back();  // an end followed by a start at the same x joins the spans
      } else {
        out.push_back(x);
      }
      inOut = now;
    }
  }
  return out;
}

const std::vector<int> kNoSpans;

}  // namespace

Region::Region(const RECT& rect) {
  if (rect.left < rect.right && rect.top < rect.bottom) {
    m_bands.push_back(Band{rect.top, rect.bottom, {rect.left, rect.right}});
  }
}

Region Region::fromRect(int left, int top, int right, int bottom) {
  return Region(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
}

Region Region::fromRows(int top, const std::vector<std::vector<int>>& rows) {
  Region r;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].empty()) continue;
    r.m_bands.push_back(Band{top + static_cast<int>(i), top + static_cast<int>(i) + 1, rows[i]});
  }
  r.coalesce();
  return r;
}

Region Region::roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  int width = right - left, height = bottom - top;
  int ew = std::min(std::abs(ellipseWidth), width), eh = std::min(std::abs(ellipseHeight), height);
  if (ew < 2 || eh < 2) return Region(RECT{left, top, right, bottom});
  // Each corner is a quarter of an ellipse with radii ew/2 and eh/2; a pixel row belongs to the
  // shape where the pixel centre lies inside the ellipse.
  double rx = ew / 2.0, ry = eh / 2.0;
  std::vector<std::vector<int>> rows(static_cast<size_t>(height));
  for (int row = 0; row < height; ++row) {
    double cy = row + 0.5;
    double dy = 0;
    if (cy < ry) {
      dy = ry - cy;
    } else if (cy > height - ry) {
      dy = cy - (height - ry);
    }
    int inset = 0;
    if (dy > 0) {
      double t = 1.0 - (dy * dy) / (ry * ry);
      double half = t > 0 ? rx * std::sqrt(t) : 0.0;
      inset = static_cast<int>(std::lround(rx - half));
    }
    if (left + inset < right - inset) rows[static_cast<size_t>(row)] = {left + inset, right - inset};
  }
  return fromRows(top, rows);
}

int Region::kind() const {
  if (m_bands.empty()) return NULLREGION;
  if (m_bands.size() == 1 && m_bands[0].spans.size() == 2) return SIMPLEREGION;
  return COMPLEXREGION;
}

RECT Region::bounds() const {
  if (m_bands.empty()) return RECT{0, 0, 0, 0};
  RECT r{m_bands.front().spans.front(), m_bands.front().top, m_bands.front().spans.back(), m_bands.back().bottom};
  for (const Band& b : m_bands) {
    r.left = std::min(r.left, b.spans.front());
    r.right = std::max(r.right, b.spans.back());
  }
  return r;
}

const Region::Band* Region::bandAt(int y) const {
  auto it =
      std::upper_bound(m_bands.begin(), m_bands.end(), y, [](int value, const Band& b) { return value < b.bottom; });
  if (it == m_bands.end() || y < it->top) return nullptr;
  return &*it;
}

bool Region::contains(int x, int y) const {
  const Band* b = bandAt(y);
  if (b == nullptr) return false;
  for (size_t i = 0; i + 1 < b->spans.size(); i += 2) {
    if (x >= b->spans[i] && x < b->spans[i + 1]) return true;
  }
  return false;
}

bool Region::intersects(const RECT& rect) const {
  bool found = false;
  forRectsIn(rect, [&](const RECT&) { found = true; });
  return found;
}

bool Region::operator==(const Region& other) const {
  if (m_bands.size() != other.m_bands.size()) return false;
  for (size_t i = 0; i < m_bands.size(); ++i) {
    const Band& a = m_bands[i];
    const Band& b = other.m_bands[i];
    if (a.top != b.top || a.bottom != b.bottom || a.spans != b.spans) return false;
  }
  return true;
}

void Region::offset(int dx, int dy) {
  for (Band& b : m_bands) {
    b.top += dy;
    b.bottom += dy;
    for (int& x : b.spans) x += dx;
  }
}

std::vector<RECT> Region::rects() const {
  std::vector<RECT> out;
  for (const Band& b : m_bands) {
    for (size_t i = 0; i + 1 < b.spans.size(); i += 2) {
      out.push_back(RECT{b.spans[i], b.top, b.spans[i + 1], b.bottom});
    }
  }
  return out;
}

void Region::coalesce() {
  std::vector<Band> merged;
  for (Band& b : m_bands) {
    if (b.spans.empty() || b.top >= b.bottom) continue;
    if (!merged.empty() && merged.back().bottom == b.top && merged.back().spans == b.spans) {
      merged.back().bottom = b.bottom;
    } else {
      merged.push_back(std::move(b));
    }
  }
  m_bands = std::move(merged);
}

Region Region::combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  // Every y where either operand's bands begin or end splits the sweep.
  std::vector<int> ys;
  ys.reserve((a.m_bands.size() + b.m_bands.size()) * 2);
  for (const Band& band : a.m_bands) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  for (const Band& band : b.m_bands) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  Region out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    int top = ys[k], bottom = ys[k + 1];
    while (ia < a.m_bands.size() && a.m_bands[ia].bottom <= top) ++ia;
    while (ib < b.m_bands.size() && b.m_bands[ib].bottom <= top) ++ib;
    const std::vector<int>& sa = (ia < a.m_bands.size() && a.m_bands[ia].top <= top) ? a.m_bands[ia].spans : kNoSpans;
    const std::vector<int>& sb = (ib < b.m_bands.size() && b.m_bands[ib].top <= top) ? b.m_bands[ib].spans : kNoSpans;
    std::vector<int> spans = combineSpans(sa, sb, mode);
    if (!spans.empty()) out.m_bands.push_back(Band{top, bottom, std::move(spans)});
  }
  out.coalesce();
  return out;
}

Region& Region::unite(const Region& other) {
  if (other.isEmpty()) return *this;
  if (isEmpty()) return *this = other;
  return *this = combine(*this, other, RGN_OR);
}

Region& Region::intersect(const Region& other) {
  if (isEmpty()) return *this;
  return *this = combine(*this, other, RGN_AND);
}

Region& Region::subtract(const Region& other) {
  if (isEmpty() || other.isEmpty()) return *this;
  return *this = combine(*this, other, RGN_DIFF);
}

}  // namespace winapi
