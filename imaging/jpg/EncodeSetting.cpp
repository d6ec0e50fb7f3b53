// The options JPEG files are saved with.
#include "imaging/jpg/EncodeSetting.h"

#include "core/map/IMappedData.h"
#include "imaging/jpg/win/Jpeg.h"

namespace s::image::jpg {

void EncodeSetting::reset() {
  resetLink();
  m_quality = 75;
  m_bgRed = m_bgGreen = m_bgBlue = 255;
}

IEncodedImage* EncodeSetting::createEncoded(image::win::BufferedImage* image) {
  image::win::BufferedImage* source = encodeSource(image);
  if (source == nullptr) {
    return nullptr;
  }
  win::Jpeg* jpeg = win::Jpeg::take();
  if (jpeg != nullptr) {
    jpeg->createFrom(source, m_quality, colorChannel(m_bgRed), colorChannel(m_bgGreen),
                     colorChannel(m_bgBlue));
  }
  return jpeg;
}

bool EncodeSetting::applyPanel() {
  gui::IEncodeSettingBox* panel = getPanel();
  if (panel == nullptr) {
    return true;
  }
  const int32_t color = gui::encodeSettingPanels().getPanelColor(panel);
  m_bgRed = (color >> 16) & 0xFF;
  m_bgGreen = (color >> 8) & 0xFF;
  m_bgBlue = color & 0xFF;
  m_quality = gui::encodeSettingPanels().getPanelQuality(panel);
  save();
  return true;
}

void EncodeSetting::loadValues(map::IMappedData* store, const WCHAR* section) {
  m_quality = store->getInt32(section, u"Quality", m_quality);
  m_bgRed = store->getInt32(section, u"BgRed", 255);
  m_bgGreen = store->getInt32(section, u"BgGreen", 255);
  m_bgBlue = store->getInt32(section, u"BgBlue", 255);
}

void EncodeSetting::saveValues(map::IMappedData* store, const WCHAR* section) {
  store->setInt32(section, u"Quality", m_quality);
  store->setInt32(section, u"BgRed", m_bgRed);
  store->setInt32(section, u"BgGreen", m_bgGreen);
  store->setInt32(section, u"BgBlue", m_bgBlue);
}

}  // namespace s::image::jpg
