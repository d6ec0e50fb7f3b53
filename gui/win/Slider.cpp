// The slider's stored values, its two ways of moving (the track bar's own, or the drawer mode's
// dragging) and its painting through the drawer.
#include "gui/win/Slider.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ISkin.h"
#include "gui/win/ChildWindow.h"

#include <windows.h>
#include <afxcmn.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace s::gui::win {
namespace {

// The thumb width the two-thumb hit test counts with, in pixels at every scale.
constexpr int32_t kHitThumbWidth = 10;

int32_t clampInto(int64_t value, int32_t minimum, int32_t maximum) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::min(minimum, maximum), std::max(minimum, maximum)));
}

}  // namespace

void Slider::reset() {
  resetWidget();
  setBackgroundColor(255, 255, 255, false);
  useParentBackground(false);
  m_sizes.reset();
  m_thumbLength = -1;
  m_ticksVisible = true;
  m_paintedMinimum = m_paintedMaximum = m_paintedPosition = -1;
  m_minimum = 0;
  m_maximum = 100;
  m_position = 0;
  m_tickFrequency = 10;
  m_changeListeners.clear();
  m_dragging = m_moved = false;
  m_showFill = false;
  m_fillFrom = 0;
  m_twoThumbs = false;
  m_dragMode = 0;
  m_secondValue = 0;
  m_gradientType = m_firstColor = m_secondColor = 0;
}

drawer::ISlider* Slider::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getSliderDrawer() : nullptr;
}

void Slider::measure() {
  const auto s = static_cast<int32_t>(app::appHooks().getDisplayScale());
  setMeasuredSize(50 * s, 20 * s);
  m_sizes.idealWidth = 50 * s;
  m_sizes.idealHeight = 20 * s;
}

void Slider::applySettings() {
  ModifyStyle(m_ticksVisible ? TBS_NOTICKS : TBS_AUTOTICKS,
              m_ticksVisible ? TBS_AUTOTICKS : TBS_NOTICKS);
  ::SendMessageW(handle(), TBM_SETRANGEMIN, FALSE, m_minimum);
  ::SendMessageW(handle(), TBM_SETRANGEMAX, TRUE, m_maximum);
  ::SendMessageW(handle(), TBM_SETPOS, TRUE, m_position);
  ::SendMessageW(handle(), TBM_SETTICFREQ, static_cast<WPARAM>(m_tickFrequency), 0);
  ::SendMessageW(handle(), TBM_SETPAGESIZE, 0, 10 * m_tickFrequency);
  ::SendMessageW(handle(), TBM_SETLINESIZE, 0, m_tickFrequency);
  if (m_thumbLength > 0) {
    ModifyStyle(0, TBS_FIXEDLENGTH);
    ::SendMessageW(handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(m_thumbLength), 0);
  }
}

void Slider::setThumbLength(int32_t length) {
  m_thumbLength = length;
  if (handle() != nullptr) {
    ModifyStyle(0, TBS_FIXEDLENGTH);
    ::SendMessageW(handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(length), 0);
    measureAndRelayout();
  }
}

// The stored values follow the control into the new range, so `getPosition` never answers a
// value the slider cannot show.
void Slider::setRange(int32_t minimum, int32_t maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  m_position = clampInto(m_position, minimum, maximum);
  m_secondValue = clampInto(m_secondValue, minimum, maximum);
  if (handle() != nullptr) {
    ::SendMessageW(handle(), TBM_SETRANGEMIN, FALSE, minimum);
    ::SendMessageW(handle(), TBM_SETRANGEMAX, TRUE, maximum);
  }
}

// With two thumbs the position keeps below the second value and the second value above the
// position; where the other thumb leaves no room, the range still holds, so no thumb is ever
// placed outside the control.
int32_t Slider::clampPosition(int64_t value) const {
  int64_t v = clampInto(value, m_minimum, m_maximum);
  if (m_twoThumbs) {
    v = std::min<int64_t>(v, static_cast<int64_t>(m_secondValue) - 1);
  }
  return clampInto(v, m_minimum, m_maximum);
}

