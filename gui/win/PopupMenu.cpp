// Popup menus: the records, their native entries and tracking.
#include "gui/win/PopupMenu.h"

#include "gui/IComponent.h"
#include "gui/win/ChildWindow.h"
#include "platform/lang/Localizer.h"

#include <algorithm>

namespace s::gui::win {

using menuitem::MenuItem;

namespace {

UINT commandOf(int32_t id) { return static_cast<UINT>(id); }

UINT commandOf(const PopupMenu* menu) {
  return static_cast<UINT>(reinterpret_cast<UINT_PTR>(menu->GetSafeHmenu()));
}

}  // namespace

PopupMenu::PopupMenu() : m_title(str::strbuffer::StrBuffer::take()) {}

PopupMenu::~PopupMenu() {
  reset();
  m_title->release();
}

void PopupMenu::reset() {
  if (m_localizer != nullptr) {
    m_localizer->removeListener(this);
    m_localizer = nullptr;
  }
  m_title->clear();
  m_titleId = -1;
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    (*it)->release();
  }
  m_items.clear();
  for (auto it = m_subMenus.rbegin(); it != m_subMenus.rend(); ++it) {
    (*it)->release();
  }
  m_subMenus.clear();
  m_selectionListeners.clear();
  m_selectedId = -1;
  if (m_created) {
    // The sub-menus released above have destroyed their own menus; destroying them again with
    // this one fails harmlessly, as stale menu handles never name a newer menu.
    DestroyMenu();
    m_hMenu = nullptr;
    m_created = false;
  }
}

bool PopupMenu::ensureCreated() {
  if (!m_created) {
    m_created = CreatePopupMenu() != FALSE;
  }
  return m_created;
}

void PopupMenu::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source != nullptr && m_localizer != nullptr &&
      source == static_cast<base::IObject*>(m_localizer)) {
    retranslate();
  }
}

MenuItem* PopupMenu::getItemAt(int32_t index) const {
  return index >= 0 && index < getItemCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

PopupMenu* PopupMenu::getSubMenu(int32_t index) const {
  return index >= 0 && index < getSubMenuCount() ? m_subMenus[static_cast<size_t>(index)] : nullptr;
}

// Entries.

void PopupMenu::add(MenuItem* item) {
  if (item == nullptr) {
    return;
  }
  if (ensureCreated()) {
    if (item->separator) {
      AppendMenu(MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenu(MF_STRING, commandOf(item->commandId), item->getText());
      if (item->checked) {
        CheckMenuItem(commandOf(item->commandId), MF_BYCOMMAND | MF_CHECKED);
      }
    }
  }
  m_items.push_back(item);
}

void PopupMenu::insert(int32_t position, MenuItem* item) {
  if (item == nullptr) {
    return;
  }
  if (ensureCreated()) {
    const UINT at = static_cast<UINT>(position);
    if (item->separator) {
      InsertMenu(at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    } else {
      InsertMenu(at, MF_BYPOSITION | MF_STRING, commandOf(item->commandId), item->getText());
      if (item->checked) {
        CheckMenuItem(commandOf(item->commandId), MF_BYCOMMAND | MF_CHECKED);
      }
    }
  }
  const size_t index = std::min(static_cast<size_t>(std::max(position, 0)), m_items.size());
  m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), item);
}

void PopupMenu::removeAll() {
  if (m_created) {
    for (int32_t p = GetMenuItemCount() - 1; p >= 0; --p) {
      DeleteMenu(static_cast<UINT>(p), MF_BYPOSITION);
    }
  }
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    (*it)->release();
  }
  m_items.clear();
  for (auto it = m_subMenus.rbegin(); it != m_subMenus.rend(); ++it) {
    (*it)->release();
  }
  m_subMenus.clear();
}

bool PopupMenu::removeAt(int32_t position) {
  MenuItem* item = getItemAt(position);
  if (item == nullptr) {
    return false;
  }
  m_items.erase(m_items.begin() + position);
  if (m_created) {
    DeleteMenu(static_cast<UINT>(position), MF_BYPOSITION);
  }
  item->release();
  return true;
}

bool PopupMenu::removeById(int32_t commandId) {
  int32_t index = -1;
  return indexOf(commandId, &index) && removeAt(index);
}

bool PopupMenu::removeByObject(void* userObject) {
  int32_t index = -1;
  return indexOfObject(userObject, &index) && removeAt(index);
}

MenuItem* PopupMenu::findItem(int32_t commandId, int32_t* index) {
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (!m_items[i]->separator && m_items[i]->commandId == commandId) {
      if (index != nullptr) {
        *index = static_cast<int32_t>(i);
      }
      return m_items[i];
    }
  }
  return nullptr;
}

MenuItem* PopupMenu::getItem(int32_t commandId) { return findItem(commandId, nullptr); }

