// The PNG option panel: the background group and interlacing.
#include "gui/image/boxes/PngConfigBox.h"

#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/CheckBox.h"
#include "gui/win/GroupBox.h"
#include "imaging/png/EncodeSetting.h"

namespace s::image::gui::boxes {

void PngConfigBox::reset() {
  resetPanel(u"Png");
  m_interlace = nullptr;
}

bool PngConfigBox::prepareBackground(BgGroupBox* background) {
  return prepareBackgroundOf<png::EncodeSetting>(background);
}

s::gui::win::GroupBox* PngConfigBox::buildFormatGroup() {
  s::gui::win::GroupBox* group =
      makeFormatGroup(captionText(getOwnerWindow(), 2000008000, u"Interlace"), 1, scaled(10));
  s::gui::win::CheckBox* interlace = s::gui::win::CheckBox::take();
  if (group == nullptr || interlace == nullptr) {
    releaseAll(group, interlace);
    return nullptr;
  }
  interlace->setText(captionText(getOwnerWindow(), 2000009000, u"Enable Interlacing"));
  interlace->setCheckedSilently(static_cast<png::EncodeSetting*>(getSetting())->getWithInterlace());
  group->getContent()->add(interlace);
  m_interlace = interlace;
  return group;
}

bool PngConfigBox::apply() {
  return applyTo<png::EncodeSetting>(
      [this](png::EncodeSetting* setting) { setting->setWithInterlace(m_interlace->isChecked()); });
}

}  // namespace s::image::gui::boxes
