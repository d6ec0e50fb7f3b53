// The PNG option panel: the background group and interlacing.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/image/boxes/ConfigBox.h"

namespace s::gui::win {
class CheckBox;
}

namespace s::image::gui::boxes {

/// The "Enable Interlacing" check box, checked as the setting interlaces. Pooled (capacity
/// 1000).
class PngConfigBox final : public ConfigBox {
  S_POOLED_CLASS(PngConfigBox, u"s_image_gui_boxes_PngConfigBox")

  PngConfigBox() { reset(); }
  ~PngConfigBox() override { reset(); }
  void reset() override;

  bool apply() override;
  s::gui::win::CheckBox* getInterlaceBox() const { return m_interlace; }

 protected:
  bool prepareBackground(BgGroupBox* background) override;
  s::gui::win::GroupBox* buildFormatGroup() override;

 private:
  s::gui::win::CheckBox* m_interlace = nullptr;
};

}  // namespace s::image::gui::boxes
