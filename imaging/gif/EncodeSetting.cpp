// The options GIF files are saved with.
#include "imaging/gif/EncodeSetting.h"

#include "core/map/IMappedData.h"
#include "imaging/gif/win/Gif.h"
#include "imaging/win/BufferedImageSet.h"

namespace s::image::gif {

void EncodeSetting::reset() {
  resetLink();
  m_keepTransparency = true;
  m_withInterlace = true;
  m_bgRed = m_bgGreen = m_bgBlue = 255;
  m_bpp = 8;
}

IEncodedImage* EncodeSetting::createEncoded(image::win::BufferedImage* image) {
  image::win::BufferedImage* source = encodeSource(image);
  if (source == nullptr) {
    return nullptr;
  }
  win::Gif* gif = win::Gif::take();
  if (gif != nullptr) {
    gif->createFrom(source, m_bpp, m_keepTransparency, colorChannel(m_bgRed),
                    colorChannel(m_bgGreen), colorChannel(m_bgBlue), win::Gif::kAlphaThreshold);
  }
  return gif;
}

IEncodedImage* EncodeSetting::createFromSet(IBufferedImageSet* set) {
  if (set == nullptr || set->getImageCount() <= 1 || !set->isAnimated()) {
    return EncodeSettingBase::createFromSet(set);
  }
  image::win::BufferedImageSet* copy = set->getFilteredCopy();
  if (copy == nullptr) {
    return nullptr;
  }
  win::Gif* gif = win::Gif::take();
  if (gif != nullptr) {
    gif->createFromSet(copy, m_bpp, m_keepTransparency, colorChannel(m_bgRed),
                       colorChannel(m_bgGreen), colorChannel(m_bgBlue));
  }
  copy->release();
  return gif;
}

void EncodeSetting::loadValues(map::IMappedData* store, const WCHAR* section) {
  m_keepTransparency = store->getBool(section, u"KeepTransparency", true);
  m_withInterlace = store->getBool(section, u"WithInterlace", true);
  m_bgRed = store->getInt32(section, u"BgRed", 255);
  m_bgGreen = store->getInt32(section, u"BgGreen", 255);
  m_bgBlue = store->getInt32(section, u"BgBlue", 255);
  m_bpp = store->getInt32(section, u"Bpp", 8);
}

void EncodeSetting::saveValues(map::IMappedData* store, const WCHAR* section) {
  store->setBool(section, u"KeepTransparency", m_keepTransparency);
  store->setBool(section, u"WithInterlace", m_withInterlace);
  store->setInt32(section, u"BgRed", m_bgRed);
  store->setInt32(section, u"BgGreen", m_bgGreen);
  store->setInt32(section, u"BgBlue", m_bgBlue);
  store->setInt32(section, u"Bpp", m_bpp);
}

}  // namespace s::image::gif
