// The interface of the toolkit's own-drawn menu bar, in one fixed order of virtual operations
// after the component's.
#pragma once

#include "gui/IComponent.h"
#include "gui/drawer/IMenu.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::menuitem {
class MenuItem;
}
namespace s::gui::win {
class PopupMenu;
}

namespace s::gui {

/// A row of entries, each a command (`menuitem::MenuItem`) or a drop-down (`win::PopupMenu`),
/// both owned. Selection listeners get event 0 for a command entry and for a command chosen in a
/// drop-down; open listeners get event 1 before a drop-down opens; language listeners event 0
/// after the texts were read again. Listeners are never owned. Entries are added before the bar
/// is attached; everything else runs on the owner window's UI thread.
class IMenuEx : public IComponent {
 public:
  virtual void setFontStyleCode(int32_t code) = 0;
  virtual void setBold(bool on) = 0;
  virtual void setUnderline(bool on) = 0;
  /// The size as a percentage of the parent's client size; the fixed size is turned off.
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  /// A fixed size in pixels; the percentage is turned off.
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void setLeftInset(int32_t inset) = 0;
  virtual void setRightInset(int32_t inset) = 0;
  virtual void setTopInset(int32_t inset) = 0;
  virtual void setBottomInset(int32_t inset) = 0;
  virtual void setHorizontalInsets(int32_t inset) = 0;
  virtual void setVerticalInsets(int32_t inset) = 0;
  /// The room left and right (x) and above and below (y) of every entry's text.
  virtual void setEntrySpacing(int32_t x, int32_t y) = 0;
  virtual void addItem(menuitem::MenuItem* item) = 0;
  virtual void addMenu(win::PopupMenu* menu) = 0;
  /// A command entry with the id, or a drop-down holding it.
  virtual bool contains(int32_t commandId) = 0;
  /// Asked of the drop-downs only.
  virtual bool isChecked(int32_t commandId) = 0;
  /// Given to the drop-downs in order until one accepts.
  virtual void setChecked(int32_t commandId, bool checked) = 0;
  virtual int32_t getSelectedId() = 0;
  virtual void addSelectionListener(events::IEventListener* listener) = 0;
  virtual void select(int32_t commandId) = 0;
  virtual void addLanguageListener(events::IEventListener* listener) = 0;
  /// A drawer used instead of the bar's own (null: the own one again); an owned one is released
  /// when replaced or on reset.
  virtual void setDrawer(drawer::IMenu* drawer, bool owned) = 0;
  /// A shrinkable bar (the default) reports a minimum width of 0.
  virtual void setShrinkable(bool on) = 0;
  /// The whole bar acts as one combo-like button labelled with the first entry.
  virtual void setComboStyle(bool on) = 0;
  virtual void refreshTexts() = 0;
  virtual void addOpenListener(events::IEventListener* listener) = 0;
  virtual void setOpenOnHover(bool on) = 0;
  virtual void setLastEntryAtRight(bool on) = 0;
  virtual void setLastEntryAsLink(bool on) = 0;
};

}  // namespace s::gui