int32_t Slider::clampSecond(int64_t value) const {
  int64_t v = clampInto(value, m_minimum, m_maximum);
  if (m_twoThumbs) {
    v = std::max<int64_t>(v, static_cast<int64_t>(m_position) + 1);
  }
  return clampInto(v, m_minimum, m_maximum);
}

void Slider::setPosition(int32_t position) {
  m_position = clampPosition(position);
  if (handle() != nullptr) {
    ::SendMessageW(handle(), TBM_SETPOS, TRUE, m_position);
  }
}

void Slider::setSecondValue(int32_t value) {
  const int32_t v = clampSecond(value);
  if (v != m_secondValue) {
    m_secondValue = v;
    if (getDrawer() != nullptr) {
      repaint();
    }
  }
}

void Slider::setTickFrequency(int32_t frequency) {
  m_tickFrequency = frequency;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0);
    ::SendMessageW(handle(), TBM_SETPAGESIZE, 0, 10 * frequency);
    ::SendMessageW(handle(), TBM_SETLINESIZE, 0, frequency);
  }
}

void Slider::setTicksVisible(bool on) {
  m_ticksVisible = on;
  if (handle() != nullptr) {
    ModifyStyle(on ? TBS_NOTICKS : TBS_AUTOTICKS, on ? TBS_AUTOTICKS : TBS_NOTICKS);
  }
}

void Slider::addChangeListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_changeListeners.push(listener);
  }
}

void Slider::setShowFill(bool on) {
  if (on == m_showFill) {
    return;
  }
  m_showFill = on;
  repaint();
}

void Slider::setGradient(int32_t type, int32_t firstColor, int32_t secondColor) {
  m_gradientType = type;
  m_firstColor = firstColor;
  m_secondColor = secondColor;
  repaint();
}

bool Slider::setPositionNotifying(int32_t value) {
  const int32_t v = clampPosition(value);
  const bool changed = v != m_position;
  if (changed) {
    m_position = v;
    notifyListeners(m_changeListeners, this, 0);
  }
  if (handle() != nullptr) {
    ::SendMessageW(handle(), TBM_SETPOS, TRUE, v);
  }
  return changed;
}

bool Slider::setSecondNotifying(int32_t value) {
  const int32_t v = clampSecond(value);
  if (v == m_secondValue) {
    return false;
  }
  m_secondValue = v;
  notifyListeners(m_changeListeners, this, 0);
  repaint();
  return true;
}

