// The BMP option panel: the background group and four bit depths.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/image/boxes/ConfigBox.h"

namespace s::gui::win {
class RadioButton;
}

namespace s::image::gui::boxes {

/// 32, 24, 8 and 4 bits per pixel; the stored depth is checked, none when it is another (16
/// stays 16 through an apply). The 24, 8 and 4 bit choices are disabled while "Keep
/// Transparency" is checked, and a selection among them moves to 32 bits when they are; a
/// checked 32 bit choice that is disabled moves to 24. Pooled (capacity 1000).
class BmpConfigBox final : public ConfigBox {
  S_POOLED_CLASS(BmpConfigBox, u"s_image_gui_boxes_BmpConfigBox")

  static constexpr int32_t kChoices = 4;
  /// The depths of the choices, in the order shown.
  static constexpr int32_t kBits[kChoices] = {32, 24, 8, 4};

  BmpConfigBox() { reset(); }
  ~BmpConfigBox() override { reset(); }
  void reset() override;

  bool apply() override;
  /// The choice of `index` (0 for 32 bits), null before the build.
  s::gui::win::RadioButton* getChoice(int32_t index) const {
    return index >= 0 && index < kChoices ? m_choices[index] : nullptr;
  }

 protected:
  bool prepareBackground(BgGroupBox* background) override;
  s::gui::win::GroupBox* buildFormatGroup() override;
  void onFormatEvent(base::IObject* source) override;

 private:
  s::gui::win::RadioButton* m_choices[kChoices] = {};
};

}  // namespace s::image::gui::boxes
