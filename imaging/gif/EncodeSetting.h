// The options GIF files are saved with.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/EncodeSettingBase.h"

#include <cstdint>

namespace s::image::gif {

/// GIF save options, stored below "\GifEncodeSetting": "KeepTransparency" (true),
/// "WithInterlace" (true; GIFs are always written without interlace, the value is only kept),
/// "BgRed", "BgGreen", "BgBlue" (255 each) and "Bpp" (8). Values are kept as the store holds
/// them; a colour is clamped to 0 to 255 when used, and a bit count outside 1 to 8 makes an image
/// without frames, whose `write` fails. Pooled (capacity 1000); one thread at a time.
class EncodeSetting final : public EncodeSettingBase {
  S_POOLED_CLASS(EncodeSetting, u"s_image_gif_EncodeSetting")

  static constexpr const WCHAR* kSubKey = u"\\GifEncodeSetting";

  EncodeSetting() : EncodeSettingBase(gui::PanelFormat::Gif, kSubKey) { reset(); }
  EncodeSetting(const EncodeSetting&) = delete;
  EncodeSetting& operator=(const EncodeSetting&) = delete;
  void reset() override;

  /// An animated GIF of the set's filtered copy when the set is animated and has more than one
  /// image; otherwise the GIF of its best image.
  IEncodedImage* createFromSet(IBufferedImageSet* set) override;
  IEncodedImage* createEncoded(image::win::BufferedImage* image) override;

  bool getKeepTransparency() const { return m_keepTransparency; }
  void setKeepTransparency(bool keep) { m_keepTransparency = keep; }
  bool getWithInterlace() const { return m_withInterlace; }
  void setWithInterlace(bool interlace) { m_withInterlace = interlace; }
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
  bool m_withInterlace = true;
  int32_t m_bgRed = 255;
  int32_t m_bgGreen = 255;
  int32_t m_bgBlue = 255;
  int32_t m_bpp = 8;
};

}  // namespace s::image::gif