int32_t Slider::valueAt(int32_t minimum, int32_t maximum, int32_t point, int32_t channelStart,
                        int32_t channelEnd) {
  if (channelEnd == channelStart) {
    return minimum;
  }
  const double span = static_cast<double>(maximum) - minimum;
  const double v = std::round(span * (static_cast<double>(point) - channelStart) /
                                  (static_cast<double>(channelEnd) - channelStart) +
                              minimum);
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

int32_t Slider::thumbStart(int32_t width, int32_t minimum, int32_t maximum, int32_t value) {
  const int64_t span = static_cast<int64_t>(maximum) - minimum;
  if (span <= 0) {
    return 0;
  }
  return static_cast<int32_t>((static_cast<int64_t>(width) - kHitThumbWidth) *
                              (static_cast<int64_t>(value) - minimum) / span);
}

bool Slider::followMouse(int32_t x, int32_t y) {
  RECT channel{0, 0, 0, 0};
  ::SendMessageW(handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const bool vertical = (GetStyle() & TBS_VERT) != 0;
  const int32_t v = vertical ? valueAt(m_minimum, m_maximum, y, channel.top, channel.bottom)
                             : valueAt(m_minimum, m_maximum, x, channel.left, channel.right);
  if (m_dragMode == 1) {
    return setSecondNotifying(v);
  }
  if (v == static_cast<int32_t>(::SendMessageW(handle(), TBM_GETPOS, 0, 0))) {
    return false;
  }
  return setPositionNotifying(v);
}

void Slider::postThumbTrack() {
  HWND parent = ::GetParent(handle());
  if (parent != nullptr) {
    ::PostMessageW(parent, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(m_position)),
                   reinterpret_cast<LPARAM>(handle()));
  }
}

void Slider::readBack() {
  const auto pos = static_cast<int32_t>(::SendMessageW(handle(), TBM_GETPOS, 0, 0));
  if (pos != m_position) {
    m_position = pos;
    notifyListeners(m_changeListeners, this, 0);
  }
}

// A press with a drawer: with two thumbs it picks the thumb under the pointer, and a press beside
// both is swallowed; whether it was.
bool Slider::pressWithDrawer(LPARAM lParam) {
  const int32_t x = GET_X_LPARAM(lParam);
  const int32_t y = GET_Y_LPARAM(lParam);
  if (m_twoThumbs) {
    const int32_t first = thumbStart(getWidth(), m_minimum, m_maximum, m_position);
    const int32_t second = thumbStart(getWidth(), m_minimum, m_maximum, m_secondValue);
    if (x >= first && x <= first + kHitThumbWidth) {
      m_dragMode = 0;
    } else if (x >= second && x <= second + kHitThumbWidth) {
      m_dragMode = 1;
    } else {
      return true;
    }
  } else {
    m_dragMode = 0;
  }
  ::SetCapture(handle());
  ::SetFocus(handle());
  m_dragging = true;
  m_moved = false;
  if (followMouse(x, y) && m_dragMode == 0) {
    postThumbTrack();
  }
  return false;
}

bool Slider::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool drawn = getDrawer() != nullptr;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        *result = CWnd::WindowProc(message, wParam == VK_UP ? VK_NEXT : VK_PRIOR, lParam);
        return true;
      }
      return false;
    case WM_HSCROLL:
      if (!drawn) {
        return false;
      }
      *result = 1;
      return true;
    case WM_LBUTTONDOWN:
      if (!drawn) {
        return false;
      }
      if (pressWithDrawer(lParam)) {
        *result = 0;
        return true;
      }
      return false;
    case WM_MOUSEMOVE:
      if (drawn && m_dragging && followMouse(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        m_moved = true;
        if (m_dragMode == 0) {
          postThumbTrack();
        }
      }
      return false;
    case WM_LBUTTONUP:
      if (drawn && m_dragging) {
        m_dragging = false;
        ::ReleaseCapture();
      }
      return false;
    case WM_MOUSEWHEEL: {
      if (!drawn) {
        return false;
      }
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (containsScreenPoint(p.x, p.y)) {
        CWnd::WindowProc(message, wParam, lParam);
        readBack();
      } else if (getWindow() != nullptr && getWindow()->getHandle() != nullptr) {
        ::SendMessageW(getWindow()->getHandle(), WM_MOUSEWHEEL, wParam, lParam);
      }
      *result = 0;
      return true;
    }
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

void Slider::postWindowProc(LRESULT* /*result*/, UINT message, WPARAM /*wParam*/,
                            LPARAM /*lParam*/) {
  if (message == WM_HSCROLL && getDrawer() == nullptr && handle() != nullptr) {
    readBack();
  }
}

void Slider::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  if (m_minimum != m_paintedMinimum || m_maximum != m_paintedMaximum ||
      m_position != m_paintedPosition) {
    m_paintedMinimum = m_minimum;
    m_paintedMaximum = m_maximum;
    m_paintedPosition = m_position;
    ::InvalidateRect(handle(), nullptr, FALSE);
  }
  getDrawer()->paint(dc, 0, 0, width, height, m_minimum, m_maximum, m_position, m_showFill,
                     m_fillFrom, isEnabled(), m_twoThumbs, m_secondValue, m_gradientType,
                     m_firstColor, m_secondColor);
}

Slider* makeSlider(double widthPercent, double heightPercent) {
  Slider* slider = Slider::take();
  slider->setRange(0, 100);
  slider->setPosition(100);
  slider->setTickFrequency(10);
  slider->setTicksVisible(false);
  slider->setShowFill(false);
  if (widthPercent >= 0) {
    slider->setWidthPercent(static_cast<int32_t>(widthPercent));
  }
  if (heightPercent >= 0) {
    slider->setHeightPercent(static_cast<int32_t>(heightPercent));
  }
  return slider;
}

}  // namespace s::gui::win
