// Fonts: the description's setters followed by a rebuild of the native font.
#include "gui/win/Font.h"

#include "gui/IFontSetting.h"

namespace s::gui::win {

Font::Font() { reset(); }

Font::~Font() = default;

void Font::reset() {
  m_d.reset();
  m_attachedDc = nullptr;
  rebuild();
}

void Font::rebuild() {
  if (m_hObject != nullptr) {
    DeleteObject();
  }
  CreateFontIndirect(&m_d.logFont);
}

void Font::applyColorToDc() {
  if (m_attachedDc != nullptr) {
    m_attachedDc->SetTextColor(m_d.textColor);
  }
}

void Font::assign(const FontDescription& description) {
  m_d = description;
  rebuild();
}

int32_t Font::getTextHeight() {
  HDC dc = ::CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    return 0;
  }
  HGDIOBJ previous = ::SelectObject(dc, m_hObject);
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, u"TEST", -1, &r, DT_CALCRECT | DT_NOPREFIX);
  ::SelectObject(dc, previous);
  ::DeleteDC(dc);
  return r.bottom - r.top;
}

void Font::setStyleCode(int32_t code) {
  if (m_d.applyStyleCode(code)) {
    rebuild();
  }
}

void Font::setFaceName(const WCHAR* name) {
  m_d.setFaceName(name);
  rebuild();
}

void Font::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_d.setTextColor(red, green, blue);
  applyColorToDc();
}

void Font::setEffectColor1(int32_t red, int32_t green, int32_t blue) {
  m_d.setEffectColor1(red, green, blue);
}

void Font::setEffectColor2(int32_t red, int32_t green, int32_t blue) {
  m_d.setEffectColor2(red, green, blue);
}

void Font::setPointSize(int32_t points) {
  m_d.setPointSize(points);
  rebuild();
}

void Font::setHeight(int32_t height) {
  m_d.setHeight(height);
  rebuild();
}

void Font::setWidth(int32_t width) {
  m_d.setWidth(width);
  rebuild();
}

void Font::setBold(bool on) {
  m_d.setBold(on);
  rebuild();
}

void Font::setItalic(bool on) {
  m_d.setItalic(on);
  rebuild();
}

void Font::setUnderline(bool on) {
  m_d.setUnderline(on);
  rebuild();
}

void Font::setStrikeOut(bool on) {
  m_d.setStrikeOut(on);
  rebuild();
}

void Font::setWeight(int32_t weight) {
  m_d.setWeight(weight);
  rebuild();
}

void Font::setClearType(bool on) {
  m_d.setClearType(on);
  rebuild();
}

void Font::inheritFromSetting(IFontSetting* setting) {
  bool colorCopied = false;
  // One rebuild for all the copied properties: the native font ends the same as after one per
  // property, at a fraction of the cost.
  if (m_d.inheritFrom(setting, colorCopied)) {
    rebuild();
  }
  if (colorCopied) {
    applyColorToDc();
  }
}

void Font::inheritFromFont(IFont* font) {
  bool colorCopied = false;
  if (m_d.inheritFrom(font, colorCopied)) {
    rebuild();
  }
  if (colorCopied) {
    applyColorToDc();
  }
}

}  // namespace s::gui::win
