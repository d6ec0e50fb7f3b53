// The colour row of the option panels: a hexadecimal field, a swatch and the colour dialog.
#include "gui/image/boxes/ColorPicker.h"

#include "gui/dialogs/win/ColorPicker.h"
#include "gui/image/boxes/PanelParts.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/Label.h"
#include "gui/win/Spacer.h"
#include "gui/win/TextField.h"
#include "gui/win/Window.h"

namespace s::image::gui::boxes {

namespace {

using s::gui::win::Box;

int32_t hexDigit(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

s::gui::win::Spacer* gap(int32_t width) {
  s::gui::win::Spacer* spacer = s::gui::win::Spacer::take();
  if (spacer != nullptr) {
    spacer->setFixedWidth(width);
  }
  return spacer;
}

}  // namespace

void ColorPicker::reset() {
  m_color = kWhite;
  if (m_dialog != nullptr) {
    m_dialog->release();
    m_dialog = nullptr;
  }
  m_field = nullptr;
  m_swatch = nullptr;
  m_button = nullptr;
  m_ownerWindow = nullptr;
  m_listeners.clear();
}

void ColorPicker::addListener(s::gui::events::IEventListener* listener) {
  if (listener != nullptr) {
    m_listeners.push(listener);
  }
}

int32_t ColorPicker::parseHex(const WCHAR* text) {
  if (text == nullptr) {
    return -1;
  }
  int32_t value = 0;
  for (int i = 0; i < 6; ++i) {
    const int32_t digit = hexDigit(text[i]);
    if (digit < 0) {
      return -1;  // also the end of a shorter text
    }
    value = value << 4 | digit;
  }
  return text[6] == 0 ? value : -1;
}

Box* ColorPicker::build() {
  Box* row = s::gui::win::makeBox(0, -1, -1, 0, 1, -1, -1, -1, -1);
  s::gui::win::Label* hash = s::gui::win::makeLabel(u"# ", false, false, 0);
  m_field = s::gui::win::TextField::take();
  Box* frame = Box::take();
  m_swatch = Box::take();
  m_button = s::gui::win::Button::take();
  if (row == nullptr || hash == nullptr || m_field == nullptr || frame == nullptr ||
      m_swatch == nullptr || m_button == nullptr) {
    releaseAll(row, hash, m_field, frame, m_swatch, m_button);
    m_field = nullptr;
    m_swatch = nullptr;
    m_button = nullptr;
    return nullptr;
  }
  m_field->setText(u"FFFFFF", false);
  m_field->setFixedWidth(scaled(60));
  m_field->setEnabled(false);
  m_field->addChangeListener(this);
  // The swatch sits in a black frame one scaled pixel wide.
  frame->setBackgroundBlack(false);
  frame->setInsets(scaled(1));
  frame->setMinimumWidth(scaled(20));
  frame->setHeightPercent(100, false);
  m_swatch->setBackgroundWhite(false);
  m_swatch->setFullSize();
  frame->add(m_swatch);
  m_button->setText(captionText(m_ownerWindow, 2000003000, u" Change Color "));
  m_button->setEnabled(false);
  m_button->addClickListener(this);
  row->add(hash);
  row->add(m_field);
  row->add(gap(scaled(10)));
  row->add(frame);
  row->add(gap(scaled(10)));
  row->add(m_button);
  if (m_color != kWhite) {
    setColor(m_color >> 16, m_color >> 8, m_color);
  }
  return row;
}

void ColorPicker::setColor(int32_t red, int32_t green, int32_t blue) {
  red &= 0xFF;
  green &= 0xFF;
  blue &= 0xFF;
  m_color = red << 16 | green << 8 | blue;
  if (m_field != nullptr) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    const char16_t text[7] = {kDigits[red >> 4],
                              kDigits[red & 15],
                              kDigits[green >> 4],
                              kDigits[green & 15],
                              kDigits[blue >> 4],
                              kDigits[blue & 15],
                              0};
    m_field->setText(text, false);
  }
  if (m_swatch != nullptr) {
    m_swatch->setBackgroundColor(red, green, blue, true);
  }
}

void ColorPicker::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source == nullptr) {
    return;
  }
  if (m_button != nullptr && source == static_cast<base::IObject*>(m_button)) {
    chooseWithDialog();
  } else if (m_field != nullptr && source == static_cast<base::IObject*>(m_field)) {
    const int32_t typed = parseHex(m_field->getText());
    if (typed >= 0 && typed != m_color) {
      m_color = typed;
      if (m_swatch != nullptr) {
        m_swatch->setBackgroundColor(typed >> 16, (typed >> 8) & 0xFF, typed & 0xFF, true);
      }
      tell();
    }
  }
}

void ColorPicker::chooseWithDialog() {
  if (m_dialog == nullptr) {
    m_dialog = s::gui::dialogs::win::ColorPicker::take();
    if (m_dialog == nullptr) {
      return;
    }
  }
  m_dialog->setColor(m_color >> 16, (m_color >> 8) & 0xFF, m_color & 0xFF);
  if (!m_dialog->run(m_ownerWindow)) {
    return;
  }
  const int32_t chosen = m_dialog->getColor();
  setColor(chosen >> 16, chosen >> 8, chosen);
  tell();
}

void ColorPicker::tell() { s::gui::win::notifyListeners(m_listeners, this, 0); }

}  // namespace s::image::gui::boxes
