// Font settings made into fonts.
#include "gui/win/FontSetting.h"

#include "gui/win/Font.h"

namespace s::gui::win {

IFont* FontSetting::createFont() {
  Font* font = Font::take();
  if (font != nullptr) {
    font->assign(m_d);
  }
  return font;
}

}  // namespace s::gui::win
