// What the check box and the radio button answer alike: their text and its font, their check,
// uncheck, enable and disable listeners, and the bindings that switch other components with
// their state.
#pragma once

#include "core/col/array/ArrayP.h"
#include "gui/IComponent.h"
#include "gui/IWindow.h"
#include "gui/events/Disabler.h"
#include "gui/events/Enabler.h"
#include "gui/events/IEventListener.h"
#include "gui/win/Bindings.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"
#include "platform/lang/Localizer.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

/// The part of a checkable widget over `Interface` (which declares every operation here) that
/// the check box and the radio button share. It declares no virtual operation of its own, so each
/// keeps its interface's virtual order. A font setter changes the normal font and measures the
/// widget again; the disabled font follows only the style. Listeners are never owned; the
/// binding listeners are pooled and given back by `resetCheckWidget`.
template <class Interface, class Drawer>
class CheckWidget : public Widget<Interface, Drawer> {
  using Base = Widget<Interface, Drawer>;

 public:
  void setText(const WCHAR* value) override {
    this->text()->assign(value != nullptr ? value : u"");
    this->applyText();
    this->measureAndRelayout();
  }
  /// Keeps the id and, once the widget is in a window with a localizer, takes its text.
  void setTextId(int32_t id) override {
    Base::setTextId(id);
    IWindow* window = this->getWindow();
    if (window != nullptr && window->hasLocalizer()) {
      setText(window->getLocalizer()->getText(id));
    }
  }
  const WCHAR* getFontFace() override { return m_normal.getFaceName(); }
  void setFontFace(const WCHAR* name) override {
    m_normal.setFaceName(name);
    this->measureAndRelayout();
  }
  void setFontStyle(int32_t code) override {
    m_normal.setStyleCode(code);
    m_disabled.setStyleCode(code);
    this->measureAndRelayout();
  }
  COLORREF getTextColor() override { return m_normal.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override {
    m_normal.setTextColor(red, green, blue);
    this->measureAndRelayout();
  }
  void setFontPointSize(int32_t size) override {
    m_normal.setPointSize(size);
    this->measureAndRelayout();
  }
  int32_t getFontHeight() override { return m_normal.getHeight(); }
  void setFontHeight(int32_t height) override {
    m_normal.setHeight(height);
    this->measureAndRelayout();
  }
  int32_t getFontWidth() override { return m_normal.getWidth(); }
  void setFontWidth(int32_t width) override {
    m_normal.setWidth(width);
    this->measureAndRelayout();
  }
  bool isBold() override { return m_normal.isBold(); }
  void setBold(bool on) override {
    m_normal.setBold(on);
    this->measureAndRelayout();
  }
  bool isItalic() override { return m_normal.isItalic(); }
  void setItalic(bool on) override {
    m_normal.setItalic(on);
    this->measureAndRelayout();
  }
  bool isUnderline() override { return m_normal.isUnderline(); }
  void setUnderline(bool on) override {
    m_normal.setUnderline(on);
    this->measureAndRelayout();
  }
  bool isStrikeOut() override { return m_normal.isStrikeOut(); }
  void setStrikeOut(bool on) override {
    m_normal.setStrikeOut(on);
    this->measureAndRelayout();
  }
  int32_t getFontWeight() override { return m_normal.getWeight(); }
  void setFontWeight(int32_t weight) override {
    m_normal.setWeight(weight);
    this->measureAndRelayout();
  }

  void addCheckListener(events::IEventListener* listener) override {
    addListener(m_checkListeners, listener);
  }
  void addUncheckListener(events::IEventListener* listener) override {
    addListener(m_uncheckListeners, listener);
  }
  void addEnableListener(events::IEventListener* listener) override {
    addListener(m_enableListeners, listener);
  }
  void addDisableListener(events::IEventListener* listener) override {
    addListener(m_disableListeners, listener);
  }

  void bindEnabled(IComponent* component) override {
    enableOnCheck(component);
    disableOnUncheck(component);
  }
  void bindDisabled(IComponent* component) override {
    enableOnUncheck(component);
    disableOnCheck(component);
  }
  void enableOnCheck(IComponent* component) override {
    bindTarget(m_enableOnCheck, this, m_checkListeners, component);
  }
  void disableOnUncheck(IComponent* component) override {
    bindTarget(m_disableOnUncheck, this, m_uncheckListeners, component);
  }
  void enableOnUncheck(IComponent* component) override {
    bindTarget(m_enableOnUncheck, this, m_uncheckListeners, component);
  }
  void disableOnCheck(IComponent* component) override {
    bindTarget(m_disableOnCheck, this, m_checkListeners, component);
  }

  Font* getNormalFont() { return &m_normal; }
  Font* getDisabledFont() { return &m_disabled; }

 protected:
  explicit CheckWidget(const WidgetClass& kind) : Base(kind) {}
  ~CheckWidget() override = default;

  COLORREF controlTextColor() override { return m_normal.getTextColor(); }

  /// Default fonts, unchecked, no listeners, and the binding listeners given back.
  void resetCheckWidget() {
    m_normal.reset();
    m_disabled.reset();
    m_checked = false;
    m_notify = true;
    m_checkListeners.clear();
    m_uncheckListeners.clear();
    m_enableListeners.clear();
    m_disableListeners.clear();
    releaseBinding(m_enableOnCheck);
    releaseBinding(m_disableOnUncheck);
    releaseBinding(m_enableOnUncheck);
    releaseBinding(m_disableOnCheck);
  }

  Font m_normal;
  Font m_disabled;
  bool m_checked = false;
  /// False while a change the widget makes itself must not reach the listeners.
  bool m_notify = true;
  col::_array::ArrayP m_checkListeners;
  col::_array::ArrayP m_uncheckListeners;
  col::_array::ArrayP m_enableListeners;
  col::_array::ArrayP m_disableListeners;
  events::Enabler* m_enableOnCheck = nullptr;
  events::Disabler* m_disableOnUncheck = nullptr;
  events::Enabler* m_enableOnUncheck = nullptr;
  events::Disabler* m_disableOnCheck = nullptr;

 private:
  static void addListener(col::_array::ArrayP& listeners, events::IEventListener* listener) {
    if (listener != nullptr) {
      listeners.push(listener);
    }
  }
};

}  // namespace s::gui::win
