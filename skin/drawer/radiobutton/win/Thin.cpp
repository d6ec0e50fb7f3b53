// The thin radio-button drawer's ring, dot and label.
#include "skin/drawer/radiobutton/win/Thin.h"

#include "gui/IFontSetting.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/text/win/Basic.h"

#include <afxwin.h>

namespace s::gui::drawer::radiobutton::win {

namespace {

// The ring is composed at four times its 13-pixel size, with 4-pixel pens.
constexpr int kLarge = 52;
constexpr int kSmall = 13;

/// One ellipse with a pen and brush made for it, both deselected and deleted afterwards.
void ellipse(HDC dc, int left, int top, int right, int bottom, COLORREF pen, COLORREF brush) {
  HPEN newPen = ::CreatePen(PS_SOLID, 4, pen);
  HBRUSH newBrush = ::CreateSolidBrush(brush);
  if (newPen != nullptr && newBrush != nullptr) {
    HGDIOBJ oldPen = ::SelectObject(dc, newPen);
    HGDIOBJ oldBrush = ::SelectObject(dc, newBrush);
    ::Ellipse(dc, left, top, right, bottom);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
  }
  if (newBrush != nullptr) ::DeleteObject(newBrush);
  if (newPen != nullptr) ::DeleteObject(newPen);
}

}  // namespace

Thin::Thin() : m_label(text::win::Basic::take()) { reset(); }

Thin::~Thin() {
  if (m_label != nullptr) m_label->release();
}

void Thin::reset() {
  m_flag = 0;
  m_ringColor = 0x787878;
  m_dotColor = 0x38B935;
  if (m_label != nullptr) m_label->reset();
}

int32_t Thin::setTextColor(int32_t red, int32_t green, int32_t blue) {
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

int32_t Thin::setRingColor(int32_t red, int32_t green, int32_t blue) {
  m_ringColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setDotColor(int32_t red, int32_t green, int32_t blue) {
  m_dotColor = packColor(red, green, blue);
  return red & 0xFF;
}

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  if (m_label != nullptr) m_label->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

void Thin::paint(CDC* dc, CDC* scratchDc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                 bool selected, const WCHAR* text, IFont* font, COLORREF backgroundColor) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  const int32_t h = bottom - top;
  if (scratchDc != nullptr) {
    HDC scratch = scratchDc->m_hDC;
    ellipse(scratch, 0, 0, kLarge, kLarge, m_ringColor, backgroundColor);
    if (selected) ellipse(scratch, 12, 12, 40, 40, backgroundColor, m_dotColor);
    const int previous = ::SetStretchBltMode(dc->m_hDC, HALFTONE);
    ::StretchBlt(dc->m_hDC, left, top + h / 2 - 6, kSmall, kSmall, scratch, 0, 0, kLarge, kLarge,
                 SRCCOPY);
    if (previous != 0) ::SetStretchBltMode(dc->m_hDC, previous);
  }
  if (m_label != nullptr && text != nullptr) {
    m_label->paint(dc, left + h + h / 6, top, right, bottom, text, font);
  }
}

}  // namespace s::gui::drawer::radiobutton::win
