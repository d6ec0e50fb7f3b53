// The options PNG files are saved with.
#include "imaging/png/EncodeSetting.h"

#include "core/map/IMappedData.h"
#include "imaging/png/win/Png.h"

namespace s::image::png {

void EncodeSetting::reset() {
  resetLink();
  m_keepTransparency = true;
  m_withInterlace = true;
  m_bgRed = m_bgGreen = m_bgBlue = 255;
}

IEncodedImage* EncodeSetting::createEncoded(image::win::BufferedImage* image) {
  image::win::BufferedImage* source = encodeSource(image);
  if (source == nullptr) {
    return nullptr;
  }
  win::Png* png = win::Png::take();
  if (png != nullptr) {
    png->createFrom(source, m_withInterlace, m_keepTransparency, colorChannel(m_bgRed),
                    colorChannel(m_bgGreen), colorChannel(m_bgBlue));
  }
  return png;
}

void EncodeSetting::loadValues(map::IMappedData* store, const WCHAR* section) {
  m_keepTransparency = store->getBool(section, u"KeepTransparency", true);
  m_withInterlace = store->getBool(section, u"WithInterlace", true);
  m_bgRed = store->getInt32(section, u"BgRed", 255);
  m_bgGreen = store->getInt32(section, u"BgGreen", 255);
  m_bgBlue = store->getInt32(section, u"BgBlue", 255);
}

void EncodeSetting::saveValues(map::IMappedData* store, const WCHAR* section) {
  store->setBool(section, u"KeepTransparency", m_keepTransparency);
  store->setBool(section, u"WithInterlace", m_withInterlace);
  store->setInt32(section, u"BgRed", m_bgRed);
  store->setInt32(section, u"BgGreen", m_bgGreen);
  store->setInt32(section, u"BgBlue", m_bgBlue);
}

}  // namespace s::image::png
