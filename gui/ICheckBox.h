// The interface of the check box, with the bindings that switch other components with it.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {
class ICheckBox;
}

namespace s::gui {

/// A check box. Check listeners hear event 1 and uncheck listeners event 2 when the user (or the
/// control) changes the state; `setChecked` tells nobody. Enable and disable listeners hear
/// event 0 before the state changes. The bindings act from the next change on, never at once.
/// Components bound are not owned. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the component's.
class ICheckBox : public IComponent {
 public:
  virtual void setMultiLine(bool on) = 0;
  virtual void setText(const WCHAR* text) = 0;
  virtual void setTextId(int32_t id) = 0;
  virtual const WCHAR* getFontFace() = 0;
  virtual void setFontFace(const WCHAR* name) = 0;
  virtual void setFontStyle(int32_t code) = 0;
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
  virtual void addCheckListener(events::IEventListener* listener) = 0;
  virtual void addUncheckListener(events::IEventListener* listener) = 0;
  virtual void addEnableListener(events::IEventListener* listener) = 0;
  virtual void addDisableListener(events::IEventListener* listener) = 0;
  virtual bool isChecked() = 0;
  virtual void setChecked(bool on) = 0;
  virtual void setCheckedSilently(bool on) = 0;
  virtual void bindEnabled(IComponent* component) = 0;
  virtual void enableOnCheck(IComponent* component) = 0;
  virtual void disableOnUncheck(IComponent* component) = 0;
  virtual void bindDisabled(IComponent* component) = 0;
  virtual void enableOnUncheck(IComponent* component) = 0;
  virtual void disableOnCheck(IComponent* component) = 0;
  virtual void setDrawer(drawer::ICheckBox* drawer, bool owned) = 0;
};

}  // namespace s::gui
