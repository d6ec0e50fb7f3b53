// The basic counter drawer: a graph of one or two sample histories.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/counter/IBasic.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace s::gui::drawer::counter::win {

/// Graphs the newest samples of one or two histories, newest at the right, one per pixel column:
/// kind 0 bars from the bottom, kind 1 a level bar of the newest sample, kind 2 bars centred
/// vertically. Transparent until a background colour is set; the first and second colours are
/// 0xFFFFFFFF until set (their channel getters answer 255). Each history is read under its own
/// lock, the first released before the second is taken. A history whose maximum does not lie
/// above its minimum draws nothing. Pooled (capacity 1000); paints on the caller's thread.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_counter_win_Basic")

  Basic() = default;
  void reset() override;

  int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getFirstRed() override;
  int32_t getFirstGreen() override;
  int32_t getFirstBlue() override;
  int32_t setFirstColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getSecondRed() override;
  int32_t getSecondGreen() override;
  int32_t getSecondBlue() override;
  int32_t setSecondColor(int32_t red, int32_t green, int32_t blue) override;
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t kind,
             IHistory* first, IHistory* second, bool swapColors) override;

  bool isTransparent() const { return m_transparent; }
  COLORREF getBackgroundColor() const { return m_background; }

 private:
  /// Draws one history under its lock, held by the caller. `largest` carries the first
  /// history's largest shown sample, when it scaled to it, over to the second; `firstShown` the
  /// first history's shown samples by column, newest first, for the second's small marks.
  void paintHistory(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t kind,
                    IHistory* history, COLORREF color, bool isSecond,
                    std::optional<double>& largest, std::vector<double>& firstShown);

  bool m_transparent = true;
  COLORREF m_background = 0xFFFFFFFF;
  COLORREF m_first = 0xFFFFFFFF;
  COLORREF m_second = 0xFFFFFFFF;
};

}  // namespace s::gui::drawer::counter::win
