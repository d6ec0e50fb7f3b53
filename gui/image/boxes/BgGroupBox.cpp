// The background group of the option panels: keep the transparency, or fill it with a colour.
#include "gui/image/boxes/BgGroupBox.h"

#include "gui/image/boxes/ColorPicker.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/GroupBox.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Spacer.h"
#include "gui/win/TextField.h"

namespace s::image::gui::boxes {

using s::gui::win::Box;
using s::gui::win::RadioButton;

void BgGroupBox::reset() {
  if (m_colorRow != nullptr) {
    m_colorRow->release();
    m_colorRow = nullptr;
  }
  m_groupBox = nullptr;
  m_keepRadio = nullptr;
  m_fillRadio = nullptr;
  m_keepTransparency = true;
  m_transparencyAllowed = true;
  m_ownerWindow = nullptr;
  m_listeners.clear();
}

void BgGroupBox::addListener(s::gui::events::IEventListener* listener) {
  if (listener != nullptr) {
    m_listeners.push(listener);
  }
}

ColorPicker* BgGroupBox::colorRow() {
  if (m_colorRow == nullptr) {
    m_colorRow = ColorPicker::take();
  }
  return m_colorRow;
}

void BgGroupBox::setColor(int32_t red, int32_t green, int32_t blue) {
  if (colorRow() != nullptr) {
    m_colorRow->setColor(red, green, blue);
  }
}

int32_t BgGroupBox::getColor() const {
  return m_colorRow != nullptr ? m_colorRow->getColor() : ColorPicker::kWhite;
}

s::gui::win::GroupBox* BgGroupBox::build() {
  ColorPicker* row = colorRow();
  if (row == nullptr) {
    return nullptr;
  }
  row->setOwnerWindow(m_ownerWindow);
  s::gui::win::GroupBox* group =
      s::gui::win::makeGroupBox(captionText(m_ownerWindow, 2000000000, u"Background"), 100, 1, -1,
                                scaled(5), scaled(20), scaled(3));
  RadioButton* keep = RadioButton::take();
  RadioButton* fill = RadioButton::take();
  Box* fillRow = s::gui::win::makeBox(0, 100, -1, 0, 1, -1, -1, -1, -1);
  s::gui::win::Spacer* gap = s::gui::win::Spacer::take();
  if (group == nullptr || keep == nullptr || fill == nullptr || fillRow == nullptr ||
      gap == nullptr) {
    releaseAll(group, keep, fill, fillRow, gap);
    return nullptr;
  }
  Box* colors = row->build();
  if (colors == nullptr) {
    releaseAll(group, keep, fill, fillRow, gap);
    return nullptr;
  }
  if (!m_transparencyAllowed) {
    m_keepTransparency = false;
  }
  fill->setText(captionText(m_ownerWindow, 2000002000, u"Fill Color"));
  fill->setChecked(!m_keepTransparency, false);
  keep->setText(captionText(m_ownerWindow, 2000001000, u"Keep Transparency"));
  keep->setChecked(m_keepTransparency, false);
  gap->setFixedWidth(scaled(10));
  fillRow->add(fill);
  fillRow->add(gap);
  fillRow->add(colors);
  group->getContent()->add(keep);
  group->getContent()->add(fillRow);

  keep->setEnabled(m_transparencyAllowed);
  // The bindings act on later checks; the widgets start in the state the flag gives.
  fill->bindEnabled(row->getTextField());
  fill->bindEnabled(row->getButton());
  row->getTextField()->setEnabled(!m_keepTransparency);
  row->getButton()->setEnabled(!m_keepTransparency);
  keep->addCheckListener(this);
  fill->addCheckListener(this);
  row->addListener(this);
  m_groupBox = group;
  m_keepRadio = keep;
  m_fillRadio = fill;
  // Once more, so that a live control repaints its mark.
  (m_keepTransparency ? keep : fill)->setChecked(true, true);
  return group;
}

void BgGroupBox::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source == nullptr) {
    return;
  }
  if (m_colorRow != nullptr && source == static_cast<base::IObject*>(m_colorRow)) {
    s::gui::win::notifyListeners(m_listeners, this, 0);
  } else if (m_keepRadio != nullptr && source == static_cast<base::IObject*>(m_keepRadio)) {
    m_keepTransparency = true;
    // The two radios have different parents, so the control's own group does not clear the
    // other one; without this both would show checked and the colour stay editable.
    if (m_fillRadio != nullptr && m_fillRadio->isChecked()) {
      m_fillRadio->setChecked(false, true);
    }
  } else if (m_fillRadio != nullptr && source == static_cast<base::IObject*>(m_fillRadio)) {
    if (m_keepRadio != nullptr) {
      m_keepRadio->setChecked(false, true);
    }
    m_keepTransparency = false;
  }
}

}  // namespace s::image::gui::boxes
