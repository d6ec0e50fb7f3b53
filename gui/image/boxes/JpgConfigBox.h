// The JPEG option panel: the background colour and the quality, typed or slid.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/image/boxes/ConfigBox.h"

namespace s::gui::win {
class Slider;
class TextField;
}  // namespace s::gui::win

namespace s::image::gui::boxes {

/// A JPEG keeps no transparency: "Fill Color" is checked and "Keep Transparency" disabled. The
/// quality field and the 0 to 100 slider follow each other: a slide rewrites the field, and a
/// typed text of one to three digits of at most 100 moves the slider; other texts leave it.
/// The JPEG setting reads the colour and the slider itself when it applies. Pooled (capacity
/// 1000).
class JpgConfigBox final : public ConfigBox {
  S_POOLED_CLASS(JpgConfigBox, u"s_image_gui_boxes_JpgConfigBox")

  JpgConfigBox() { reset(); }
  ~JpgConfigBox() override { reset(); }
  void reset() override;

  /// The JPEG setting's own apply.
  bool apply() override;
  /// The slider's position; the setting's quality before the build, 75 without a setting.
  int32_t getQuality() const;
  s::gui::win::TextField* getQualityField() const { return m_field; }
  s::gui::win::Slider* getQualitySlider() const { return m_slider; }

  /// The quality a text of one to three decimal digits gives, at most 100; -1 for any other.
  static int32_t parseQuality(const WCHAR* text);

 protected:
  bool prepareBackground(BgGroupBox* background) override;
  s::gui::win::GroupBox* buildFormatGroup() override;
  void onFormatEvent(base::IObject* source) override;

 private:
  s::gui::win::TextField* m_field = nullptr;
  s::gui::win::Slider* m_slider = nullptr;
  bool m_syncing = false;
};

}  // namespace s::image::gui::boxes
