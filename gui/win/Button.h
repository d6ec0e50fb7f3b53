// The push button: clicks, toggling, auto-repeat, the default state, hover with capture,
// glyph texts and the window's resizing grip.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/IButton.h"
#include "gui/drawer/IButton.h"
#include "gui/win/FontSetting.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

class Font;

/// The system "Button" control (BS_PUSHBUTTON with BS_NOTIFY). Without a drawer the control
/// paints itself; with one, the drawer paints from the hover state (0 normal, 1 hovered, 2
/// pressed), the text and the flags. The text "#Resizer" (exact) makes the grip of the owner
/// window's bottom-right corner: dragging it resizes the window through WM_SIZING, so the window
/// may correct the size; without a drawer it paints six dots.
///
/// The button learns clicks from the control's BN_CLICKED and BN_DOUBLECLICKED, reflected to it
/// by the library class; it looks at presses and moves without taking them from the control.
/// While the pointer is over it the button holds the mouse capture to see it leave. Auto-repeat
/// tells the repeat listeners on the press, then after 500 ms every 100 ms while the pointer is
/// over the button.
///
/// Never kept in its pool: a released Button is destroyed. UI thread, or set-up before attaching.
class Button final : public Widget<IButton, drawer::IButton> {
  S_POOLED_CLASS(Button, u"s_gui_win_Button", kButtonClass.poolCapacity)

  static constexpr UINT kSetDefaultMessage = WM_USER + 1;
  static constexpr UINT kClearDefaultMessage = WM_USER + 2;
  static constexpr UINT kClickedMessage = WM_APP + 4;
  static constexpr UINT kDoubleClickedMessage = WM_APP + 5;
  static constexpr UINT_PTR kRepeatDelayTimer = 20001;
  static constexpr UINT_PTR kRepeatTimer = 20002;

  Button();
  ~Button() override;
  void reset() override;

  // IComponent
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;

  // IButton
  void setText(const WCHAR* text) override;
  void setTextId(int32_t id) override;
  int32_t getTextId() override { return Widget::getTextId(); }
  void setFontStyle(int32_t code) override;
  const WCHAR* getFontFace() override { return m_normal.getFaceName(); }
  void setFontFace(const WCHAR* name) override;
  COLORREF getTextColor() override { return m_normal.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  void setFontPointSize(int32_t size) override;
  int32_t getFontHeight() override { return m_normal.getHeight(); }
  void setFontHeight(int32_t height) override;
  int32_t getFontWidth() override { return m_normal.getWidth(); }
  void setFontWidth(int32_t width) override;
  bool isBold() override { return m_normal.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_normal.isItalic(); }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_normal.isUnderline(); }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_normal.isStrikeOut(); }
  void setStrikeOut(bool on) override;
  int32_t getFontWeight() override { return m_normal.getWeight(); }
  void setFontWeight(int32_t weight) override;
  void setWidthPercent(int32_t percent) override { m_widthPercent = percent; }
  void setHeightPercent(int32_t percent) override { m_heightPercent = percent; }
  void setFixedWidth(int32_t width) override { m_fixedWidth = width; }
  void setFixedHeight(int32_t height) override { m_fixedHeight = height; }
  void addClickListener(events::IEventListener* listener) override;
  void addAfterClickListener(events::IEventListener* listener) override;
  void addRepeatListener(events::IEventListener* listener) override;
  void setAutoRepeat(bool on) override { m_autoRepeat = on; }
  void setDrawer(drawer::IButton* drawer, bool owned) override { Widget::setDrawer(drawer, owned); }
  void setDrawerOption(bool on) override;
  void setToggleMode(bool toggles, bool canUntoggle, bool invertLook, bool paintFlag) override;
  bool canUntoggle() override { return m_canUntoggle; }
  bool isSelected() override { return m_selected; }
  void setSelected(bool on) override;
  void setDefault() override;
  void clearDefault() override;
  bool isDefault() override { return m_default; }
  void setEnabledFlag(bool on) override { m_enabledFlag = on; }
  void setColorGlyph(int32_t red, int32_t green, int32_t blue) override;

  bool isEnabled() override { return m_enabledFlag; }
  void setEnabled(bool enabled) override;
  /// 0 normal, 1 hovered, 2 pressed.
  int32_t getHoverState() const { return m_hover; }
  bool isTracking() const { return m_tracking; }
  const WCHAR* getText() { return text()->getCStr(); }
  FontSetting* getNormalFontSetting() { return &m_normal; }
  FontSetting* getDisabledFontSetting() { return &m_disabled; }
  FontSetting* getSelectedFontSetting() { return &m_selectedSetting; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;
  void postWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::IButton* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void measure() override;
  bool paintsWithDrawer() override { return getDrawer() != nullptr || isResizer(); }
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;
  bool answersColorMessage() override { return getDrawer() == nullptr && !isResizer(); }
  COLORREF controlTextColor() override { return m_normal.getTextColor(); }
  bool forwardsWheel() override { return true; }
  bool wantsAllKeys() override { return true; }
  DWORD creationStyle() override;

 private:
  bool isResizer();
  bool inside(LPARAM lParam);
  POINT screenPointOf(LPARAM lParam);
  bool cursorOverWindow();
  void click();
  void startPress();
  void onMouseMove(WPARAM wParam, LPARAM lParam);
  void onButtonUp(LPARAM lParam);
  void resizeStep(POINT point);
  void setHover(int32_t state);
  void paintGrip(CDC* dc, int32_t width, int32_t height);
  void forEachSetting(void (*change)(FontSetting*, int32_t), int32_t value);
  void applyStyle(bool makeDefault);

  int32_t m_idealWidth = 0;
  int32_t m_idealHeight = 0;
  int32_t m_widthPercent = -1;
  int32_t m_heightPercent = -1;
  int32_t m_fixedWidth = -1;
  int32_t m_fixedHeight = -1;
  Font* m_measuringFont = nullptr;
  FontSetting m_normal;
  FontSetting m_disabled;
  FontSetting m_selectedSetting;
  bool m_enabledFlag = true;
  col::_array::ArrayP m_clickListeners;
  col::_array::ArrayP m_afterClickListeners;
  col::_array::ArrayP m_repeatListeners;
  bool m_autoRepeat = false;
  bool m_tracking = false;
  int32_t m_hover = 0;
  POINT m_lastPoint{0, 0};
  bool m_drawerOption = true;
  bool m_toggles = false;
  bool m_canUntoggle = true;
  bool m_invertLook = false;
  bool m_paintFlag = false;
  bool m_selected = false;
  bool m_default = false;
};

/// A button from the pool with the language text `textId`, enabled; a width percent (truncated)
/// and a fixed height are applied when 0 or more.
Button* makeButton(int32_t textId, double widthPercent, int32_t fixedHeight);

}  // namespace s::gui::win
