// The thin scroll-bar drawer: arrows, track and thumb, and where a point or a drag lands.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/scrollbar/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border::win {
class Thin;
}
namespace s::gui::drawer::button::win {
class Thin;
}

namespace s::gui::drawer::scrollbar::win {

/// Recomputes its geometry (first arrow, track before the thumb, thumb, track after it, second
/// arrow, corner) at every call from the bar's rectangle, orientation (0 vertical), range, page,
/// position and corner. Owns a button drawer for arrows and thumb and a border drawer for its
/// frame. The thickness is kept in unscaled pixels and answered times the display scale. Pooled
/// (capacity 1000); skins own the drawers they build. The geometry is scratch space, so one
/// drawer must not paint on two threads at once.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_scrollbar_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  int32_t hitTest(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  int32_t orientation, int32_t range, int32_t page, int32_t position,
                  bool hasCorner) override;
  int32_t positionFromDrag(int32_t delta, int32_t startPosition, int32_t left, int32_t top,
                           int32_t right, int32_t bottom, int32_t orientation, int32_t range,
                           int32_t page, int32_t position, bool hasCorner) override;
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t orientation,
             int32_t range, int32_t page, int32_t position, bool hasCorner, int32_t firstArrowState,
             int32_t thumbState, int32_t secondArrowState, bool customTrack, int32_t red,
             int32_t green, int32_t blue) override;
  int32_t getThickness() override;
  void setThickness(int32_t thickness) override { m_thickness = thickness; }
  int32_t setThumbColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setTrackColor(int32_t red, int32_t green, int32_t blue) override;

  enum Part { kFirstArrow, kTrackBefore, kThumb, kTrackAfter, kSecondArrow, kCorner, kParts };
  /// Part `part` of the geometry the last call computed.
  const RECT& getPart(int32_t part) const { return m_parts[part]; }
  COLORREF getThumbColor() const { return m_thumbColor; }
  COLORREF getTrackColor() const { return m_trackColor; }
  button::win::Thin* getArrowDrawer() const { return m_arrows; }

 private:
  void layOut(int32_t left, int32_t top, int32_t right, int32_t bottom, bool vertical,
              int32_t range, int32_t page, int32_t position, bool hasCorner);

  int32_t m_style = 1;
  button::win::Thin* m_arrows = nullptr;
  border::win::Thin* m_frame = nullptr;
  RECT m_parts[kParts]{};
  COLORREF m_thumbColor = 0x787878;
  COLORREF m_trackColor = 0xFFFFFF;
  int32_t m_thickness = 15;
};

}  // namespace s::gui::drawer::scrollbar::win
