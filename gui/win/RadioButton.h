// The radio button: the native auto radio button, its listeners and the bindings that switch
// other components with it.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/IRadioButton.h"
#include "gui/drawer/IRadioButton.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::events {
class Enabler;
class Disabler;
class Editabler;
class UnEditabler;
}  // namespace s::gui::events

namespace s::gui::win {

/// The system auto radio button (BS_AUTORADIOBUTTON with BS_NOTIFY). The radio buttons of one
/// native parent form one group: a click checks this one and the control unchecks the others,
/// each through a BM_SETCHECK it sends to them, which their widgets see and report. Every
/// report is event 0: check listeners when checked, uncheck listeners whenever unchecked. Its
/// text shows every "&" as itself. With a drawer the ring is composed in a 52 x 52 scratch image
/// over the real background. The binding listeners are pooled and given back by `reset`;
/// components bound are not owned. Pooled (capacity 1000). UI thread, or set-up before attaching.
class RadioButton final : public Widget<IRadioButton, drawer::IRadioButton> {
  S_POOLED_CLASS(RadioButton, u"s_gui_win_RadioButton", kRadioButtonClass.poolCapacity)

  static constexpr int32_t kScratchSize = 52;

  RadioButton();
  ~RadioButton() override;
  void reset() override;

  // IComponent
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  void setEnabled(bool enabled) override;

  // IRadioButton
  void setText(const WCHAR* text) override;
  void setTextId(int32_t id) override;
  const WCHAR* getText() override { return text()->getCStr(); }
  int32_t getTextId() override { return Widget::getTextId(); }
  const WCHAR* getFontFace() override { return m_normal.getFaceName(); }
  void setFontFace(const WCHAR* name) override;
  void setFontStyle(int32_t code) override;
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
  void addCheckListener(events::IEventListener* listener) override;
  void addUncheckListener(events::IEventListener* listener) override;
  void addEnableListener(events::IEventListener* listener) override;
  void addDisableListener(events::IEventListener* listener) override;
  bool isChecked() override;
  void setChecked(bool on, bool notify) override;
  void bindEnabled(IComponent* component) override;
  void bindDisabled(IComponent* component) override;
  void enableOnCheck(IComponent* component) override;
  void disableOnUncheck(IComponent* component) override;
  void disableOnCheck(IComponent* component) override;
  void enableOnUncheck(IComponent* component) override;
  void bindEditable(IComponent* component) override;
  void editableOnCheck(IComponent* component) override;
  void uneditableOnUncheck(IComponent* component) override;
  void setDrawer(drawer::IRadioButton* drawer, bool owned) override {
    Widget::setDrawer(drawer, owned);
  }

  Font* getNormalFont() { return &m_normal; }
  Font* getDisabledFont() { return &m_disabled; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::IRadioButton* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void applyText() override;
  void applySettings() override;
  void measure() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;
  COLORREF controlTextColor() override { return m_normal.getTextColor(); }

 private:
  void remeasure() { measureAndRelayout(); }

  Font m_normal;
  Font m_disabled;
  bool m_checked = false;
  bool m_notify = true;
  col::_array::ArrayP m_checkListeners;
  col::_array::ArrayP m_uncheckListeners;
  col::_array::ArrayP m_enableListeners;
  col::_array::ArrayP m_disableListeners;
  events::Enabler* m_enableOnCheck = nullptr;
  events::Disabler* m_disableOnUncheck = nullptr;
  events::Enabler* m_enableOnUncheck = nullptr;
  events::Disabler* m_disableOnCheck = nullptr;
  events::Editabler* m_editableOnCheck = nullptr;
  events::UnEditabler* m_uneditableOnUncheck = nullptr;
};

}  // namespace s::gui::win
