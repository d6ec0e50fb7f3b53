// The check box: the native auto check box, its listeners and the bindings that switch other
// components with it.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "gui/ICheckBox.h"
#include "gui/drawer/ICheckBox.h"
#include "gui/win/CheckWidget.h"
#include "gui/win/Font.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

/// The system auto check box (BS_AUTOCHECKBOX with BS_NOTIFY; BS_MULTILINE when its font wraps).
/// It learns every change of its state from the BM_SETCHECK the control sends itself when
/// clicked, and tells check listeners (event 1) and uncheck listeners (event 2) unless the
/// change came from `setChecked`/`setCheckedSilently`. Its text shows every "&" as itself.
/// Without a drawer the control paints; with one the drawer paints over the buffered
/// background. The binding listeners are pooled and given back by `reset`; components bound are
/// not owned. Pooled (capacity 1000). UI thread, or set-up before attaching.
class CheckBox final : public CheckWidget<ICheckBox, drawer::ICheckBox> {
  S_POOLED_CLASS(CheckBox, u"s_gui_win_CheckBox", kCheckBoxClass.poolCapacity)

  CheckBox();
  ~CheckBox() override;
  void reset() override;

  // IComponent
  int32_t getMaximumWidth() override { return m_maximumWidth; }
  int32_t getMaximumHeight() override { return m_maximumHeight; }
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  void setEnabled(bool enabled) override;

  // ICheckBox (the text, font, listener and binding operations are CheckWidget's)
  void setMultiLine(bool on) override;
  bool isChecked() override { return m_checked; }
  void setChecked(bool on) override;
  void setCheckedSilently(bool on) override;
  void setDrawer(drawer::ICheckBox* drawer, bool owned) override {
    Widget::setDrawer(drawer, owned);
  }

  const WCHAR* getText() { return text()->getCStr(); }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::ICheckBox* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void applyText() override;
  void applySettings() override;
  void measure() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;
  bool forwardsWheel() override { return true; }
  bool wantsAllKeys() override { return true; }
  DWORD creationStyle() override;

 private:
  void onSetCheck(WPARAM state);

  int32_t m_maximumWidth = 0;
  int32_t m_maximumHeight = 0;
};

/// A check box from the pool with the language text `textId`, checked or not, on one line.
CheckBox* makeCheckBox(int32_t textId, bool checked);

/// `text` with every "&" doubled, so a control shows it as itself.
void doubleAmpersands(const WCHAR* text, str::strbuffer::StrBuffer* out);

}  // namespace s::gui::win
