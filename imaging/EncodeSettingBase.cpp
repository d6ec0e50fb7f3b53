// What the formats' encode settings share: the store, the path, the panel and their operations.
#include "imaging/EncodeSettingBase.h"

namespace s::image {

IEncodedImage* EncodeSettingBase::createFromSet(IBufferedImageSet* set) {
  return createEncoded(bestImageOf(set));
}

gui::IEncodeSettingBox* EncodeSettingBase::createPanel() {
  return m_link.createPanel(m_format, this);
}

bool EncodeSettingBase::applyPanel() {
  return getPanel() == nullptr || gui::encodeSettingPanels().applyPanel(getPanel());
}

void EncodeSettingBase::bind(const WCHAR* section, map::IMappedData* store) {
  m_link.bind(section, store);
  load();
}

bool EncodeSettingBase::load() {
  map::IMappedData* store = m_link.getStore();
  if (store == nullptr) {
    return false;
  }
  loadValues(store, m_link.section(m_subKey));
  return true;
}

bool EncodeSettingBase::save() {
  map::IMappedData* store = m_link.getStore();
  if (store == nullptr) {
    return false;
  }
  saveValues(store, m_link.section(m_subKey));
  return true;
}

}  // namespace s::image
