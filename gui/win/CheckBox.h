// The check box: the native auto check box, its listeners and the bindings that switch other
// components with it.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/ICheckBox.h"
#include "gui/drawer/ICheckBox.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::events {
class Enabler;
class Disabler;
}  // namespace s::gui::events

namespace s::gui::win {

/// The system auto check box (BS_AUTOCHECKBOX with BS_NOTIFY; BS_MULTILINE when its font wraps).
/// It learns every change of its state from the BM_SETCHECK the control sends itself when
/// clicked, and tells check listeners (event 1) and uncheck listeners (event 2) unless the
/// change came from `setChecked`/`setCheckedSilently`. Its text shows every "&" as itself.
/// Without a drawer the control paints; with one the drawer paints over the buffered
/// background. The binding listeners are pooled and given back by `reset`; components bound are
/// not owned. Pooled (capacity 1000). UI thread, or set-up before attaching.
class CheckBox final : public Widget<ICheckBox, drawer::ICheckBox> {
  S_POOLED_CLASS(CheckBox, u"s_gui_win_CheckBox", kCheckBoxClass.poolCapacity)

  CheckBox();
  ~CheckBox() override;
  void reset() override;

  // IComponent
  int32_t getMaximumWidth() override { return m_maximumWidth; }
  int32_t getMaximumHeight() override { return m_maximumHeight; }
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  void setEnabled(bool enabled) override;

  // ICheckBox
  void setMultiLine(bool on) override;
  void setText(const WCHAR* text) override;
  void setTextId(int32_t id) override;
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
  bool isChecked() override { return m_checked; }
  void setChecked(bool on) override;
  void setCheckedSilently(bool on) override;
  void bindEnabled(IComponent* component) override;
  void enableOnCheck(IComponent* component) override;
  void disableOnUncheck(IComponent* component) override;
  void bindDisabled(IComponent* component) override;
  void enableOnUncheck(IComponent* component) override;
  void disableOnCheck(IComponent* component) override;
  void setDrawer(drawer::ICheckBox* drawer, bool owned) override {
    Widget::setDrawer(drawer, owned);
  }

  const WCHAR* getText() { return text()->getCStr(); }
  Font* getNormalFont() { return &m_normal; }
  Font* getDisabledFont() { return &m_disabled; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::ICheckBox* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void applyText() override;
  void applySettings() override;
  void measure() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;
  COLORREF controlTextColor() override { return m_normal.getTextColor(); }
  bool forwardsWheel() override { return true; }
  bool wantsAllKeys() override { return true; }
  DWORD creationStyle() override;

 private:
  void remeasure() { measureAndRelayout(); }
  void onSetCheck(WPARAM state);

  int32_t m_maximumWidth = 0;
  int32_t m_maximumHeight = 0;
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
};

/// A check box from the pool with the language text `textId`, checked or not, on one line.
CheckBox* makeCheckBox(int32_t textId, bool checked);

/// `text` with every "&" doubled, so a control shows it as itself.
void doubleAmpersands(const WCHAR* text, str::strbuffer::StrBuffer* out);

}  // namespace s::gui::win
