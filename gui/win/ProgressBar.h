// The progress bar: the native progress control with its range and position kept by the widget.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IProgressBar.h"
#include "gui/drawer/IDrawer.h"
#include "gui/win/Widget.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>

namespace s::gui::win {

inline constexpr WidgetClass kProgressBarClass{PROGRESS_CLASSW, WS_CHILD, 1007, 0, 1000};

/// The system progress control, always painted natively. The range (0 to 100 at first) and the
/// position are stored and sent to the control once it exists; `setRange` and `setPosition`
/// send synchronously, so a worker thread calling them waits for the bar's UI thread (and gives
/// up at once when that thread has ended). Sizes: a fixed size wins, else a percent of the
/// parent's content for the maximum; the measured size is 0. Pooled (capacity 1000).
class ProgressBar final : public Widget<IProgressBar, drawer::IDrawer> {
  S_POOLED_CLASS(ProgressBar, u"s_gui_win_ProgressBar", kProgressBarClass.poolCapacity)

  ProgressBar() : Widget(kProgressBarClass) { reset(); }
  void reset() override;

  // IComponent
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;

  // IProgressBar
  void setWidthPercent(int32_t percent) override { m_widthPercent = percent; }
  void setHeightPercent(int32_t percent) override { m_heightPercent = percent; }
  void setFixedWidth(int32_t width) override { m_fixedWidth = width; }
  void setFixedHeight(int32_t height) override { m_fixedHeight = height; }
  void setRange(int32_t minimum, int32_t maximum) override;
  void setPosition(int32_t position) override;

  int32_t getRangeMinimum() const { return m_minimum; }
  int32_t getRangeMaximum() const { return m_maximum; }
  int32_t getPosition() const { return m_position; }

 protected:
  void applyText() override {}
  void applySettings() override;
  bool answersColorMessage() override { return false; }
  bool erasesItself() override { return false; }

 private:
  int32_t m_minimumWidth = 0;
  int32_t m_minimumHeight = 0;
  int32_t m_widthPercent = -1;
  int32_t m_heightPercent = -1;
  int32_t m_fixedWidth = -1;
  int32_t m_fixedHeight = -1;
  std::atomic<int32_t> m_minimum{0};
  std::atomic<int32_t> m_maximum{100};
  std::atomic<int32_t> m_position{0};
};

}  // namespace s::gui::win
