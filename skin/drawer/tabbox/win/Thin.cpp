// The thin tab box's colour and fonts.
#include "skin/drawer/tabbox/win/Thin.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::tabbox::win {

Thin::Thin() : m_caption(text::win::Basic::create()), m_page(text::win::Basic::create()) {}

Thin::~Thin() {
  m_caption->release();
  m_page->release();
}

void Thin::reset() {
  m_color = RGB(255, 255, 255);
  m_caption->reset();
  m_page->reset();
}

int32_t Thin::setColor(int32_t red, int32_t green, int32_t blue) {
  m_color = packColor(red, green, blue);
  return red & 0xFF;
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  m_caption->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

void Thin::applyToPageFonts(IFont* font) {
  m_page->applyToFonts(font, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace s::gui::drawer::tabbox::win
