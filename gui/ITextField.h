// The interface of the text field: a single-line native edit control.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::gui {

/// A line of text with its own font. Change listeners hear event 1 when the text changes (unless
/// it was set with notify off), enter listeners event 2 when Enter is pressed in the field (the
/// key goes no further), focus-lost listeners event 3. -1 switches a percent or a fixed size off.
/// UI thread, or set-up before attaching; `focusAndSelectAllOnUiThread` from any thread.
///
/// The operations keep their virtual order after the component's.
class ITextField : public IComponent {
 public:
  virtual const WCHAR* getText() = 0;
  virtual void setText(const WCHAR* text, bool notify) = 0;
  virtual bool isEmpty() = 0;
  virtual void clear() = 0;
  virtual int32_t getFontStyle() = 0;
  virtual void setFontStyle(int32_t code) = 0;
  virtual const WCHAR* getFontFace() = 0;
  virtual void setFontFace(const WCHAR* name) = 0;
  virtual int32_t getFontHeight() = 0;
  virtual void setFontHeight(int32_t height) = 0;
  virtual COLORREF getTextColor() = 0;
  virtual void setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
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
  virtual void addChangeListener(events::IEventListener* listener) = 0;
  virtual void addEnterListener(events::IEventListener* listener) = 0;
  virtual void addFocusLostListener(events::IEventListener* listener) = 0;
  virtual void focusAndSelectAllOnUiThread() = 0;
  virtual void focusAndSelectAll() = 0;
  virtual void setPassword(bool on) = 0;
};

}  // namespace s::gui
