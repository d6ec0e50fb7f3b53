// The spacer: an empty child window of fixed or relative size that only takes room in a layout.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/ISpacer.h"
#include "gui/drawer/IDrawer.h"
#include "gui/win/Widget.h"

#include <cstdint>

namespace s::gui::win {

inline constexpr WidgetClass kSpacerClass{kWindowClassName, WS_CHILD, 0, 0, 1000};

/// A child window of the library class that fills itself with its background (its parent's by
/// default). A new spacer is 1 x 1 pixels fixed and horizontal. Across its box's direction it
/// asks for no room at all: a vertical spacer in a row, a horizontal one in a column. Children
/// given to it (`WM_APP+2`, wParam the component) are attached on its UI thread. Pooled
/// (capacity 1000).
class Spacer final : public Widget<ISpacer, drawer::IDrawer> {
  S_POOLED_CLASS(Spacer, u"s_gui_win_Spacer", kSpacerClass.poolCapacity)

  static constexpr UINT kAddChildMessage = WM_APP + 2;

  Spacer() : Widget(kSpacerClass) { reset(); }
  void reset() override;

  // IComponent
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;

  // ISpacer
  void setHorizontal() override { orient(0); }
  void setVertical() override { orient(1); }
  void setWidthPercent(int32_t percent) override;
  void setHeightPercent(int32_t percent) override;
  void setFixedWidth(int32_t width) override { m_fixedWidth = width; }
  void setFixedHeight(int32_t height) override { m_fixedHeight = height; }

  /// 0 horizontal, 1 vertical.
  int32_t getOrientation() const { return m_orientation; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void applyText() override {}
  bool paintsWithDrawer() override { return true; }

 private:
  void orient(int32_t orientation);
  /// True when the parent is a box laid out along `arrangement` (0 a row, 1 a column).
  bool inBoxArranged(int32_t arrangement);

  int32_t m_minimumWidth = 0;
  int32_t m_minimumHeight = 0;
  int32_t m_widthPercent = -1;
  int32_t m_heightPercent = -1;
  int32_t m_fixedWidth = 1;
  int32_t m_fixedHeight = 1;
  int32_t m_orientation = 0;
};

}  // namespace s::gui::win
