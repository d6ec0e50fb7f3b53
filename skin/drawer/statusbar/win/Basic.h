// The basic status-bar drawer: the bar's background of older systems and its size grip.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/statusbar/IBasic.h"
#include "skin/drawer/statusbar/win/BasicResizer.h"

#include <windows.h>

namespace s::gui::drawer::statusbar::win {

/// A bar 23 s high. With paint background on, systems before Windows 6.0 get their gradient with
/// shaded top corners (later systems draw none, whatever the switch says); with show grip on, the
/// embedded resizer draws the grip's dots. Both switches are off after reset. Pooled (capacity
/// 1000); the status bar widget takes one as its default drawer.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_statusbar_win_Basic")

  Basic() = default;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  int32_t getHeight() override;
  void setShowGrip(bool on) override { m_showGrip = on; }
  void setPaintBackground(bool on) override { m_paintBackground = on; }

  bool isShowGrip() const { return m_showGrip; }
  bool isPaintBackground() const { return m_paintBackground; }

 private:
  BasicResizer m_resizer;
  bool m_showGrip = false;
  bool m_paintBackground = false;
};

}  // namespace s::gui::drawer::statusbar::win
