// The interface of the radio button, with the bindings that switch other components with it.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {
class IRadioButton;
}

namespace s::gui {

/// A radio button; the radio buttons of one parent form one group. Every listener hears event
/// 0: check listeners when it becomes checked, uncheck listeners whenever the group unchecks it.
/// Components bound are not owned. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the component's.
class IRadioButton : public IComponent {
 public:
  virtual void setText(const WCHAR* text) = 0;
  virtual void setTextId(int32_t id) = 0;
  virtual const WCHAR* getText() = 0;
  virtual int32_t getTextId() = 0;
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
  /// Checks or unchecks; with `notify` the listeners hear it, also when nothing changed.
  virtual void setChecked(bool on, bool notify) = 0;
  virtual void bindEnabled(IComponent* component) = 0;
  virtual void bindDisabled(IComponent* component) = 0;
  virtual void enableOnCheck(IComponent* component) = 0;
  virtual void disableOnUncheck(IComponent* component) = 0;
  virtual void disableOnCheck(IComponent* component) = 0;
  virtual void enableOnUncheck(IComponent* component) = 0;
  virtual void bindEditable(IComponent* component) = 0;
  virtual void editableOnCheck(IComponent* component) = 0;
  virtual void uneditableOnUncheck(IComponent* component) = 0;
  virtual void setDrawer(drawer::IRadioButton* drawer, bool owned) = 0;
};

}  // namespace s::gui
