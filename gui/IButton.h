// The interface of the push button: clicks, toggling, auto-repeat, the default state and glyphs.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {
class IButton;
}

namespace s::gui {

/// A push button. Click listeners hear event 1, after-click listeners event 2 (after the
/// selection flip of a toggle button), repeat listeners event 3 (on the press and every
/// auto-repeat tick). A text starting with "#" names a glyph for the drawer; "#Resizer" makes
/// the window's resizing grip. Font setters re-measure; the text colour is the normal look's
/// only. -1 switches a percent or a fixed size off. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the component's.
class IButton : public IComponent {
 public:
  virtual void setText(const WCHAR* text) = 0;
  virtual void setTextId(int32_t id) = 0;
  virtual int32_t getTextId() = 0;
  virtual void setFontStyle(int32_t code) = 0;
  virtual const WCHAR* getFontFace() = 0;
  virtual void setFontFace(const WCHAR* name) = 0;
  virtual COLORREF getTextColor() = 0;
  virtual void setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setFontPointSize(int32_t size) = 0;
  virtual int32_t getFontHeight() = 0;
  virtual void setFontHeight(int32_t height) = 0;
  virtual int32_t getFontWidth() = 0;
  virtual void setFontWidth(int32_t width) = 0;
  virtual bool isBold() = 0;
  virtual void setBold(bool on) = 0;
  virtual bool isItalic() = 0;
  virtual void setItalic(bool on) = 0;
  virtual bool isUnderline() = 0;
  virtual void setUnderline(bool on) = 0;
  virtual bool isStrikeOut() = 0;
  virtual void setStrikeOut(bool on) = 0;
  virtual int32_t getFontWeight() = 0;
  virtual void setFontWeight(int32_t weight) = 0;
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void addClickListener(events::IEventListener* listener) = 0;
  virtual void addAfterClickListener(events::IEventListener* listener) = 0;
  virtual void addRepeatListener(events::IEventListener* listener) = 0;
  virtual void setAutoRepeat(bool on) = 0;
  virtual void setDrawer(drawer::IButton* drawer, bool owned) = 0;
  virtual void setDrawerOption(bool on) = 0;
  virtual void setToggleMode(bool toggles, bool canUntoggle, bool invertLook, bool paintFlag) = 0;
  virtual bool canUntoggle() = 0;
  virtual bool isSelected() = 0;
  virtual void setSelected(bool on) = 0;
  virtual void setDefault() = 0;
  virtual void clearDefault() = 0;
  virtual bool isDefault() = 0;
  /// Stores the flag without touching the control.
  virtual void setEnabledFlag(bool on) = 0;
  virtual void setColorGlyph(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui
