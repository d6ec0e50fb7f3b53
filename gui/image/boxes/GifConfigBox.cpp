// The GIF option panel: the background group and two bit depths.
#include "gui/image/boxes/GifConfigBox.h"

#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/GroupBox.h"
#include "gui/win/RadioButton.h"
#include "imaging/gif/EncodeSetting.h"

namespace s::image::gui::boxes {

using s::gui::win::RadioButton;

void GifConfigBox::reset() {
  resetPanel(u"Gif");
  m_eight = nullptr;
  m_four = nullptr;
}

bool GifConfigBox::prepareBackground(BgGroupBox* background) {
  return prepareBackgroundOf<gif::EncodeSetting>(background);
}

s::gui::win::GroupBox* GifConfigBox::buildFormatGroup() {
  const bool eightBits = static_cast<gif::EncodeSetting*>(getSetting())->getBpp() == 8;
  s::gui::win::GroupBox* group =
      makeFormatGroup(captionText(getOwnerWindow(), 2000005000, u"Resolution"), 1, scaled(10));
  RadioButton* eight = RadioButton::take();
  RadioButton* four = RadioButton::take();
  if (group == nullptr || eight == nullptr || four == nullptr) {
    releaseAll(group, eight, four);
    return nullptr;
  }
  eight->setText(captionText(getOwnerWindow(), 2000006000, u"8 Bpp (256 Colors)"));
  eight->setChecked(eightBits, false);
  four->setText(captionText(getOwnerWindow(), 2000007000, u"4 Bpp (16 Colors)"));
  four->setChecked(!eightBits, false);
  group->getContent()->add(eight);
  group->getContent()->add(four);
  m_eight = eight;
  m_four = four;
  return group;
}

bool GifConfigBox::apply() {
  return applyTo<gif::EncodeSetting>(
      [this](gif::EncodeSetting* setting) { setting->setBpp(m_four->isChecked() ? 4 : 8); });
}

}  // namespace s::image::gui::boxes
