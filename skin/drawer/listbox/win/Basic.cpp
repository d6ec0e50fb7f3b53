// The basic list box's row layout, hits and row painting.
#include "skin/drawer/listbox/win/Basic.h"

#include "gui/IFont.h"
#include "imaging/win/BufferedImage.h"
#include "skin/drawer/Paint.h"

#include <afxwin.h>

#include <algorithm>

namespace s::gui::drawer::listbox::win {

namespace {

/// Draws a text with a font's face and colour, transparent, and restores the context.
void drawText(CDC* dc, RECT rect, const WCHAR* text, IFont* font, COLORREF color, UINT format) {
  if (text == nullptr) {
    return;
  }
  const int previousMode = dc->SetBkMode(TRANSPARENT);
  const COLORREF previousColor = dc->SetTextColor(color);
  auto* native = dynamic_cast<CFont*>(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native->m_hObject) : nullptr;
  ::DrawTextW(dc->m_hDC, text, -1, &rect, format);
  dc->SetBkMode(previousMode);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
  dc->SetTextColor(previousColor);
}

/// The extent a text takes on one line with a font, cut with an ellipsis to `width`.
SIZE measure(CDC* dc, const WCHAR* text, IFont* font, int32_t width, UINT format) {
  if (text == nullptr || font == nullptr) {
    return SIZE{0, 0};
  }
  auto* native = dynamic_cast<CFont*>(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native->m_hObject) : nullptr;
  RECT r{0, 0, std::max(width, 0), 0};
  ::DrawTextW(dc->m_hDC, text, -1, &r, format | DT_CALCRECT);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
  return SIZE{std::min<LONG>(r.right - r.left, std::max(width, 0)), r.bottom - r.top};
}

bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

/// The status colours of a row's text; other values keep the font's colour.
bool statusColor(int32_t status, COLORREF& color) {
  switch (status) {
    case 0:
    case 1: color = RGB(255, 0, 0); return true;
    case 3: color = RGB(153, 153, 153); return true;
    case 10: color = RGB(68, 132, 5); return true;
    default: return false;
  }
}

}  // namespace

Basic::Basic()
    : m_normal(text::win::Basic::create()),
      m_selected(text::win::Basic::create()),
      m_button(button::win::Thin::create()) {
  reset();
}

Basic::~Basic() {
  m_normal->release();
  m_selected->release();
  m_button->release();
}

void Basic::reset() {
  m_selection = RGB(120, 120, 120);
  m_background = RGB(51, 51, 51);
  m_line = RGB(224, 224, 224);
  m_normal->reset();
  m_selected->reset();
  m_button->reset();
}

Basic* Basic::createWithSystemColors() {
  Basic* drawer = take();
  if (drawer == nullptr) {
    return nullptr;
  }
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  drawer->setBackgroundColor(255, 255, 255);
  drawer->setTextColor(0, 0, 0);
  drawer->setSelectionColor(redOf(highlight), greenOf(highlight), blueOf(highlight));
  drawer->setSelectedTextColor(redOf(highlightText), greenOf(highlightText), blueOf(highlightText));
  drawer->setLineColor(238, 238, 238);
  return drawer;
}

Basic::RowLayout Basic::layoutRow(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                  int32_t level, bool treeGlyph, bool checkBox, bool icon) {
  const int32_t s = displayScale();
  RowLayout out{};
  const int32_t x0 = left + 4 * s + level * 15 * s;
  const int32_t yt = top + (bottom - 15 * s - top) / 2 + 1;
  out.tree = RECT{x0, yt, treeGlyph ? x0 + 13 * s : x0, yt + 15 * s};
  const int32_t x1 = out.tree.right + (treeGlyph ? 2 * s : 0);
  out.checkBox = RECT{x1, yt, checkBox ? x1 + 15 * s : x1, yt + 15 * s};
  const int32_t x2 = out.checkBox.right + (checkBox ? 3 * s : 0);
  const int32_t yi = top + (bottom - 13 * s - top) / 2 + 1;
  out.icon = RECT{x2, yi, icon ? x2 + 13 * s : x2, yi + 13 * s};
  const int32_t xt = out.icon.right + (icon ? 3 * s : 0);
  out.text = RECT{xt, top, std::max(xt, right - 4 * s), bottom};
  return out;
}

void Basic::paintBackground(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  fill(dc, left, top, right - left, bottom - top, m_background);
}

void Basic::paintRow(CDC* dc, ::s::image::win::BufferedImage* target, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, int32_t alignment, bool selected, bool focused,
                     bool fullRowSelection, bool alternate, int32_t dropMark, int32_t dropMarkSide,
                     bool wideDropMark, const WCHAR* text, IFont* font, IFont* selectedFont,
                     int32_t level, bool treeGlyph, bool open, int32_t checkState,
                     ::s::image::IImage* icon, bool underline, bool endEllipsis, int32_t progress,
                     int32_t status, int32_t& textLeft, int32_t& textTop, int32_t& textRight,
                     int32_t& textBottom) {
  textLeft = textTop = textRight = textBottom = 0;
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t s = displayScale();
  auto* iconImage = dynamic_cast<::s::image::win::BufferedImage*>(icon);
  const bool hasCheck = checkState >= 1 && checkState <= 3;
  const RowLayout row =
      layoutRow(left, top, right, bottom, level, treeGlyph, hasCheck, iconImage != nullptr);
  IFont* measureFont = selected && selectedFont != nullptr ? selectedFont : font;
  IFont* textFont = (selected || focused) && selectedFont != nullptr ? selectedFont : font;

  UINT align = 0;
  if (alignment == 1) {
    align = DT_CENTER;
  } else if (alignment == 2) {
    align = DT_RIGHT;
  }
  const int32_t boxWidth = row.text.right - row.text.left;
  const SIZE extent = measure(dc, text, measureFont, boxWidth,
                              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | align);
  RECT measured{row.text.left, 0, row.text.left + extent.cx, 0};
  if (alignment == 1) {
    measured.left = row.text.left + (boxWidth - extent.cx) / 2;
  } else if (alignment == 2) {
    measured.left = row.text.right - extent.cx;
  }
  measured.right = measured.left + extent.cx;
  measured.top = top + (bottom - top - extent.cy) / 2;
  measured.bottom = measured.top + extent.cy;

  // 1. The row, then the selection behind the text or across the row.
  const COLORREF rowColor = alternate ? m_line : m_background;
  fill(dc, left, top, right - left, bottom - top, rowColor);
  if (selected) {
    if (fullRowSelection) {
      fill(dc, left, top, right - left, bottom - top, m_selection);
    } else {
      fill(dc, row.text.left, top, measured.right + 4 - row.text.left, bottom - top, m_selection);
    }
  }
  // 2. A drop mark across the row, after the tree glyphs' indent.
  if (dropMark != 0) {
    const int32_t height = wideDropMark ? 2 * s : s;
    const int32_t indent = treeGlyph ? s * (15 * level + 19) : 0;
    const int32_t y = dropMarkSide == 0 ? top : bottom - height;
    fill(dc, left + indent, y, right - left - indent, height, m_selection);
  }
  const COLORREF ink = textFont != nullptr ? textFont->getTextColor() : RGB(0, 0, 0);
  // 3. The tree glyph and the check box in the text colour of the font in use.
  if (treeGlyph) {
    m_button->paintGlyph(dc, row.tree.left, row.tree.top + s, row.tree.right, row.tree.bottom - s,
                         open ? u"#TreeOpen" : u"#TreeClosed", redOf(ink), greenOf(ink),
                         blueOf(ink));
  }
  if (hasCheck) {
    const RECT& box = row.checkBox;
    fill(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, ink);
    const COLORREF inside = selected && fullRowSelection ? m_selection : rowColor;
    fill(dc, box.left + 2 * s, box.top + 2 * s, box.right - box.left - 4 * s,
         box.bottom - box.top - 4 * s, inside);
    if (checkState == 3) {
      fill(dc, box.left + 4 * s, box.top + 4 * s, box.right - box.left - 8 * s,
           box.bottom - box.top - 8 * s, ink);
    } else if (checkState == 2) {
      m_button->paintGlyph(dc, box.left + 3 * s, box.top + 3 * s, box.right - 3 * s,
                           box.bottom - 3 * s, u"#Check", redOf(ink), greenOf(ink), blueOf(ink));
    }
  }
  // 4. The icon goes into the back buffer's pixels, so its alpha is composed there.
  if (iconImage != nullptr && target != nullptr && !isEmpty(row.icon)) {
    const int32_t size = row.icon.right - row.icon.left;
    const bool scaled = iconImage->getWidth() != size || iconImage->getHeight() != size;
    target->drawImage(row.icon.left, row.icon.top, size, size, iconImage, 0, 0, scaled);
  }
  textLeft = measured.left;
  textTop = measured.top;
  textRight = measured.right;
  textBottom = measured.bottom;
  if (textFont == nullptr || isEmpty(row.text)) {
    return;
  }
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align;
  if (endEllipsis) {
    format |= DT_END_ELLIPSIS;
  }
  // 5. A progress cell: a bar in a framed white field with the text over it in white.
  if (progress >= 0) {
    COLORREF bar = RGB(134, 196, 64);
    int32_t value = progress;
    if (progress >= 2000 && progress <= 3000) {
      bar = RGB(170, 170, 170);
      value -= 2000;
    } else if (progress >= 4000 && progress <= 5000) {
      bar = RGB(255, 0, 0);
      value -= 4000;
    }
    value = std::clamp(value, 0, 1000);
    const RECT field{row.text.left, top + s, row.text.right, bottom - s};
    if (!isEmpty(field)) {
      const int32_t fw = field.right - field.left;
      const int32_t fh = field.bottom - field.top;
      fill(dc, field.left, field.top, fw, fh, RGB(240, 240, 240));
      fill(dc, field.left + 1, field.top + 1, fw - 2, fh - 2, RGB(255, 255, 255));
      fill(dc, field.left + 1, field.top + 1, (fw - 2) * value / 1000, fh - 2, bar);
      drawText(dc, field, text, textFont, RGB(255, 255, 255),
               DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    return;
  }
  // 6. The text, underlined on request, in a status colour when the row has one.
  COLORREF color = textFont->getTextColor();
  statusColor(status, color);
  const bool savedUnderline = textFont->isUnderline();
  if (underline && !savedUnderline) {
    textFont->setUnderline(true);
  }
  drawText(dc, row.text, text, textFont, color, format);
  if (underline && !savedUnderline) {
    textFont->setUnderline(false);
  }
}

bool Basic::hitCheckBox(int32_t x, int32_t y, bool withTree, int32_t level) {
  const int32_t s = displayScale();
  if (withTree) {
    const int32_t xr = x - level * 15 * s;
    return xr >= 20 * s && xr < 35 * s && y >= s && y < 16 * s;
  }
  return x >= 4 * s && x < 19 * s && y >= s && y < 16 * s;
}

bool Basic::hitTreeGlyph(int32_t x, int32_t y, int32_t level) {
  const int32_t s = displayScale();
  const int32_t xr = x - level * 15 * s;
  return xr >= 4 * s && xr < 17 * s && y >= s && y < 16 * s;
}

int32_t Basic::setSelectionColor(int32_t red, int32_t green, int32_t blue) {
  m_selection = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Basic::getBackgroundRed() { return redOf(m_background); }
int32_t Basic::getBackgroundGreen() { return greenOf(m_background); }
int32_t Basic::getBackgroundBlue() { return blueOf(m_background); }

int32_t Basic::setBackgroundColor(int32_t red, int32_t green, int32_t blue) {
  m_background = packColor(red, green, blue);
  return red & 0xFF;
}

void Basic::applyToFonts(IFont* normal, IFont* selected) {
  m_normal->applyToFonts(normal, nullptr, nullptr, nullptr, nullptr);
  m_selected->applyToFonts(selected, nullptr, nullptr, nullptr, nullptr);
}

int32_t Basic::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_normal->getFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Basic::setSelectedTextColor(int32_t red, int32_t green, int32_t blue) {
  m_selected->getFontSetting()->setTextColor(red & 0xFF, green & 0xFF, blue & 0xFF);
  return red & 0xFF;
}

int32_t Basic::getLineRed() { return redOf(m_line); }
int32_t Basic::getLineGreen() { return greenOf(m_line); }
int32_t Basic::getLineBlue() { return blueOf(m_line); }

int32_t Basic::setLineColor(int32_t red, int32_t green, int32_t blue) {
  m_line = packColor(red, green, blue);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::listbox::win
