// The interface of the toolkit's drop-down list: items, selection, fonts and sizing, in one fixed
// order of virtual operations after the component's.
#pragma once

#include "gui/IComponent.h"
#include "gui/drawer/ICombo.h"

#include <windows.h>

#include <cstdint>

namespace s::gui {

namespace combobox {
class ComboBoxItem;
}

/// A drop-down list of `combobox::ComboBoxItem` objects. The box owns its items: a deleted item
/// goes back to the item pool, a removed one is handed to the caller. Indexes count items from 0;
/// -1 means none. Selection listeners get event 0 and are never owned. UI thread of the owner
/// window only.
class IComboBox : public IComponent {
 public:
  virtual int32_t getItemCount() = 0;
  /// The item at a valid index.
  virtual combobox::ComboBoxItem* getItem(int32_t index) = 0;
  virtual void addItem(combobox::ComboBoxItem* item) = 0;
  virtual void insertItem(int32_t index, combobox::ComboBoxItem* item) = 0;
  /// Takes the item (found by identity) out and hands it back; null when it is not in the box.
  virtual combobox::ComboBoxItem* removeItem(combobox::ComboBoxItem* item) = 0;
  virtual combobox::ComboBoxItem* removeItemAt(int32_t index) = 0;
  virtual void deleteItem(combobox::ComboBoxItem* item) = 0;
  virtual void deleteItemAt(int32_t index) = 0;
  virtual void deleteItemByValue(int64_t value) = 0;
  virtual void deleteFirstSelected() = 0;
  /// An index outside the items selects item 0 (nothing when there are none).
  virtual void select(int32_t index, bool notify) = 0;
  virtual void selectByValue(int64_t value, bool notify) = 0;
  virtual int32_t getSelectedIndex() = 0;
  virtual combobox::ComboBoxItem* getSelectedItem() = 0;
  virtual int32_t getPreviousIndex() = 0;
  virtual combobox::ComboBoxItem* getPreviousItem() = 0;
  virtual void setPerItemFonts(bool on) = 0;
  virtual int32_t getFaceFontStyle() = 0;
  virtual void setFaceFontStyle(int32_t code) = 0;
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
  virtual void setFullSize() = 0;
  virtual void setWidthPercent(int32_t percent, bool relayoutParent) = 0;
  virtual void setHeightPercent(int32_t percent, bool relayoutParent) = 0;
  virtual void setFixedWidth(int32_t width, bool relayoutParent) = 0;
  virtual void setFixedHeight(int32_t height, bool relayoutParent) = 0;
  virtual void addSelectionListener(events::IEventListener* listener) = 0;
  virtual void setDrawer(drawer::ICombo* drawer, bool owned) = 0;
  virtual bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void postWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace s::gui
