// The thin combo face: button, text by state, separator and arrow.
#include "skin/drawer/combo/win/Thin.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::combo::win {

Thin::Thin() : m_text(text::win::Basic::create()), m_button(button::win::Thin::create()) {
  reset();
}

Thin::~Thin() {
  m_text->release();
  m_button->release();
}

void Thin::reset() {
  m_text->reset();
  m_text->setLineMode(0);
  m_button->reset();
  m_frame = 0;
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t state,
                 const WCHAR* text, IFont* font, bool enabled) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t s = displayScale();
  m_button->paint(dc, left, top, right, bottom, state, u"", true, font, enabled, false, false);
  int32_t x = right - 15 * s;
  int32_t textLeft = left + 4 * s;
  if (state == 1) {
    x -= s;
    bottom -= 2 * s;
    textLeft = left + 3 * s;
  } else if (state == 2) {
    x += s;
    top += 2 * s;
    textLeft = left + 5 * s;
  } else {
    bottom -= s;
    top += s;
  }
  if (text != nullptr && font != nullptr) {
    int32_t minimumWidth = 0, textHeight = 0, preferredWidth = 0, preferredHeight = 0;
    m_text->measureLines(dc, text, font, minimumWidth, textHeight, preferredWidth, preferredHeight);
    const int32_t v = (bottom - textHeight - top) / 2;
    m_text->paint(dc, textLeft, top + v, x, top + v + textHeight, text, font);
  }
  fill(dc, x + s, top + 2 * s, s, bottom - top - 4 * s, m_frame);
  m_button->paintGlyph(dc, x + 3 * s, top + 2 * s, x + 13 * s, bottom - 2 * s, u"#Down",
                       redOf(m_frame), greenOf(m_frame), blueOf(m_frame));
}

int32_t Thin::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_text->getFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Thin::setDisabledTextColor(int32_t red, int32_t green, int32_t blue) {
  m_text->getDisabledFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Thin::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frame = packColor(red, green, blue);
  m_button->setFrameColor(red, green, blue);
  return red & 0xFF;
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  m_text->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

}  // namespace s::gui::drawer::combo::win