bool PopupMenu::contains(int32_t commandId) {
  if (findItem(commandId, nullptr) != nullptr) {
    return true;
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [commandId](PopupMenu* sub) { return sub->contains(commandId); });
}

bool PopupMenu::indexOf(int32_t commandId, int32_t* index) {
  return findItem(commandId, index) != nullptr;
}

bool PopupMenu::indexOfObject(void* userObject, int32_t* index) {
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i]->userObject == userObject) {
      if (index != nullptr) {
        *index = static_cast<int32_t>(i);
      }
      return true;
    }
  }
  return false;
}

// Enabling.

void PopupMenu::setSubMenuEnabled(PopupMenu* subMenu, bool enabled) {
  if (subMenu == nullptr || !m_created || !subMenu->isCreated()) {
    return;
  }
  const UINT grey = enabled ? 0 : (MF_GRAYED | MF_DISABLED);
  ModifyMenu(commandOf(subMenu), MF_BYCOMMAND | MF_POPUP | grey,
             reinterpret_cast<UINT_PTR>(subMenu->GetSafeHmenu()), subMenu->getTitle());
}

bool PopupMenu::setEnabled(int32_t commandId, bool enabled) {
  if (findItem(commandId, nullptr) != nullptr) {
    if (m_created) {
      EnableMenuItem(commandOf(commandId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
    return true;
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [&](PopupMenu* sub) { return sub->setEnabled(commandId, enabled); });
}

void PopupMenu::addSubMenu(PopupMenu* subMenu) {
  if (subMenu == nullptr) {
    return;
  }
  if (ensureCreated() && subMenu->ensureCreated()) {
    AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu->GetSafeHmenu()), subMenu->getTitle());
  }
  m_subMenus.push_back(subMenu);
}

void PopupMenu::setLocalizer(lang::Localizer* localizer) {
  if (m_localizer != nullptr && m_localizer != localizer) {
    m_localizer->removeListener(this);
  }
  m_localizer = localizer;
  if (localizer != nullptr) {
    localizer->addListener(this);
  }
}

// Marks and texts.

bool PopupMenu::isChecked(int32_t commandId) {
  for (MenuItem* item : m_items) {
    if (!item->separator && item->commandId == commandId && item->checked) {
      return true;
    }
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [commandId](PopupMenu* sub) { return sub->isChecked(commandId); });
}

bool PopupMenu::setChecked(int32_t commandId, bool checked) {
  if (MenuItem* item = findItem(commandId, nullptr)) {
    if (item->checked != checked) {
      item->checked = checked;
      if (m_created) {
        CheckMenuItem(commandOf(commandId), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
      }
    }
    return true;
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [&](PopupMenu* sub) { return sub->setChecked(commandId, checked); });
}

void PopupMenu::rewriteEntry(MenuItem* item) {
  if (!m_created || item->separator) {
    return;
  }
  const UINT command = commandOf(item->commandId);
  const UINT state = GetMenuState(command, MF_BYCOMMAND);
  const UINT grey = state == static_cast<UINT>(-1) ? 0 : state & (MF_GRAYED | MF_DISABLED);
  ModifyMenu(command, MF_BYCOMMAND | MF_STRING | grey, command, item->getText());
  if (item->checked) {
    CheckMenuItem(command, MF_BYCOMMAND | MF_CHECKED);
  }
  if (item->radioChecked) {
    const int32_t count = GetMenuItemCount();
    for (int32_t p = 0; p < count; ++p) {
      if (idAt(p) == item->commandId) {
        const UINT at = static_cast<UINT>(p);
        CheckMenuRadioItem(at, at, at, MF_BYPOSITION);
        break;
      }
    }
  }
}

void PopupMenu::rewriteSubMenuEntry(PopupMenu* subMenu) {
  if (!m_created || !subMenu->isCreated()) {
    return;
  }
  const UINT command = commandOf(subMenu);
  const UINT state = GetMenuState(command, MF_BYCOMMAND);
  const UINT grey = state == static_cast<UINT>(-1) ? 0 : state & (MF_GRAYED | MF_DISABLED);
  ModifyMenu(command, MF_BYCOMMAND | MF_POPUP | grey,
             reinterpret_cast<UINT_PTR>(subMenu->GetSafeHmenu()), subMenu->getTitle());
}

bool PopupMenu::setText(int32_t commandId, const WCHAR* text) {
  if (MenuItem* item = findItem(commandId, nullptr)) {
    item->text->assign(text != nullptr ? text : u"");
    rewriteEntry(item);
    return true;
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [&](PopupMenu* sub) { return sub->setText(commandId, text); });
}

bool PopupMenu::setTextId(int32_t commandId, int32_t textId) {
  if (MenuItem* item = findItem(commandId, nullptr)) {
    // An item without a localizer of its own reads the id in the menu's.
    if (item->localizer == nullptr) {
      item->localizer = m_localizer;
    }
    item->setTextId(textId);
    rewriteEntry(item);
    return true;
  }
  return std::any_of(m_subMenus.begin(), m_subMenus.end(),
                     [&](PopupMenu* sub) { return sub->setTextId(commandId, textId); });
}

void PopupMenu::retranslate() {
  for (MenuItem* item : m_items) {
    rewriteEntry(item);
  }
  for (PopupMenu* sub : m_subMenus) {
    rewriteSubMenuEntry(sub);
  }
}

// Title.

const WCHAR* PopupMenu::getTitle() {
  if (m_titleId != -1 && m_localizer != nullptr) {
    m_title->assign(m_localizer->getText(m_titleId));
  }
  return m_title->getCStr();
}

void PopupMenu::setTitleId(int32_t textId) {
  ensureCreated();
  m_titleId = textId;
  if (m_localizer != nullptr) {
    m_title->assign(m_localizer->getText(textId));
  }
}

void PopupMenu::setTitle(const WCHAR* text) {
  ensureCreated();
  m_title->assign(text != nullptr ? text : u"");
}

// Radio marks.

int32_t PopupMenu::idAt(int32_t position) {
  if (!m_created || position < 0) {
    return -1;
  }
  return static_cast<int32_t>(GetMenuItemID(position));
}

void PopupMenu::checkRadioRange(int32_t checkPosition, int32_t firstPosition,
                                int32_t lastPosition) {
  if (m_created) {
    CheckMenuRadioItem(static_cast<UINT>(firstPosition), static_cast<UINT>(lastPosition),
                       static_cast<UINT>(checkPosition), MF_BYPOSITION);
  }
  const int32_t firstId = idAt(firstPosition);
  const int32_t lastId = idAt(lastPosition);
  const int32_t checkId = idAt(checkPosition);
  bool inRange = false;
  for (MenuItem* item : m_items) {
    if (!inRange && !item->separator && item->commandId == firstId) {
      inRange = true;
    }
    if (!inRange) {
      continue;
    }
    if (!item->separator) {
      item->radioChecked = checkId != -1 && item->commandId == checkId;
      keepCheckMark(item);
    }
    if (!item->separator && item->commandId == lastId) {
      break;
    }
  }
}

void PopupMenu::checkRadioAt(int32_t position) {
  const int32_t checkId = idAt(position);
  if (m_created && position >= 0 && position < getCount()) {
    CheckMenuRadioItem(0, static_cast<UINT>(getCount() - 1), static_cast<UINT>(position),
                       MF_BYPOSITION);
  }
  for (MenuItem* item : m_items) {
    const bool marked = !item->separator && checkId != -1 && item->commandId == checkId;
    // A position without an item clears the group: the native marks go with the records.
    if (item->radioChecked && !marked && checkId == -1 && m_created) {
      CheckMenuItem(commandOf(item->commandId), MF_BYCOMMAND | MF_UNCHECKED);
    }
    item->radioChecked = marked;
    keepCheckMark(item);
  }
}

void PopupMenu::keepCheckMark(MenuItem* item) {
  if (m_created && item->checked && !item->radioChecked && !item->separator) {
    CheckMenuItem(commandOf(item->commandId), MF_BYCOMMAND | MF_CHECKED);
  }
}

bool PopupMenu::checkRadioById(int32_t commandId) {
  int32_t index = -1;
  if (!indexOf(commandId, &index)) {
    return false;
  }
  checkRadioAt(index);
  return true;
}

bool PopupMenu::checkRadioByObject(void* userObject) {
  int32_t index = -1;
  if (!indexOfObject(userObject, &index)) {
    return false;
  }
  checkRadioAt(index);
  return true;
}

// Selection and tracking.

void PopupMenu::addSelectionListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_selectionListeners.push_back(listener);
  }
}

void PopupMenu::select(int32_t commandId) {
  m_selectedId = commandId;
  // A listener may add another; it hears the next choice.
  const size_t count = m_selectionListeners.size();
  for (size_t i = 0; i < count && i < m_selectionListeners.size(); ++i) {
    m_selectionListeners[i]->onEvent(this, 0);
  }
}

bool PopupMenu::track(UINT flags, int32_t x, int32_t y, IComponent* owner) {
  const HWND window = nativeHandleOf(owner);
  if (!m_created || window == nullptr) {
    return false;
  }
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, window, nullptr) != FALSE;
}

bool PopupMenu::popupAbove(int32_t x, int32_t y, IComponent* owner) {
  return track(kAboveFlags, x, y, owner);
}

bool PopupMenu::popupBelow(int32_t x, int32_t y, IComponent* owner) {
  return track(kBelowFlags, x, y, owner);
}

int32_t PopupMenu::getCount() { return getItemCount() + getSubMenuCount(); }

}  // namespace s::gui::win
