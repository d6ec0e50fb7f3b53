// The interface of the label: a text painted by a text drawer, optionally a link.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {
class IText;
}

namespace s::gui {

class IFont;

/// A text from the program or the language pack, painted through a text drawer. `setText` and
/// `showTextFor` may be called from any thread (they wait for the label's UI thread); everything
/// else is for that thread or for set-up before the label is attached. Colours are 0x00BBGGRR.
/// The fonts answered belong to the label. Listeners are never owned.
///
/// The operations keep their virtual order after the component's.
class ILabel : public IComponent {
 public:
  virtual void setMultiLine(bool on) = 0;
  virtual void setEllipsis(bool on) = 0;
  /// True when the text changed; false when it was the same, or when the label's UI thread has
  /// ended.
  virtual bool setText(const WCHAR* text, bool redraw) = 0;
  virtual const WCHAR* getText() = 0;
  /// Shows `text` for `milliseconds`, then the text from before the first of overlapping calls.
  virtual void showTextFor(const WCHAR* text, int32_t milliseconds) = 0;
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
  virtual int32_t getTextEffect() = 0;
  virtual void setTextEffect(int32_t effect) = 0;
  virtual void setDrawer(drawer::IText* drawer, bool owned) = 0;
  virtual bool isClickable() = 0;
  virtual void setClickable(bool on) = 0;
  virtual void setLinkTarget(const WCHAR* target) = 0;
  virtual void addClickListener(events::IEventListener* listener) = 0;
  virtual IFont* getFont() = 0;
  virtual IFont* getDisabledFont() = 0;
  virtual IFont* getLinkFont() = 0;
  virtual IFont* getLinkHoverFont() = 0;
  virtual IFont* getLinkPressedFont() = 0;
};

}  // namespace s::gui
