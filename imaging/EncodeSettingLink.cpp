// What every format's encode setting holds besides its values: the store, the path, the panel.
#include "imaging/EncodeSettingLink.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "imaging/IBufferedImageSet.h"
#include "imaging/win/BufferedImage.h"

#include <algorithm>

namespace s::image {

EncodeSettingLink::~EncodeSettingLink() { reset(); }

void EncodeSettingLink::reset() {
  m_store = nullptr;
  if (m_path != nullptr) {
    m_path->release();
    m_path = nullptr;
  }
  if (m_panel != nullptr) {
    gui::IEncodeSettingBox* panel = m_panel;
    m_panel = nullptr;
    gui::encodeSettingPanels().givePanelBack(panel);
  }
  m_section.clear();
}

void EncodeSettingLink::bind(const WCHAR* section, map::IMappedData* store) {
  if (m_path == nullptr) {
    m_path = str::strbuffer::StrBuffer::take();
  }
  if (m_path != nullptr) {
    m_path->assign(section != nullptr ? section : u"");
  }
  m_store = store;
}

const WCHAR* EncodeSettingLink::section(const WCHAR* subKey) {
  m_section.assign(m_path != nullptr ? m_path->getCStr() : u"");
  m_section.append(subKey);
  return m_section.c_str();
}

gui::IEncodeSettingBox* EncodeSettingLink::createPanel(gui::PanelFormat format,
                                                       IEncodeSetting* setting) {
  gui::IEncodeSettingBox* panel = gui::encodeSettingPanels().takePanel(format, setting);
  if (m_panel != nullptr && m_panel != panel) {
    gui::encodeSettingPanels().givePanelBack(m_panel);
  }
  m_panel = panel;
  return panel;
}

win::BufferedImage* encodeSource(win::BufferedImage* image) {
  if (image == nullptr) {
    return nullptr;
  }
  return image->hasFilters() ? image->applyFilters() : image;
}

uint8_t colorChannel(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

win::BufferedImage* bestImageOf(IBufferedImageSet* set) {
  return set != nullptr && set->getImageCount() > 0 ? set->getBestImage() : nullptr;
}

}  // namespace s::image
