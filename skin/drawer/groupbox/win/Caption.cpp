// The group boxes' caption line.
#include "skin/drawer/groupbox/win/Caption.h"

#include "gui/IFont.h"

#include <afxwin.h>

namespace s::gui::drawer::groupbox::win {

void paintCaption(CDC* dc, const RECT& rect, const WCHAR* text, IFont* font) {
  if (dc == nullptr || text == nullptr || font == nullptr || rect.left >= rect.right ||
      rect.top >= rect.bottom) {
    return;
  }
  const int previousMode = dc->SetBkMode(TRANSPARENT);
  const COLORREF previousColor = dc->SetTextColor(font->getTextColor());
  auto* native = dynamic_cast<CFont*>(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native->m_hObject) : nullptr;
  RECT r = rect;
  ::DrawTextW(dc->m_hDC, text, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  dc->SetBkMode(previousMode);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
  dc->SetTextColor(previousColor);
}

}  // namespace s::gui::drawer::groupbox::win
