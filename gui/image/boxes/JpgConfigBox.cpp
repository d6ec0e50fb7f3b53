// The JPEG option panel: the background colour and the quality, typed or slid.
#include "gui/image/boxes/JpgConfigBox.h"

#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "imaging/jpg/EncodeSetting.h"

#include <string>

namespace s::image::gui::boxes {

namespace {

std::u16string decimal(int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

void JpgConfigBox::reset() {
  resetPanel(u"Jpeg");
  m_field = nullptr;
  m_slider = nullptr;
  m_syncing = false;
}

int32_t JpgConfigBox::parseQuality(const WCHAR* text) {
  if (text == nullptr || text[0] == 0) {
    return -1;
  }
  int32_t value = 0;
  int32_t length = 0;
  for (; text[length] != 0; ++length) {
    if (length == 3 || text[length] < u'0' || text[length] > u'9') {
      return -1;
    }
    value = value * 10 + (text[length] - u'0');
  }
  return value <= 100 ? value : -1;
}

int32_t JpgConfigBox::getQuality() const {
  if (m_slider != nullptr) {
    return m_slider->getPosition();
  }
  auto* setting = dynamic_cast<jpg::EncodeSetting*>(getSetting());
  return setting != nullptr ? setting->getQuality() : 75;
}

bool JpgConfigBox::prepareBackground(BgGroupBox* background) {
  auto* setting = dynamic_cast<jpg::EncodeSetting*>(getSetting());
  if (setting == nullptr) {
    return false;
  }
  background->setTransparencyAllowed(false);
  background->setKeepTransparency(false);
  background->setColor(setting->getBgRed(), setting->getBgGreen(), setting->getBgBlue());
  return true;
}

s::gui::win::GroupBox* JpgConfigBox::buildFormatGroup() {
  const int32_t quality = static_cast<jpg::EncodeSetting*>(getSetting())->getQuality();
  s::gui::win::GroupBox* group =
      makeFormatGroup(captionText(getOwnerWindow(), 2000004000, u"Quality"), 0, -1);
  s::gui::win::TextField* field = s::gui::win::TextField::take();
  s::gui::win::Slider* slider = s::gui::win::Slider::take();
  if (group == nullptr || field == nullptr || slider == nullptr) {
    releaseAll(group, field, slider);
    return nullptr;
  }
  field->setText(u"100", false);
  field->setFixedWidth(scaled(35));
  slider->setRange(0, 100);
  slider->setPosition(100);
  slider->setTickFrequency(10);
  slider->setWidthPercent(100);
  slider->setHeightPercent(100);
  if (quality != 100) {
    // The field shows what the slider holds, so a stored value beyond the range shows clamped.
    slider->setPosition(quality);
    field->setText(decimal(slider->getPosition()).c_str(), false);
  }
  field->addChangeListener(this);
  slider->addChangeListener(this);
  group->getContent()->add(field);
  group->getContent()->add(slider);
  m_field = field;
  m_slider = slider;
  return group;
}

void JpgConfigBox::onFormatEvent(base::IObject* source) {
  if (m_slider != nullptr && source == static_cast<base::IObject*>(m_slider)) {
    if (!m_syncing && m_field != nullptr) {
      m_field->setText(decimal(m_slider->getPosition()).c_str(), false);
    }
  } else if (m_field != nullptr && source == static_cast<base::IObject*>(m_field)) {
    const int32_t typed = parseQuality(m_field->getText());
    if (typed >= 0 && m_slider != nullptr && typed != m_slider->getPosition()) {
      m_syncing = true;
      m_slider->setPosition(typed);
      m_syncing = false;
    }
  }
}

bool JpgConfigBox::apply() {
  IEncodeSetting* setting = getSetting();
  return setting != nullptr && setting->applyPanel();
}

}  // namespace s::image::gui::boxes
