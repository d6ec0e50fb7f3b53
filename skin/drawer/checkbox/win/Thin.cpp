// The thin check-box drawer's box, mark, label and measure.
#include "skin/drawer/checkbox/win/Thin.h"

#include "gui/IFontSetting.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/button/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"

#include <afxwin.h>

namespace s::gui::drawer::checkbox::win {

Thin::Thin() : m_glyph(button::win::Thin::take()), m_label(text::win::Basic::take()) { reset(); }

Thin::~Thin() {
  if (m_glyph != nullptr) m_glyph->release();
  if (m_label != nullptr) m_label->release();
}

void Thin::reset() {
  m_firstFlag = true;
  m_secondFlag = false;
  m_thirdFlag = 1;
  m_textColor = 0x787878;
  m_frameColor = 0x787878;
  if (m_glyph != nullptr) m_glyph->reset();
  if (m_label != nullptr) m_label->reset();
}

int32_t Thin::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_textColor = packColor(red, green, blue);
  if (m_label != nullptr)
    m_label->getFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Thin::setDisabledTextColor(int32_t red, int32_t green, int32_t blue) {
  if (m_label != nullptr) {
    m_label->getDisabledFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  }
  return red & 0xFF;
}

int32_t Thin::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frameColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setCheckColor(int32_t red, int32_t green, int32_t blue) {
  if (m_glyph != nullptr) m_glyph->setFrameColor(red, green, blue);
  return red & 0xFF;
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  if (m_label != nullptr) m_label->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t boxSize,
                 bool checked, const WCHAR* text, IFont* font) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  const int32_t s = displayScale();
  const int32_t b = boxSize;
  fill(dc, left + 2 * s, top + 2 * s, b - 4 * s, b - 4 * s, 0xFFFFFF);
  fill(dc, left, top, b, 2 * s, m_frameColor);
  fill(dc, left + b - 2 * s, top, 2 * s, b, m_frameColor);
  fill(dc, left, top + b - 2 * s, b, 2 * s, m_frameColor);
  fill(dc, left, top, 2 * s, b, m_frameColor);
  // The mark's inset is 2 pixels at every scale: the glyph itself grows with the scale.
  if (checked && m_glyph != nullptr) {
    m_glyph->paintGlyph(dc, left + 2, top + 2, left + b - 2, top + b - 2, u"#Check", 0, 0, 0);
  }
  if (m_label != nullptr && text != nullptr) {
    m_label->paint(dc, left + b + b / 6, top, right, bottom, text, font);
  }
}

void Thin::measure(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
                   int32_t& minimumHeight, int32_t& preferredWidth, int32_t& preferredHeight) {
  minimumWidth = minimumHeight = preferredWidth = preferredHeight = 0;
  if (m_label == nullptr) return;
  m_label->measureLines(dc, text, font, minimumWidth, minimumHeight, preferredWidth,
                        preferredHeight);
  // The box is as wide as the text is high, and a sixth of that keeps the label away from it.
  const int32_t box = preferredHeight + preferredHeight / 6;
  minimumWidth += box;
  preferredWidth += box;
}

}  // namespace s::gui::drawer::checkbox::win
