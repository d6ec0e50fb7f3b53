// The toolkit's colour dialog over the framework's.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/dialogs/IColorPicker.h"

namespace s::gui::dialogs::win {

/// Pooled; reset makes the chosen and the current colour white and leaves the channels of the
/// last choice. One thread at a time.
class ColorPicker final : public IColorPicker {
  S_POOLED_CLASS(ColorPicker, u"s_gui_dialogs_win_ColorPicker")

  ColorPicker() = default;
  void reset() override;

  bool run(IComponent* owner) override;
  int32_t getColor() override { return m_color; }
  int32_t getRed() override { return m_red; }
  int32_t getGreen() override { return m_green; }
  int32_t getBlue() override { return m_blue; }
  void setColor(int32_t red, int32_t green, int32_t blue) override;

  /// 0xRRGGBB to the system's 0x00BBGGRR and back.
  static uint32_t toColorRef(int32_t rgb);
  static int32_t fromColorRef(uint32_t colorRef);

 private:
  int32_t m_color = 0xFFFFFF;
  int32_t m_red = 0;
  int32_t m_green = 0;
  int32_t m_blue = 0;
  int32_t m_current = 0xFFFFFF;
};

}  // namespace s::gui::dialogs::win
