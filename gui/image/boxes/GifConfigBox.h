// The GIF option panel: the background group and two bit depths.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/image/boxes/ConfigBox.h"

namespace s::gui::win {
class RadioButton;
}

namespace s::image::gui::boxes {

/// 8 bits per pixel, checked when the stored depth is 8, else 4; an apply stores 4 when that is
/// checked and 8 otherwise. Pooled (capacity 1000).
class GifConfigBox final : public ConfigBox {
  S_POOLED_CLASS(GifConfigBox, u"s_image_gui_boxes_GifConfigBox")

  GifConfigBox() { reset(); }
  ~GifConfigBox() override { reset(); }
  void reset() override;

  bool apply() override;
  s::gui::win::RadioButton* getEightBitChoice() const { return m_eight; }
  s::gui::win::RadioButton* getFourBitChoice() const { return m_four; }

 protected:
  bool prepareBackground(BgGroupBox* background) override;
  s::gui::win::GroupBox* buildFormatGroup() override;

 private:
  s::gui::win::RadioButton* m_eight = nullptr;
  s::gui::win::RadioButton* m_four = nullptr;
};

}  // namespace s::image::gui::boxes
