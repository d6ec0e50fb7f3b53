// The thin button drawer's object and its painter.
#include "skin/drawer/button/win/Thin.h"

#include "gui/IFont.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/button/win/Glyphs.h"
#include "skin/drawer/text/win/Basic.h"

#include <afxwin.h>

namespace s::gui::drawer::button::win {

Thin::Thin()
    : m_border(border::win::Thin::take()),
      m_label(text::win::Basic::take()),
      m_secondText(text::win::Basic::take()) {
  reset();
}

Thin::~Thin() {
  if (m_border != nullptr) m_border->release();
  if (m_label != nullptr) m_label->release();
  if (m_secondText != nullptr) m_secondText->release();
}

void Thin::reset() {
  m_accentColor = 0x6BEBD5;
  m_firstFlag = true;
  m_secondFlag = true;
  m_shiftWhenPressed = false;
  m_style = 1;
  m_frameColor = 0x787878;
  m_disabledColor = 0x787878;
  m_toggledFrameColor = 0x787878;
  m_toggledBackgroundColor = 0x787878;
  if (m_border != nullptr) m_border->reset();
  if (m_label != nullptr) {
    m_label->reset();
    m_label->setLineMode(1);
  }
  if (m_secondText != nullptr) {
    m_secondText->reset();
    m_secondText->setLineMode(1);
  }
}

Thin* Thin::createWithColor(int32_t red, int32_t green, int32_t blue) {
  Thin* drawer = take();
  if (drawer == nullptr) return nullptr;
  drawer->setSecondFlag(true);
  drawer->setFirstFlag(false);
  drawer->setShiftWhenPressed(true);
  drawer->setFrameColor(red, green, blue);
  return drawer;
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t state,
                 const WCHAR* text, bool active, IFont* font, bool enabled, bool toggled,
                 bool framed) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  const int32_t s = displayScale();
  // A toggled button shows hovered as pressed and pressed as hovered.
  if (toggled && (state == 1 || state == 2)) state = 3 - state;
  const COLORREF c = !enabled ? m_disabledColor : toggled ? m_toggledFrameColor : m_frameColor;

  bool framePainted = false;
  if (m_border != nullptr) {
    if (active && state >= 0 && state <= 2) {
      static constexpr int32_t kLooks[3] = {1, 0, 2};
      if (toggled) {
        fill(dc, left + s, top + s, right - left - 2 * s, bottom - top - 2 * s,
             m_toggledBackgroundColor);
      }
      m_border->paint(dc, left, top, right, bottom, kLooks[state], m_style, redOf(c), greenOf(c),
                      blueOf(c));
      framePainted = true;
    } else if (toggled) {
      const int32_t fillTop = framed ? top + 1 : top;
      fill(dc, left, fillTop, right - left, bottom - fillTop, m_toggledBackgroundColor);
      m_border->paint(dc, left, fillTop, right, bottom, 1, m_style, redOf(c), greenOf(c),
                      blueOf(c));
      framePainted = true;
    } else if (framed) {
      m_border->paint(dc, left, top, right, bottom, 3, m_style, redOf(c), greenOf(c), blueOf(c));
      framePainted = true;
    }
  }

  RECT content{left + 2 * s, top + 2 * s, right - 2 * s, bottom - 2 * s};
  if (m_shiftWhenPressed && state == 1) {
    content = RECT{left + s, top + s, right - 3 * s, bottom - 3 * s};
  } else if (m_shiftWhenPressed && state == 2) {
    content = RECT{left + 3 * s, top + 3 * s, right - s, bottom - s};
  }
  if (text == nullptr || (reinterpret_cast<uintptr_t>(text) > 0xFFFF && text[0] == 0)) return;

  RECT label = content;
  if (!toggled) {
    if (paintNamedGlyph(dc, content.left, content.top, content.right, content.bottom, text, c, s)) {
      return;
    }
    if (font == nullptr) return;
    if (!framePainted)
      label = RECT{content.left - s, content.top - s, content.right + s, content.bottom + s};
  } else {
    // A toggled glyph takes the colour of the font it would be written in.
    const COLORREF glyph = font != nullptr ? font->getTextColor() : c;
    if (paintNamedGlyph(dc, content.left, content.top, content.right, content.bottom, text, glyph,
                        s)) {
      return;
    }
    if (font == nullptr) return;
  }
  if (m_label != nullptr)
    m_label->paint(dc, label.left, label.top, label.right, label.bottom, text, font);
}

void Thin::setAccentColor(int32_t red, int32_t green, int32_t blue) {
  m_accentColor = packColor(red, green, blue);
}

int32_t Thin::getFrameRed() { return redOf(m_frameColor); }
int32_t Thin::getFrameGreen() { return greenOf(m_frameColor); }
int32_t Thin::getFrameBlue() { return blueOf(m_frameColor); }

int32_t Thin::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frameColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::getDisabledRed() { return redOf(m_disabledColor); }
int32_t Thin::getDisabledGreen() { return greenOf(m_disabledColor); }
int32_t Thin::getDisabledBlue() { return blueOf(m_disabledColor); }

int32_t Thin::setDisabledColor(int32_t red, int32_t green, int32_t blue) {
  m_disabledColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setToggledFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_toggledFrameColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setToggledBackgroundColor(int32_t red, int32_t green, int32_t blue) {
  m_toggledBackgroundColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::getToggledBackgroundRed() { return redOf(m_toggledBackgroundColor); }
int32_t Thin::getToggledBackgroundGreen() { return greenOf(m_toggledBackgroundColor); }
int32_t Thin::getToggledBackgroundBlue() { return blueOf(m_toggledBackgroundColor); }

bool Thin::paintGlyph(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                      const WCHAR* name, int32_t red, int32_t green, int32_t blue) {
  return paintNamedGlyph(dc, left, top, right, bottom, name, packColor(red, green, blue),
                         displayScale());
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  if (m_label != nullptr) m_label->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

void Thin::applyToFontSettings(IFontSetting* normal, IFontSetting* disabled) {
  if (m_label != nullptr) {
    m_label->applyToFontSettings(normal, disabled, nullptr, nullptr, nullptr);
  }
}

IFontSetting* Thin::getFontSetting() {
  return m_label != nullptr ? m_label->getFontSetting() : nullptr;
}

IFontSetting* Thin::getDisabledFontSetting() {
  return m_label != nullptr ? m_label->getDisabledFontSetting() : nullptr;
}

void Thin::applyToSecondFont(IFont* font) {
  if (m_secondText != nullptr) m_secondText->applyToFonts(font, nullptr, nullptr, nullptr, nullptr);
}

void Thin::applyToSecondFontSetting(IFontSetting* setting) {
  if (m_secondText != nullptr) {
    m_secondText->applyToFontSettings(setting, nullptr, nullptr, nullptr, nullptr);
  }
}

IFontSetting* Thin::getSecondFontSetting() {
  return m_secondText != nullptr ? m_secondText->getFontSetting() : nullptr;
}

void Thin::setBorderShaded(bool on) {
  if (m_border != nullptr) m_border->setShaded(on);
}

}  // namespace s::gui::drawer::button::win
