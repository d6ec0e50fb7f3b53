// The options BMP files are saved with.
#include "imaging/bmp/EncodeSetting.h"

#include "core/map/IMappedData.h"
#include "imaging/bmp/win/Bitmap.h"

namespace s::image::bmp {

void EncodeSetting::reset() {
  resetLink();
  m_keepTransparency = true;
  m_bgRed = m_bgGreen = m_bgBlue = 255;
  m_bpp = 24;
}

IEncodedImage* EncodeSetting::createEncoded(image::win::BufferedImage* image) {
  image::win::BufferedImage* source = encodeSource(image);
  if (source == nullptr) {
    return nullptr;
  }
  win::Bitmap* bitmap = win::Bitmap::take();
  if (bitmap != nullptr) {
    bitmap->createFrom(source, m_bpp, m_keepTransparency, colorChannel(m_bgRed),
                       colorChannel(m_bgGreen), colorChannel(m_bgBlue));
  }
  return bitmap;
}

void EncodeSetting::loadValues(map::IMappedData* store, const WCHAR* section) {
  m_keepTransparency = store->getBool(section, u"KeepTransparency", true);
  m_bgRed = store->getInt32(section, u"BgRed", 255);
  m_bgGreen = store->getInt32(section, u"BgGreen", 255);
  m_bgBlue = store->getInt32(section, u"BgBlue", 255);
  m_bpp = store->getInt32(section, u"Bpp", 24);
}

void EncodeSetting::saveValues(map::IMappedData* store, const WCHAR* section) {
  store->setBool(section, u"KeepTransparency", m_keepTransparency);
  store->setInt32(section, u"BgRed", m_bgRed);
  store->setInt32(section, u"BgGreen", m_bgGreen);
  store->setInt32(section, u"BgBlue", m_bgBlue);
  store->setInt32(section, u"Bpp", m_bpp);
}

}  // namespace s::image::bmp
