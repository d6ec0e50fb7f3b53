// The options BMP files are saved with.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/EncodeSettingBase.h"

#include <cstdint>

namespace s::image::bmp {

/// BMP save options, stored below "\BmpEncodeSetting": "KeepTransparency" (true), "BgRed",
/// "BgGreen", "BgBlue" (255 each) and "Bpp" (24). Values are kept as the store holds them; a
/// colour is clamped to 0 to 255 when used, and a bit count other than 4, 8, 16, 24 or 32 makes
/// an image whose `write` fails. Pooled (capacity 1000); one thread at a time.
class EncodeSetting final : public EncodeSettingBase {
  S_POOLED_CLASS(EncodeSetting, u"s_image_bmp_EncodeSetting")

  static constexpr const WCHAR* kSubKey = u"\\BmpEncodeSetting";

  EncodeSetting() : EncodeSettingBase(gui::PanelFormat::Bmp, kSubKey) { reset(); }
  EncodeSetting(const EncodeSetting&) = delete;
  EncodeSetting& operator=(const EncodeSetting&) = delete;
  void reset() override;

  IEncodedImage* createEncoded(image::win::BufferedImage* image) override;

  bool getKeepTransparency() const { return m_keepTransparency; }
  void setKeepTransparency(bool keep) { m_keepTransparency = keep; }
  int32_t getBgRed() const { return m_bgRed; }
  void setBgRed(int32_t value) { m_bgRed = value; }
  int32_t getBgGreen() const { return m_bgGreen; }
  void setBgGreen(int32_t value) { m_bgGreen = value; }
  int32_t getBgBlue() const { return m_bgBlue; }
  void setBgBlue(int32_t value) { m_bgBlue = value; }
  int32_t getBpp() const { return m_bpp; }
  void setBpp(int32_t bpp) { m_bpp = bpp; }

 protected:
  void loadValues(map::IMappedData* store, const WCHAR* section) override;
  void saveValues(map::IMappedData* store, const WCHAR* section) override;

 private:
  bool m_keepTransparency = true;
  int32_t m_bgRed = 255;
  int32_t m_bgGreen = 255;
  int32_t m_bgBlue = 255;
  int32_t m_bpp = 24;
};

}  // namespace s::image::bmp
