// Menu entries.
#include "gui/menuitem/MenuItem.h"

#include "platform/lang/Localizer.h"

namespace s::gui::menuitem {

MenuItem::MenuItem() : text(str::strbuffer::StrBuffer::take()) {}

MenuItem::~MenuItem() { text->release(); }

void MenuItem::reset() {
  localizer = nullptr;
  text->clear();
  text->freeBuffer();
  textId = -1;
  commandId = -1;
  checked = false;
  radioChecked = false;
  separator = false;
  userObject = nullptr;
}

void MenuItem::setTextId(int32_t id) {
  textId = id;
  if (localizer != nullptr) {
    text->assign(localizer->getText(id));
  }
}

const WCHAR* MenuItem::getText() {
  if (textId != -1 && localizer != nullptr) {
    text->assign(localizer->getText(textId));
  }
  return text->getCStr();
}

}  // namespace s::gui::menuitem
