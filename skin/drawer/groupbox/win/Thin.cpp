// The thin group box's caption, bands and corner squares.
#include "skin/drawer/groupbox/win/Thin.h"

#include "skin/drawer/Paint.h"
#include "skin/drawer/groupbox/win/Caption.h"

namespace s::gui::drawer::groupbox::win {

Thin::Thin() : m_caption(text::win::Basic::create()) { reset(); }

Thin::~Thin() { m_caption->release(); }

void Thin::reset() {
  m_frame = RGB(208, 208, 191);
  m_caption->reset();
  m_caption->getFontSetting()->setTextColor(0, 70, 213);
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                 const WCHAR* text, IFont* font, int32_t captionWidth, int32_t captionHeight) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t s = displayScale();
  const int32_t captionLeft = 9 * s;
  const int32_t captionRight = captionWidth + captionLeft;
  paintCaption(dc, RECT{captionLeft, 0, captionRight, captionHeight}, text, font);
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  const COLORREF c = m_frame;
  if (s < 2) {
    fill(dc, left + 2, top, captionLeft - 4, 2, c);
    fill(dc, captionRight + 2, top, w - captionRight - 4, 2, c);
    fill(dc, left + 2, bottom - 2, w - 4, 2, c);
    fill(dc, left, top + 2, 2, h - 4, c);
    fill(dc, right - 2, top + 2, 2, h - 4, c);
    fill(dc, left + 1, top + 1, 2, 2, c);
    fill(dc, right - 3, top + 1, 2, 2, c);
    fill(dc, left + 1, bottom - 3, 2, 2, c);
    fill(dc, right - 3, bottom - 3, 2, 2, c);
    return;
  }
  fill(dc, left + 4, top, captionLeft - 8, 4, c);
  fill(dc, captionRight + 4, top, w - captionRight - 8, 4, c);
  fill(dc, left + 4, bottom - 4, w - 8, 4, c);
  fill(dc, left, top + 4, 4, h - 8, c);
  fill(dc, right - 4, top + 4, 4, h - 8, c);
  // clang-format off
  const POINT steps[12] = {
      {left + 1, top + 3},     {left + 2, top + 2},     {left + 3, top + 1},
      {right - 7, top + 1},    {right - 6, top + 2},    {right - 5, top + 3},
      {left + 1, bottom - 7},  {left + 2, bottom - 6},  {left + 3, bottom - 5},
      {right - 7, bottom - 5}, {right - 6, bottom - 6}, {right - 5, bottom - 7},
  };
  // clang-format on
  for (const POINT& step : steps) {
    fill(dc, step.x, step.y, 4, 4, c);
  }
}

int32_t Thin::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frame = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::getFrameRed() { return redOf(m_frame); }
int32_t Thin::getFrameGreen() { return greenOf(m_frame); }
int32_t Thin::getFrameBlue() { return blueOf(m_frame); }

void Thin::applyToFonts(IFont* normal, IFont* disabled) {
  m_caption->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

}  // namespace s::gui::drawer::groupbox::win
