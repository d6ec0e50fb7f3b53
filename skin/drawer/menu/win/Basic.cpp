// The basic menu bar's layout and painting.
#include "skin/drawer/menu/win/Basic.h"

#include "gui/IFont.h"
#include "skin/drawer/Paint.h"

#include <algorithm>

namespace s::gui::drawer::menu::win {

Basic::Basic() : m_text(text::win::Basic::create()), m_combo(combo::win::Thin::create()) {
  reset();
}

Basic::~Basic() {
  m_text->release();
  m_combo->release();
}

void Basic::reset() {
  m_entrySetting.reset();
  m_entrySetting.setStyleCode(-2);
  m_selectedSetting.reset();
  m_selectedSetting.setStyleCode(-2);
  const COLORREF highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  m_selectedSetting.setTextColor(redOf(highlightText), greenOf(highlightText),
                                 blueOf(highlightText));
  m_selection = ::GetSysColor(COLOR_HIGHLIGHT);
  m_fillHot = true;
  m_shiftPressed = false;
  m_combo->reset();
}

Basic* Basic::createWithColors(int32_t textRed, int32_t textGreen, int32_t textBlue,
                               int32_t selectionRed, int32_t selectionGreen, int32_t selectionBlue,
                               int32_t selectedRed, int32_t selectedGreen, int32_t selectedBlue) {
  Basic* drawer = take();
  if (drawer == nullptr) {
    return nullptr;
  }
  drawer->setTextColor(textRed, textGreen, textBlue);
  drawer->setSelectionColor(selectionRed, selectionGreen, selectionBlue);
  drawer->setSelectedTextColor(selectedRed, selectedGreen, selectedBlue);
  drawer->setFillHotEntry(false);
  drawer->setShiftPressedEntry(true);
  return drawer;
}

void Basic::applyToFonts(IFont* entryFont, IFont* selectedFont) {
  if (entryFont != nullptr) {
    m_entrySetting.setStyleCode(entryFont->getStyleCode());
    entryFont->inheritFromSetting(&m_entrySetting);
  }
  if (selectedFont != nullptr) {
    m_selectedSetting.setStyleCode(selectedFont->getStyleCode());
    selectedFont->inheritFromSetting(&m_selectedSetting);
  }
}

void Basic::layout(HWND window, const WCHAR* const* entries, RECT* rectangles, int32_t count,
                   IFont* font, int32_t& minimumWidth, int32_t& minimumHeight,
                   int32_t& preferredWidth, int32_t& preferredHeight, int32_t ph, int32_t pv,
                   bool comboMode) {
  minimumWidth = 0;
  minimumHeight = 0;
  preferredWidth = 0;
  preferredHeight = 0;
  if (entries == nullptr || rectangles == nullptr || count <= 0) {
    count = 0;
  }
  HDC screen = ::GetDC(window);
  CDC dc;
  dc.Attach(screen);
  for (int32_t i = 0; i < count; ++i) {
    int32_t mw = 0, mh = 0, pw = 0, pHeight = 0;
    m_text->measureLines(&dc, entries[i], font, mw, mh, pw, pHeight);
    rectangles[i] = RECT{minimumWidth, 0, minimumWidth + 2 * ph + mw, 2 * pv + mh};
    minimumWidth += 2 * ph + mw;
    minimumHeight = std::max(minimumHeight, 2 * pv + mh);
    preferredWidth += 2 * ph + pw;
    preferredHeight = std::max(preferredHeight, 2 * pv + pHeight);
  }
  dc.Detach();
  ::ReleaseDC(window, screen);
  for (int32_t i = 0; i < count; ++i) {
    rectangles[i].bottom = minimumHeight;
  }
  if (comboMode) {
    // Room for the combo face's arrow and its frame.
    minimumWidth += 15;
    preferredWidth += 15;
    minimumHeight += 4;
    preferredHeight += 4;
  }
}

void Basic::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const WCHAR* const* entries, const RECT* rectangles, int32_t count, IFont* font,
                  IFont* selectedFont, int32_t ph, int32_t pv, int32_t hotIndex, bool pressed,
                  bool comboMode, bool lastAtRight, bool lastAsLink) {
  if (dc == nullptr || left >= right || top >= bottom || entries == nullptr || count <= 0) {
    return;
  }
  if (comboMode) {
    const int32_t state = hotIndex != 0 ? 0 : (pressed ? 2 : 1);
    m_combo->paint(dc, left, top, right, bottom, state, entries[0], font, true);
    return;
  }
  if (rectangles == nullptr || font == nullptr) {
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    RECT r = rectangles[i];
    const bool last = i == count - 1;
    int32_t textRight = r.right - ph;
    if (lastAtRight && last) {
      const int32_t shift = right - r.right;
      r.left += shift;
      r.right += shift;
      textRight = right - ph;
    }
    const bool link = lastAsLink && last;
    const COLORREF savedColor = font->getTextColor();
    const bool savedUnderline = font->isUnderline();
    if (link) {
      font->setTextColor(0, 0, 204);
      if (i == hotIndex) {
        font->setUnderline(true);
      }
    }
    if (i != hotIndex) {
      m_text->paint(dc, r.left + ph, r.top + pv, textRight, r.bottom - pv, entries[i], font);
    } else {
      // The entry at the right and the link entry stand apart from the bar: never filled.
      const bool filled = m_fillHot && !link && !(lastAtRight && last);
      if (filled) {
        fill(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, m_selection);
      }
      IFont* used = filled && selectedFont != nullptr ? selectedFont : font;
      const int32_t shift = !m_shiftPressed ? 0 : (pressed ? 1 : -1);
      m_text->paint(dc, r.left + ph + shift, r.top + pv + shift, textRight + shift,
                    r.bottom - pv + shift, entries[i], used);
    }
    if (link) {
      font->setTextColor(redOf(savedColor), greenOf(savedColor), blueOf(savedColor));
      font->setUnderline(savedUnderline);
    }
  }
}

int32_t Basic::setSelectionColor(int32_t red, int32_t green, int32_t blue) {
  m_selection = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Basic::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_entrySetting.setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Basic::setSelectedTextColor(int32_t red, int32_t green, int32_t blue) {
  m_selectedSetting.setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::menu::win
