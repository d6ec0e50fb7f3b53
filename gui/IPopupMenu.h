// The interface of the toolkit's popup menus (drop-downs, context and tray menus), in one fixed
// order of virtual operations.
#pragma once

#include "gui/events/IEventListener.h"

#include <windows.h>

#include <cstdint>

namespace s::lang {
class Localizer;
}
namespace s::gui::menuitem {
class MenuItem;
}
namespace s::gui::win {
class PopupMenu;
}

namespace s::gui {

class IComponent;

/// A popup menu of `menuitem::MenuItem` entries followed by sub-menus, both owned (given back to
/// their pools). Every entry reports its command id; a chosen entry reaches the owner window as
/// WM_COMMAND, which hands it to `select`, and selection listeners (not owned) get event 0.
///
/// Positions count native entries and double as indexes into the items: the two agree while every
/// sub-menu comes after all items. Id-based operations answer false, changing nothing, for an id
/// that no item carries; separators carry none. Built on any thread before it is shown; tracked
/// and selected on the owner window's UI thread.
class IPopupMenu : public events::IEventListener {
 public:
  virtual void add(menuitem::MenuItem* item) = 0;
  virtual void insert(int32_t position, menuitem::MenuItem* item) = 0;
  virtual void removeAll() = 0;
  /// False, changing nothing, for a position outside the items.
  virtual bool removeAt(int32_t position) = 0;
  virtual bool removeById(int32_t commandId) = 0;
  virtual bool removeByObject(void* userObject) = 0;
  /// This menu's first item with the id (sub-menus are not searched), or null.
  virtual menuitem::MenuItem* getItem(int32_t commandId) = 0;
  /// Whether an item here or in any sub-menu, however deep, has the id.
  virtual bool contains(int32_t commandId) = 0;
  /// This menu's first item with the id; `index` may be null.
  virtual bool indexOf(int32_t commandId, int32_t* index) = 0;
  virtual bool indexOfObject(void* userObject, int32_t* index) = 0;
  virtual void setSubMenuEnabled(win::PopupMenu* subMenu, bool enabled) = 0;
  virtual bool setEnabled(int32_t commandId, bool enabled) = 0;
  virtual void addSubMenu(win::PopupMenu* subMenu) = 0;
  /// Stores the localizer (not owned) and joins its listeners.
  virtual void setLocalizer(lang::Localizer* localizer) = 0;
  virtual bool isChecked(int32_t commandId) = 0;
  /// True also when the item had that state already; sub-menus are searched.
  virtual bool setChecked(int32_t commandId, bool checked) = 0;
  virtual bool setText(int32_t commandId, const WCHAR* text) = 0;
  virtual bool setTextId(int32_t commandId, int32_t textId) = 0;
  virtual void retranslate() = 0;
  /// The title shown when the menu is a sub-menu or a bar entry; a title id is read again.
  virtual const WCHAR* getTitle() = 0;
  virtual int32_t getTitleId() = 0;
  virtual void setTitleId(int32_t textId) = 0;
  virtual void setTitle(const WCHAR* text) = 0;
  virtual void checkRadioRange(int32_t checkPosition, int32_t firstPosition,
                               int32_t lastPosition) = 0;
  virtual void checkRadioAt(int32_t position) = 0;
  virtual bool checkRadioById(int32_t commandId) = 0;
  virtual bool checkRadioByObject(void* userObject) = 0;
  virtual int32_t getSelectedId() = 0;
  virtual void addSelectionListener(events::IEventListener* listener) = 0;
  /// Makes the id the selected one and tells every selection listener (event 0).
  virtual void select(int32_t commandId) = 0;
  /// Tracks the menu with its bottom edge at the screen point, for the owner's native window;
  /// returns when the menu closes (false when it could not open). A choice arrives afterwards
  /// as WM_COMMAND at the owner.
  virtual bool popupAbove(int32_t x, int32_t y, IComponent* owner) = 0;
  /// The same with the menu's top edge at the point.
  virtual bool popupBelow(int32_t x, int32_t y, IComponent* owner) = 0;
  /// Items plus sub-menus.
  virtual int32_t getCount() = 0;
};

}  // namespace s::gui
