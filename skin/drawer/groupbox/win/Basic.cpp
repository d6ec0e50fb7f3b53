// The basic group box's caption and frame.
#include "skin/drawer/groupbox/win/Basic.h"

#include "skin/drawer/Paint.h"
#include "skin/drawer/groupbox/win/Caption.h"

namespace s::gui::drawer::groupbox::win {

Basic::Basic() : m_caption(text::win::Basic::create()) { reset(); }

Basic::~Basic() { m_caption->release(); }

void Basic::reset() {
  m_frame = RGB(208, 208, 191);
  m_caption->reset();
  m_caption->getFontSetting()->setTextColor(0, 70, 213);
}

void Basic::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const WCHAR* text, IFont* font, int32_t captionWidth, int32_t captionHeight) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t captionRight = captionWidth + 9;
  paintCaption(dc, RECT{9, 0, captionRight, captionHeight}, text, font);
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  fill(dc, left + 2, top, 5, 1, m_frame);
  fill(dc, captionRight + 2, top, w - captionRight - 4, 1, m_frame);
  fill(dc, left + 2, bottom - 1, w - 4, 1, m_frame);
  fill(dc, left, top + 2, 1, h - 4, m_frame);
  fill(dc, right - 1, top + 2, 1, h - 4, m_frame);
  fill(dc, left + 1, top + 1, 2, 1, m_frame);
  fill(dc, right - 3, top + 1, 2, 1, m_frame);
  fill(dc, left + 1, bottom - 2, 2, 1, m_frame);
  fill(dc, right - 3, bottom - 2, 2, 1, m_frame);
  fill(dc, left + 1, top + 2, 1, 1, m_frame);
  fill(dc, right - 2, top + 2, 1, 1, m_frame);
  fill(dc, left + 1, bottom - 3, 1, 1, m_frame);
  fill(dc, right - 2, bottom - 3, 1, 1, m_frame);
}

int32_t Basic::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frame = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Basic::getFrameRed() { return redOf(m_frame); }
int32_t Basic::getFrameGreen() { return greenOf(m_frame); }
int32_t Basic::getFrameBlue() { return blueOf(m_frame); }

void Basic::applyToFonts(IFont* normal, IFont* disabled) {
  m_caption->applyToFonts(normal, disabled, nullptr, nullptr, nullptr);
}

}  // namespace s::gui::drawer::groupbox::win
