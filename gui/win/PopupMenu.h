// The toolkit's popup menu over a native popup menu: drop-downs of the menu bar, context and
// tray menus, with texts that follow the language and marks that survive it.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/IPopupMenu.h"
#include "gui/menuitem/MenuItem.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>
#include <vector>

namespace s::gui::win {

/// The one implementation of `IPopupMenu`, pooled (capacity 1000). The native popup menu is
/// made by the first `add`, `insert`, `addSubMenu`, `setTitleId` or `setTitle` and destroyed on
/// reset. Results of the native calls are not reported beyond the bool answers; the records stay
/// the truth that a language change writes back.
class PopupMenu final : public IPopupMenu,
                        public base::IObject,
                        public virtual thread::IPoolable,
                        public CMenu {
  S_POOLED_CLASS(PopupMenu, u"s_gui_win_PopupMenu")
  /// Track flags: right button too, no animation, bottom or top edge at the point.
  static constexpr UINT kAboveFlags = TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_NOANIMATION;
  static constexpr UINT kBelowFlags = TPM_RIGHTBUTTON | TPM_NOANIMATION;

  PopupMenu();
  ~PopupMenu() override;
  void reset() override;

  /// The menu's localizer telling of a new language: texts and titles are read again and the
  /// entries rewritten with their marks.
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IPopupMenu
  void add(menuitem::MenuItem* item) override;
  void insert(int32_t position, menuitem::MenuItem* item) override;
  void removeAll() override;
  bool removeAt(int32_t position) override;
  bool removeById(int32_t commandId) override;
  bool removeByObject(void* userObject) override;
  menuitem::MenuItem* getItem(int32_t commandId) override;
  bool contains(int32_t commandId) override;
  bool indexOf(int32_t commandId, int32_t* index) override;
  bool indexOfObject(void* userObject, int32_t* index) override;
  void setSubMenuEnabled(PopupMenu* subMenu, bool enabled) override;
  bool setEnabled(int32_t commandId, bool enabled) override;
  void addSubMenu(PopupMenu* subMenu) override;
  void setLocalizer(lang::Localizer* localizer) override;
  bool isChecked(int32_t commandId) override;
  bool setChecked(int32_t commandId, bool checked) override;
  bool setText(int32_t commandId, const WCHAR* text) override;
  bool setTextId(int32_t commandId, int32_t textId) override;
  void retranslate() override;
  const WCHAR* getTitle() override;
  int32_t getTitleId() override { return m_titleId; }
  void setTitleId(int32_t textId) override;
  void setTitle(const WCHAR* text) override;
  void checkRadioRange(int32_t checkPosition, int32_t firstPosition, int32_t lastPosition) override;
  void checkRadioAt(int32_t position) override;
  bool checkRadioById(int32_t commandId) override;
  bool checkRadioByObject(void* userObject) override;
  int32_t getSelectedId() override { return m_selectedId; }
  void addSelectionListener(events::IEventListener* listener) override;
  void select(int32_t commandId) override;
  bool popupAbove(int32_t x, int32_t y, IComponent* owner) override;
  bool popupBelow(int32_t x, int32_t y, IComponent* owner) override;
  int32_t getCount() override;

  bool isCreated() const { return m_created; }
  lang::Localizer* getLocalizer() const { return m_localizer; }
  int32_t getItemCount() const { return static_cast<int32_t>(m_items.size()); }
  /// The item at an index, null outside.
  menuitem::MenuItem* getItemAt(int32_t index) const;
  int32_t getSubMenuCount() const { return static_cast<int32_t>(m_subMenus.size()); }
  PopupMenu* getSubMenu(int32_t index) const;

 private:
  bool ensureCreated();
  menuitem::MenuItem* findItem(int32_t commandId, int32_t* index);
  /// Writes an item's text into its entry again, keeping the entry's greyed state and putting
  /// its check and radio marks back (a rewritten entry loses them).
  void rewriteEntry(menuitem::MenuItem* item);
  /// The same for a sub-menu's entry with its title.
  void rewriteSubMenuEntry(PopupMenu* subMenu);
  /// Marking a radio group clears every other mark of its range: a checked item outside the
  /// group's mark gets its check mark back.
  void keepCheckMark(menuitem::MenuItem* item);
  /// The command id at a native position; -1 for a sub-menu or outside.
  int32_t idAt(int32_t position);
  bool track(UINT flags, int32_t x, int32_t y, IComponent* owner);

  lang::Localizer* m_localizer = nullptr;
  bool m_created = false;
  str::strbuffer::StrBuffer* m_title;
  int32_t m_titleId = -1;
  std::vector<menuitem::MenuItem*> m_items;
  std::vector<PopupMenu*> m_subMenus;
  std::vector<events::IEventListener*> m_selectionListeners;
  int32_t m_selectedId = -1;
};

}  // namespace s::gui::win
