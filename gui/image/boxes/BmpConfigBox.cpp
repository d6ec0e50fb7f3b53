// The BMP option panel: the background group and four bit depths.
#include "gui/image/boxes/BmpConfigBox.h"

#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/GroupBox.h"
#include "gui/win/RadioButton.h"
#include "imaging/bmp/EncodeSetting.h"

namespace s::image::gui::boxes {

using s::gui::win::RadioButton;

namespace {

struct ChoiceText {
  int32_t id;
  const WCHAR* english;
};

constexpr ChoiceText kChoiceTexts[BmpConfigBox::kChoices] = {
    {2000019000, u"32 Bpp (16,777,216 Colors with Transparency)"},
    {2000020000, u"24 Bpp (16,777,216 Colors)"},
    {2000022000, u"8 Bpp (256 Colors)"},
    {2000023000, u"4 Bpp (16 Colors)"}};

}  // namespace

void BmpConfigBox::reset() {
  resetPanel(u"Bitmap");
  for (RadioButton*& choice : m_choices) {
    choice = nullptr;
  }
}

bool BmpConfigBox::prepareBackground(BgGroupBox* background) {
  return prepareBackgroundOf<bmp::EncodeSetting>(background);
}

s::gui::win::GroupBox* BmpConfigBox::buildFormatGroup() {
  const int32_t bpp = static_cast<bmp::EncodeSetting*>(getSetting())->getBpp();
  s::gui::win::GroupBox* group =
      makeFormatGroup(captionText(getOwnerWindow(), 2000018000, u"Resolution"), 1, scaled(10));
  if (group == nullptr) {
    return nullptr;
  }
  RadioButton* made[kChoices] = {};
  for (int32_t i = 0; i < kChoices; ++i) {
    made[i] = RadioButton::take();
    if (made[i] == nullptr) {
      for (RadioButton* choice : made) releaseAll(choice);
      group->release();
      return nullptr;
    }
  }
  RadioButton* keep = getBackground()->getKeepRadio();
  for (int32_t i = 0; i < kChoices; ++i) {
    RadioButton* choice = made[i];
    m_choices[i] = choice;
    choice->setText(captionText(getOwnerWindow(), kChoiceTexts[i].id, kChoiceTexts[i].english));
    choice->setChecked(bpp == kBits[i], false);
    group->getContent()->add(choice);
    if (i > 0) {
      // Without transparency these depths cannot hold it; the stored state is shown as it is,
      // and only a later check of "Keep Transparency" moves the selection.
      keep->bindDisabled(choice);
      choice->setEnabled(!keep->isChecked());
    }
    choice->addDisableListener(this);
  }
  return group;
}

void BmpConfigBox::onFormatEvent(base::IObject* source) {
  RadioButton* disabled = nullptr;
  int32_t index = 0;
  for (; index < kChoices; ++index) {
    if (m_choices[index] != nullptr && source == static_cast<base::IObject*>(m_choices[index])) {
      disabled = m_choices[index];
      break;
    }
  }
  if (disabled == nullptr) {
    return;
  }
  if (index == 0) {
    if (disabled->isChecked()) {
      disabled->setChecked(false, true);
      m_choices[1]->setChecked(true, true);
    }
    return;
  }
  bool anyChecked = false;
  for (int32_t i = 1; i < kChoices; ++i) {
    anyChecked = anyChecked || m_choices[i]->isChecked();
  }
  if (anyChecked) {
    for (int32_t i = 1; i < kChoices; ++i) {
      m_choices[i]->setChecked(false, true);
    }
    m_choices[0]->setChecked(true, true);
  }
}

bool BmpConfigBox::apply() {
  return applyTo<bmp::EncodeSetting>([this](bmp::EncodeSetting* setting) {
    // Tested from the smallest depth up; with none checked the stored depth stays.
    for (int32_t i = kChoices - 1; i >= 0; --i) {
      if (m_choices[i]->isChecked()) {
        setting->setBpp(kBits[i]);
        return;
      }
    }
  });
}

}  // namespace s::image::gui::boxes
