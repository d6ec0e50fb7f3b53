// The slider: the native track bar, or a skin's slider drawer with its own mouse dragging.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/ISlider.h"
#include "gui/drawer/ISlider.h"
#include "gui/win/SizeRules.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

/// Without a drawer the track bar paints and moves itself, and every WM_HSCROLL it reports is
/// read back: a new position tells the change listeners (event 0). With a drawer the slider
/// paints through it and drags its thumbs itself (a second one in two-thumb mode), telling the
/// listeners once per change of value; keys then move only the control's own position. The
/// Up and Down keys move a page towards the maximum and the minimum. Thumb positions, the hit
/// test and the mouse all count from the minimum; an empty range puts the thumbs at the start.
/// Measured 50 x 20 at scale 1. Pooled (capacity 1000).
class Slider final : public Widget<ISlider, drawer::ISlider> {
  S_POOLED_CLASS(Slider, u"s_gui_win_Slider", kSliderClass.poolCapacity)

  Slider() : Widget(kSliderClass) { reset(); }
  ~Slider() override { reset(); }
  void reset() override;

  // IComponent
  int32_t getMinimumWidth() override { return m_sizes.minimumWidth(Widget::getMinimumWidth()); }
  int32_t getMinimumHeight() override { return m_sizes.minimumHeight(Widget::getMinimumHeight()); }
  int32_t getMaximumWidth() override {
    return m_sizes.maximumWidth(getParent(), Widget::getMinimumWidth());
  }
  int32_t getMaximumHeight() override {
    return m_sizes.maximumHeight(getParent(), Widget::getMinimumHeight());
  }

  // ISlider
  void setWidthPercent(int32_t percent) override { m_sizes.widthPercent = percent; }
  void setHeightPercent(int32_t percent) override { m_sizes.heightPercent = percent; }
  void setFixedWidth(int32_t width) override { m_sizes.fixedWidth = width; }
  void setFixedHeight(int32_t height) override { m_sizes.fixedHeight = height; }
  void setThumbLength(int32_t length) override;
  void setRange(int32_t minimum, int32_t maximum) override;
  int32_t getPosition() override { return m_position; }
  void setPosition(int32_t position) override;
  void setTickFrequency(int32_t frequency) override;
  void setTicksVisible(bool on) override;
  void addChangeListener(events::IEventListener* listener) override;
  void setDrawer(drawer::ISlider* drawer, bool owned) override { Widget::setDrawer(drawer, owned); }
  void setShowFill(bool on) override;
  void setFillFrom(int32_t value) override { m_fillFrom = value; }
  void setTwoThumbs(bool on) override { m_twoThumbs = on; }
  int32_t getSecondValue() override { return m_secondValue; }
  void setSecondValue(int32_t value) override;
  void setGradient(int32_t type, int32_t firstColor, int32_t secondColor) override;

  int32_t getRangeMinimum() const { return m_minimum; }
  int32_t getRangeMaximum() const { return m_maximum; }
  bool isDragging() const { return m_dragging; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;
  void postWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  /// The value under a point along a channel from `channelStart` to `channelEnd`: rounded,
  /// from the minimum; a channel of no length gives the minimum.
  static int32_t valueAt(int32_t minimum, int32_t maximum, int32_t point, int32_t channelStart,
                         int32_t channelEnd);
  /// Where a thumb of a two-thumb slider `width` pixels wide starts: (width - 10) x (value -
  /// minimum) / span, at 0 when the span is empty.
  static int32_t thumbStart(int32_t width, int32_t minimum, int32_t maximum, int32_t value);

 protected:
  drawer::ISlider* drawerOfSkin(drawer::ISkin* skin) override;
  void onLanguageChanged() override {}
  void applyText() override {}
  void applySettings() override;
  void measure() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;

 private:
  int32_t clampPosition(int64_t value) const;
  int32_t clampSecond(int64_t value) const;
  /// The user's moves: stored and told when they change the value.
  bool setPositionNotifying(int32_t value);
  bool setSecondNotifying(int32_t value);
  /// Drawer mode: the mouse at a client point sets the dragged thumb; whether the value changed.
  bool followMouse(int32_t x, int32_t y);
  void postThumbTrack();
  void readBack();
  bool pressWithDrawer(LPARAM lParam);

  SizeRules m_sizes;
  int32_t m_thumbLength = -1;
  bool m_ticksVisible = true;
  int32_t m_paintedMinimum = -1;
  int32_t m_paintedMaximum = -1;
  int32_t m_paintedPosition = -1;
  int32_t m_minimum = 0;
  int32_t m_maximum = 100;
  int32_t m_position = 0;
  int32_t m_tickFrequency = 10;
  col::_array::ArrayP m_changeListeners;
  bool m_dragging = false;
  bool m_moved = false;
  bool m_showFill = false;
  int32_t m_fillFrom = 0;
  bool m_twoThumbs = false;
  int32_t m_dragMode = 0;
  int32_t m_secondValue = 0;
  int32_t m_gradientType = 0;
  int32_t m_firstColor = 0;
  int32_t m_secondColor = 0;
};

/// A slider of 0 to 100 at 100 with a tick frequency of 10, ticks hidden and no fill; a width or
/// height percent of 0 or more (truncated) is applied.
Slider* makeSlider(double widthPercent, double heightPercent);

}  // namespace s::gui::win
