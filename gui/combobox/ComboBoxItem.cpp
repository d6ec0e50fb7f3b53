// Combo-box entries and their factories.
#include "gui/combobox/ComboBoxItem.h"

namespace s::gui::combobox {

ComboBoxItem::ComboBoxItem() : text(str::strbuffer::StrBuffer::take()) {}

ComboBoxItem::~ComboBoxItem() { text->release(); }

void ComboBoxItem::reset() {
  text->clear();
  textId = -1;
  localizer = nullptr;
  value = 0;
  listFlags = 0;
  faceFlags = 0;
}

void ComboBoxItem::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source != nullptr && localizer != nullptr && textId != -1 &&
      source == static_cast<base::IObject*>(localizer)) {
    text->assign(localizer->getText(textId));
  }
}

ComboBoxItem* makeComboBoxItem(lang::Localizer* localizer, int32_t textId, int64_t value) {
  ComboBoxItem* item = ComboBoxItem::take();
  if (item == nullptr) {
    return nullptr;
  }
  item->localizer = localizer;
  item->textId = textId;
  // getText picks the pack for the system language, else the first one, when none is current.
  if (localizer != nullptr) {
    item->text->assign(localizer->getText(textId));
  }
  item->listFlags = 0;
  item->faceFlags = 0;
  item->value = value;
  return item;
}

str::strbuffer::StrBuffer* makeText(const WCHAR* text) {
  str::strbuffer::StrBuffer* out = str::strbuffer::StrBuffer::take();
  if (out != nullptr && text != nullptr) {
    out->assign(text);
  }
  return out;
}

str::strbuffer::StrBuffer* makeTextPair(const WCHAR* text1, const WCHAR* text2) {
  str::strbuffer::StrBuffer* out = makeText(text1);
  if (out != nullptr && text2 != nullptr) {
    out->append(text2);
  }
  return out;
}

}  // namespace s::gui::combobox
