// The toolkit's colour dialog, opened in full on the current colour.
#include "gui/dialogs/win/ColorPicker.h"

#include "gui/IComponent.h"
#include "gui/IWindow.h"

#include <windows.h>
#include <afxdlgs.h>

namespace s::gui::dialogs::win {

void ColorPicker::reset() {
  m_color = 0xFFFFFF;
  m_current = 0xFFFFFF;
}

void ColorPicker::setColor(int32_t red, int32_t green, int32_t blue) {
  m_current = ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
}

uint32_t ColorPicker::toColorRef(int32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int32_t ColorPicker::fromColorRef(uint32_t colorRef) {
  return static_cast<int32_t>((GetRValue(colorRef) << 16) | (GetGValue(colorRef) << 8) |
                              GetBValue(colorRef));
}

bool ColorPicker::run(IComponent* owner) {
  CColorDialog dialog(toColorRef(m_current), CC_FULLOPEN, nullptr);
  IWindow* window = owner != nullptr ? owner->getWindow() : nullptr;
  dialog.m_cc.hwndOwner = window != nullptr ? window->getHandle() : nullptr;
  if (dialog.DoModal() != IDOK) return false;
  const COLORREF chosen = dialog.GetColor();
  m_red = GetRValue(chosen);
  m_green = GetGValue(chosen);
  m_blue = GetBValue(chosen);
  m_color = fromColorRef(chosen);
  return true;
}

}  // namespace s::gui::dialogs::win
