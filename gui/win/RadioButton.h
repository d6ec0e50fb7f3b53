// The radio button: the native auto radio button, its listeners and the bindings that switch
// other components with it.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/IRadioButton.h"
#include "gui/drawer/IRadioButton.h"
#include "gui/win/CheckWidget.h"
#include "gui/win/Font.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::events {
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
class RadioButton final : public CheckWidget<IRadioButton, drawer::IRadioButton> {
  S_POOLED_CLASS(RadioButton, u"s_gui_win_RadioButton", kRadioButtonClass.poolCapacity)

  static constexpr int32_t kScratchSize = 52;

  RadioButton();
  ~RadioButton() override;
  void reset() override;

  // IComponent
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  void setEnabled(bool enabled) override;

  // IRadioButton (the text, font, listener and enabling operations are CheckWidget's)
  const WCHAR* getText() override { return text()->getCStr(); }
  int32_t getTextId() override { return Widget::getTextId(); }
  bool isChecked() override;
  void setChecked(bool on, bool notify) override;
  void bindEditable(IComponent* component) override;
  void editableOnCheck(IComponent* component) override;
  void uneditableOnUncheck(IComponent* component) override;
  void setDrawer(drawer::IRadioButton* drawer, bool owned) override {
    Widget::setDrawer(drawer, owned);
  }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::IRadioButton* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void applyText() override;
  void applySettings() override;
  void measure() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;

 private:
  events::Editabler* m_editableOnCheck = nullptr;
  events::UnEditabler* m_uneditableOnUncheck = nullptr;
};

}  // namespace s::gui::win
