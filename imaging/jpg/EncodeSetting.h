// The options JPEG files are saved with.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/EncodeSettingBase.h"

#include <cstdint>

namespace s::image::jpg {

/// JPEG save options, stored below "\JpgEncodeSetting": "Quality" (75) and "BgRed", "BgGreen",
/// "BgBlue" (255 each), the colour transparent pixels are flattened on. Values are kept as the
/// store holds them; a colour is clamped to 0 to 255 and the quality to 0 to 100 when used.
/// Pooled (capacity 1000); one thread at a time.
class EncodeSetting final : public EncodeSettingBase {
  S_POOLED_CLASS(EncodeSetting, u"s_image_jpg_EncodeSetting")

  static constexpr const WCHAR* kSubKey = u"\\JpgEncodeSetting";

  EncodeSetting() : EncodeSettingBase(gui::PanelFormat::Jpg, kSubKey) { reset(); }
  EncodeSetting(const EncodeSetting&) = delete;
  EncodeSetting& operator=(const EncodeSetting&) = delete;
  void reset() override;

  IEncodedImage* createEncoded(image::win::BufferedImage* image) override;
  /// The panel's colour row (0x00RRGGBB) and quality slider taken over and saved; true, also
  /// without a panel (then nothing changes).
  bool applyPanel() override;

  int32_t getQuality() const { return m_quality; }
  void setQuality(int32_t quality) { m_quality = quality; }
  int32_t getBgRed() const { return m_bgRed; }
  void setBgRed(int32_t value) { m_bgRed = value; }
  int32_t getBgGreen() const { return m_bgGreen; }
  void setBgGreen(int32_t value) { m_bgGreen = value; }
  int32_t getBgBlue() const { return m_bgBlue; }
  void setBgBlue(int32_t value) { m_bgBlue = value; }

 protected:
  void loadValues(map::IMappedData* store, const WCHAR* section) override;
  void saveValues(map::IMappedData* store, const WCHAR* section) override;

 private:
  int32_t m_quality = 75;
  int32_t m_bgRed = 255;
  int32_t m_bgGreen = 255;
  int32_t m_bgBlue = 255;
};

}  // namespace s::image::jpg
