// What every format's option panel shares: its name, owner window, setting, background group and
// the common frame it builds.
#include "gui/image/boxes/ConfigBox.h"

#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/ColorPicker.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/GroupBox.h"

namespace s::image::gui::boxes {

ConfigBox::~ConfigBox() { resetPanel(u""); }

void ConfigBox::resetPanel(const WCHAR* name) {
  m_name = name;
  m_listeners.clear();
  if (m_background != nullptr) {
    m_background->release();
    m_background = nullptr;
  }
  m_ownerWindow = nullptr;
  // The root box is the host's (or its parent's once placed), and may be gone already.
  m_root = nullptr;
  m_setting = nullptr;
}

void ConfigBox::addListener(s::gui::events::IEventListener* listener) {
  if (listener != nullptr) {
    m_listeners.push(listener);
  }
}

int32_t ConfigBox::getColor() const {
  return m_background != nullptr ? m_background->getColor() : ColorPicker::kWhite;
}

bool ConfigBox::isKeepTransparency() const {
  return m_background == nullptr || m_background->isKeepTransparency();
}

s::gui::win::Box* ConfigBox::buildPanel() {
  if (m_root != nullptr || m_setting == nullptr) {
    return m_root;
  }
  if (m_background == nullptr) {
    m_background = BgGroupBox::take();
    if (m_background == nullptr) {
      return nullptr;
    }
  }
  if (!prepareBackground(m_background)) {
    return nullptr;
  }
  m_background->setOwnerWindow(m_ownerWindow);
  s::gui::win::Box* root = s::gui::win::makeBox(1, 100, 100, 0, 0, -1, scaled(10), -1, -1);
  s::gui::win::GroupBox* background = m_background->build();
  s::gui::win::GroupBox* own = background != nullptr ? buildFormatGroup() : nullptr;
  if (root == nullptr || own == nullptr) {
    releaseAll(root, background, own);
    return nullptr;
  }
  m_background->addListener(this);
  root->add(background);
  root->add(own);
  m_root = root;
  return root;
}

void ConfigBox::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source == nullptr) {
    return;
  }
  if (m_background != nullptr && source == static_cast<base::IObject*>(m_background)) {
    s::gui::win::notifyListeners(m_listeners, this, 0);
  } else {
    onFormatEvent(source);
  }
}

s::gui::win::GroupBox* makeFormatGroup(const WCHAR* caption, int32_t arrangement,
                                       int32_t horizontalGap) {
  return s::gui::win::makeGroupBox(caption, 100, arrangement, horizontalGap, scaled(5), scaled(20),
                                   scaled(3));
}

}  // namespace s::image::gui::boxes
