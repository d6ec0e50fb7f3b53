// The thin list header's band and captions.
#include "skin/drawer/listheader/win/Thin.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::listheader::win {

Thin::Thin() : m_button(button::win::Thin::create()) { reset(); }

Thin::~Thin() { m_button->release(); }

void Thin::reset() {
  m_pressedShift = true;
  m_buttonStyle = 0;
  m_background = RGB(120, 120, 120);
  m_fill = RGB(51, 51, 51);
  m_rowHeight = 22;
  m_button->reset();
  m_button->setStyle(m_buttonStyle);
  m_button->setShiftWhenPressed(m_pressedShift);
  m_button->setFrameColor(120, 120, 120);
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, bool custom,
                 int32_t red, int32_t green, int32_t blue) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  fill(dc, left, top, right - left, bottom - top, custom ? packColor(red, green, blue) : m_fill);
}

void Thin::paintText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t state, const WCHAR* text, IFont* font) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  m_button->paint(dc, left, top, right, bottom, state, text, true, font, true, false, false);
}

void Thin::setPressedShift(bool on) {
  m_pressedShift = on;
  m_button->setShiftWhenPressed(on);
}

int32_t Thin::getBackgroundRed() { return redOf(m_background); }
int32_t Thin::getBackgroundGreen() { return greenOf(m_background); }
int32_t Thin::getBackgroundBlue() { return blueOf(m_background); }

int32_t Thin::setBackgroundColor(int32_t red, int32_t green, int32_t blue) {
  m_background = packColor(red, green, blue);
  m_button->setFrameColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::getFillRed() { return redOf(m_fill); }
int32_t Thin::getFillGreen() { return greenOf(m_fill); }
int32_t Thin::getFillBlue() { return blueOf(m_fill); }

int32_t Thin::setFillColor(int32_t red, int32_t green, int32_t blue) {
  m_fill = packColor(red, green, blue);
  return red & 0xFF;
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  m_button->applyToFonts(normal, disabled);
}

}  // namespace s::gui::drawer::listheader::win
