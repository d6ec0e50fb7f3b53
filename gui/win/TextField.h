// The text field: the native single-line edit control with its font, password mask, read-only
// switch and change, Enter and focus-lost listeners.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/ITextField.h"
#include "gui/drawer/IDrawer.h"
#include "gui/win/Font.h"
#include "gui/win/SizeRules.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

/// Always painted natively. An editable, enabled field shows its background colour (white at
/// first); a read-only or disabled one the dialog face colour. Each typed character is painted
/// once, after the control has handled it. The field sets no length limit and filters nothing.
/// Setting the text at creation tells nobody. Measured 50 x 24 at scale 1, whatever its text.
/// Pooled (capacity 1000).
class TextField final : public Widget<ITextField, drawer::IDrawer> {
  S_POOLED_CLASS(TextField, u"s_gui_win_TextField", kTextFieldClass.poolCapacity)

  /// Sent to the control: focus it and select its whole text on its own thread.
  static constexpr UINT kFocusAndSelectAllMessage = WM_USER + 1;

  TextField() : Widget(kTextFieldClass) { reset(); }
  ~TextField() override;
  void reset() override;

  // IComponent
  int32_t getMinimumWidth() override { return m_sizes.minimumWidth(Widget::getMinimumWidth()); }
  int32_t getMinimumHeight() override { return m_sizes.minimumHeight(Widget::getMinimumHeight()); }
  int32_t getMaximumWidth() override {
    return m_sizes.maximumWidth(getParent(), Widget::getMinimumWidth());
  }
  int32_t getMaximumHeight() override {
    return m_sizes.maximumHeight(getParent(), Widget::getMinimumHeight());
  }
  bool isEditable() override { return m_editable; }
  void setEditable(bool on) override;

  // ITextField
  const WCHAR* getText() override;
  void setText(const WCHAR* text, bool notify) override;
  bool isEmpty() override;
  void clear() override { setText(u"", true); }
  int32_t getFontStyle() override { return m_font.getStyleCode(); }
  void setFontStyle(int32_t code) override;
  const WCHAR* getFontFace() override { return m_font.getFaceName(); }
  void setFontFace(const WCHAR* name) override;
  int32_t getFontHeight() override { return m_font.getHeight(); }
  void setFontHeight(int32_t height) override;
  COLORREF getTextColor() override { return m_font.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getFontWidth() override { return m_font.getWidth(); }
  void setFontWidth(int32_t width) override;
  bool isBold() override { return m_font.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_font.isItalic(); }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_font.isUnderline(); }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_font.isStrikeOut(); }
  void setStrikeOut(bool on) override;
  int32_t getFontWeight() override { return m_font.getWeight(); }
  void setFontWeight(int32_t weight) override;
  void setWidthPercent(int32_t percent) override { m_sizes.widthPercent = percent; }
  void setHeightPercent(int32_t percent) override { m_sizes.heightPercent = percent; }
  void setFixedWidth(int32_t width) override { m_sizes.fixedWidth = width; }
  void setFixedHeight(int32_t height) override { m_sizes.fixedHeight = height; }
  void addChangeListener(events::IEventListener* listener) override;
  void addEnterListener(events::IEventListener* listener) override;
  void addFocusLostListener(events::IEventListener* listener) override;
  void focusAndSelectAllOnUiThread() override;
  void focusAndSelectAll() override;
  void setPassword(bool on) override;

  bool isPassword() const { return m_password; }
  Font* getFont() { return &m_font; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;
  // CWnd: Enter is taken before the control or a dialog sees it.
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void onLanguageChanged() override {}
  void applyText() override;
  void applySettings() override;
  void measure() override;
  COLORREF controlTextColor() override { return m_font.getTextColor(); }

 private:
  /// Sets the font on the control and measures again, after a font setter.
  void fontChanged();
  HBRUSH answerColor(HDC dc);
  void deleteFieldBrush();

  SizeRules m_sizes;
  Font m_font;
  HBRUSH m_fieldBrush = nullptr;
  bool m_editable = true;
  bool m_notify = true;
  bool m_password = false;
  col::_array::ArrayP m_changeListeners;
  col::_array::ArrayP m_enterListeners;
  col::_array::ArrayP m_focusLostListeners;
};

}  // namespace s::gui::win
