// The thin scroll bar's geometry, hit testing, dragging and painting.
#include "skin/drawer/scrollbar/win/Thin.h"

#include "skin/drawer/Paint.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/button/win/Thin.h"

#include <afxwin.h>

#include <algorithm>
#include <cmath>

namespace s::gui::drawer::scrollbar::win {

namespace {

// The shortest thumb, in pixels at every scale, so that it stays easy to grab.
constexpr int32_t kMinimumThumb = 11;

int32_t roundDiv(double value) { return static_cast<int32_t>(std::lround(value)); }

bool contains(const RECT& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool isEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

Thin::Thin() : m_arrows(button::win::Thin::take()), m_frame(border::win::Thin::take()) { reset(); }

Thin::~Thin() {
  if (m_arrows != nullptr) m_arrows->release();
  if (m_frame != nullptr) m_frame->release();
}

void Thin::reset() {
  m_style = 1;
  if (m_arrows != nullptr) m_arrows->reset();
  if (m_frame != nullptr) m_frame->reset();
  for (RECT& part : m_parts) part = RECT{0, 0, 0, 0};
  m_thumbColor = 0x787878;
  m_trackColor = 0xFFFFFF;
  m_thickness = 15;
}

void Thin::layOut(int32_t left, int32_t top, int32_t right, int32_t bottom, bool vertical,
                  int32_t range, int32_t page, int32_t position, bool hasCorner) {
  for (RECT& part : m_parts) part = RECT{0, 0, 0, 0};
  // Lengths along the bar, with the cross-axis taken from the rectangle.
  const int32_t start = vertical ? top : left;
  int32_t end = vertical ? bottom : right;
  const int32_t thickness = vertical ? right - left : bottom - top;
  auto span = [&](int32_t from, int32_t to) {
    return vertical ? RECT{left, from, right, to} : RECT{from, top, to, bottom};
  };
  if (hasCorner) {
    m_parts[kCorner] = span(end - thickness, end);
    end -= thickness;
  }
  m_parts[kFirstArrow] = span(start, start + thickness);
  m_parts[kSecondArrow] = span(end - thickness, end);
  if (page >= range) return;
  const int32_t trackStart = start + thickness;
  const int32_t trackEnd = end - thickness;
  const int32_t track = std::max(0, trackEnd - trackStart);
  int32_t thumb = std::max(kMinimumThumb, roundDiv(static_cast<double>(page) * track / range));
  thumb = std::min(thumb, track);
  const int32_t travel = track - thumb;
  const int32_t clamped = std::clamp(position, 0, range - page);
  const int32_t thumbStart =
      trackStart + roundDiv(static_cast<double>(clamped) * travel / (range - page));
  m_parts[kTrackBefore] = span(trackStart, thumbStart);
  m_parts[kThumb] = span(thumbStart, thumbStart + thumb);
  m_parts[kTrackAfter] = span(thumbStart + thumb, trackEnd);
}

int32_t Thin::hitTest(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                      int32_t bottom, int32_t orientation, int32_t range, int32_t page,
                      int32_t position, bool hasCorner) {
  layOut(left, top, right, bottom, orientation == 0, range, page, position, hasCorner);
  for (int32_t part = kFirstArrow; part <= kSecondArrow; ++part) {
    if (contains(m_parts[part], x, y)) return part;
  }
  return -1;
}

int32_t Thin::positionFromDrag(int32_t delta, int32_t startPosition, int32_t left, int32_t top,
                               int32_t right, int32_t bottom, int32_t orientation, int32_t range,
                               int32_t page, int32_t position, bool hasCorner) {
  const bool vertical = orientation == 0;
  layOut(left, top, right, bottom, vertical, range, page, position, hasCorner);
  const int32_t last = std::max(0, range - page);
  const RECT& thumb = m_parts[kThumb];
  const int32_t thumbStart = vertical ? thumb.top : thumb.left;
  const int32_t thumbEnd = vertical ? thumb.bottom : thumb.right;
  const int32_t firstFar = vertical ? m_parts[kFirstArrow].bottom : m_parts[kFirstArrow].right;
  const int32_t secondNear = vertical ? m_parts[kSecondArrow].top : m_parts[kSecondArrow].left;
  if (isEmpty(thumb)) return std::clamp(startPosition, 0, last);
  if (firstFar >= delta + thumbStart) return 0;
  if (secondNear <= delta + thumbEnd) return last;
  // A thumb as long as its track cannot travel: the drag keeps the start position.
  const int32_t travel = (secondNear - firstFar) - (thumbEnd - thumbStart);
  if (travel <= 0) return std::clamp(startPosition, 0, last);
  const int32_t moved =
      startPosition + roundDiv(static_cast<double>(delta) * (range - page) / travel);
  return std::clamp(moved, 0, last);
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                 int32_t orientation, int32_t range, int32_t page, int32_t position, bool hasCorner,
                 int32_t firstArrowState, int32_t thumbState, int32_t secondArrowState,
                 bool customTrack, int32_t red, int32_t green, int32_t blue) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  const bool vertical = orientation == 0;
  const int32_t s = displayScale();
  layOut(left, top, right, bottom, vertical, range, page, position, hasCorner);
  if (hasCorner) {
    if (vertical) {
      bottom = m_parts[kCorner].top;
    } else {
      right = m_parts[kCorner].left;
    }
  }
  if ((m_style == 1 || m_style == 2) && m_frame != nullptr) {
    m_frame->paint(dc, left, top, right, bottom, 2, m_style, redOf(m_thumbColor),
                   greenOf(m_thumbColor), blueOf(m_thumbColor));
  }
  if (m_arrows != nullptr) {
    auto button = [&](const RECT& r, int32_t state, const WCHAR* glyph) {
      if (!isEmpty(r)) {
        m_arrows->paint(dc, r.left, r.top, r.right, r.bottom, state, glyph, true, nullptr, true,
                        false, false);
      }
    };
    button(m_parts[kFirstArrow], firstArrowState, vertical ? u"#Up" : u"#Left");
    button(m_parts[kSecondArrow], secondArrowState, vertical ? u"#Down" : u"#Right");
    const RECT& thumb = m_parts[kThumb];
    button(thumb, thumbState, vertical ? u"#ThumbLineH" : u"#ThumbLineV");
    const int32_t thickness = vertical ? right - left : bottom - top;
    const int32_t length = vertical ? thumb.bottom - thumb.top : thumb.right - thumb.left;
    if (!isEmpty(thumb) && length > 2 * thickness) {
      const int32_t r = redOf(m_thumbColor), g = greenOf(m_thumbColor), b = blueOf(m_thumbColor);
      if (vertical) {
        m_arrows->paintGlyph(dc, thumb.left + 2 * s, thumb.top + 2 * s, thumb.right - 2 * s,
                             thumb.top + thickness - 2 * s, u"#Up", r, g, b);
        m_arrows->paintGlyph(dc, thumb.left + 2 * s, thumb.bottom - thickness + 2 * s,
                             thumb.right - 2 * s, thumb.bottom - 2 * s, u"#Down", r, g, b);
      } else {
        m_arrows->paintGlyph(dc, thumb.left + 2 * s, thumb.top + 2 * s,
                             thumb.left + thickness - 2 * s, thumb.bottom - 2 * s, u"#Left", r, g,
                             b);
        m_arrows->paintGlyph(dc, thumb.right - thickness + 2 * s, thumb.top + 2 * s,
                             thumb.right - 2 * s, thumb.bottom - 2 * s, u"#Right", r, g, b);
      }
    }
  }
  const COLORREF track = customTrack ? packColor(red, green, blue) : m_trackColor;
  const int32_t thickness = vertical ? right - left : bottom - top;
  for (int32_t part : {kTrackBefore, kTrackAfter}) {
    const RECT& r = m_parts[part];
    if (isEmpty(r)) continue;
    if (vertical) {
      fill(dc, left + s, r.top, thickness - 2 * s, r.bottom - r.top, track);
    } else {
      fill(dc, r.left, top + s, r.right - r.left, thickness - 2 * s, track);
    }
  }
}

int32_t Thin::getThickness() { return m_thickness * displayScale(); }

int32_t Thin::setThumbColor(int32_t red, int32_t green, int32_t blue) {
  m_thumbColor = packColor(red, green, blue);
  if (m_arrows != nullptr) m_arrows->setFrameColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setTrackColor(int32_t red, int32_t green, int32_t blue) {
  m_trackColor = packColor(red, green, blue);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::scrollbar::win
