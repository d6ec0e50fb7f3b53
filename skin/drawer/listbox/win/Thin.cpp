// The thin list box's inner drawer and colours.
#include "skin/drawer/listbox/win/Thin.h"

namespace s::gui::drawer::listbox::win {

Thin::Thin() : m_inner(Basic::createWithSystemColors()) { reset(); }

Thin::~Thin() { m_inner->release(); }

void Thin::reset() {
  m_inner->reset();
  m_inner->setSelectionColor(120, 120, 120);
  m_inner->setBackgroundColor(51, 51, 51);
  m_inner->setLineColor(243, 243, 243);
}

Thin* Thin::createWithColors(int32_t backgroundRed, int32_t backgroundGreen, int32_t backgroundBlue,
                             int32_t textRed, int32_t textGreen, int32_t textBlue,
                             int32_t selectionRed, int32_t selectionGreen, int32_t selectionBlue,
                             int32_t selectedRed, int32_t selectedGreen, int32_t selectedBlue,
                             int32_t lineRed, int32_t lineGreen, int32_t lineBlue) {
  Thin* drawer = take();
  if (drawer == nullptr) {
    return nullptr;
  }
  drawer->setBackgroundColor(backgroundRed, backgroundGreen, backgroundBlue);
  drawer->setTextColor(textRed, textGreen, textBlue);
  drawer->setSelectionColor(selectionRed, selectionGreen, selectionBlue);
  drawer->setSelectedTextColor(selectedRed, selectedGreen, selectedBlue);
  drawer->setLineColor(lineRed, lineGreen, lineBlue);
  return drawer;
}

}  // namespace s::gui::drawer::listbox::win
