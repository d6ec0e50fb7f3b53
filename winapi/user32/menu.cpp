// Menus as objects: creating and destroying them, their items (strings with "&" mnemonics and a
// "\t" accelerator part, separators, sub-menus, owner-drawn items, check and radio marks, greyed
// items, item data) and the menu's own data. Menus are process-wide under one lock and may be
// built on any thread; handles carry a serial number and are never reused.
// Left out: bitmap items, check-mark bitmaps and the menu styles (MIM_STYLE, MIM_MAXHEIGHT), which
// nothing calls; they fail with ERROR_NOT_SUPPORTED.
#include <windows.h>

#include "winapi/user32/Menu.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>

namespace winapi {
namespace {

struct MenuTable {
  std::map<uintptr_t, std::unique_ptr<Menu>> menus;
  // Handles count up from here and are never given out twice, so a stale handle can never name
  // a newer menu. They stay below 2^32, as a sub-menu's handle doubles as its entry's command.
  uintptr_t next = 0x20000;
};

MenuTable& table() {
  static auto* t = new MenuTable;
  return *t;
}

HMENU newMenu(bool popup) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  MenuTable& t = table();
  if (t.next >= 0xFFFFFFF0u) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto m = std::make_unique<Menu>();
  m->handle = reinterpret_cast<HMENU>(t.next++);
  m->popup = popup;
  HMENU h = m->handle;
  t.menus[reinterpret_cast<uintptr_t>(h)] = std::move(m);
  return h;
}

bool matches(const MenuItem& item, UINT command) {
  if (item.subMenu != nullptr) return static_cast<UINT>(reinterpret_cast<uintptr_t>(item.subMenu)) == command;
  return !(item.type & MFT_SEPARATOR) && item.id == command;
}

bool findByCommand(Menu* menu, UINT command, ItemRef* out, int depth) {
  // A sub-menu cycle (a menu made its own descendant) must not recurse for ever.
  if (depth > 32) return false;
  for (size_t i = 0; i < menu->items.size(); ++i) {
    MenuItem& item = menu->items[i];
    if (matches(item, command)) {
      *out = ItemRef{menu, i};
      return true;
    }
    if (item.subMenu != nullptr) {
      Menu* sub = findMenu(item.subMenu);
      if (sub != nullptr && findByCommand(sub, command, out, depth + 1)) return true;
    }
  }
  return false;
}

void destroyTree(HMENU handle, int depth) {
  MenuTable& t = table();
  auto it = t.menus.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.menus.end() || depth > 32) return;
  std::unique_ptr<Menu> m = std::move(it->second);
  t.menus.erase(it);
  for (MenuItem& item : m->items) {
    if (item.subMenu != nullptr) destroyTree(item.subMenu, depth + 1);
  }
}

bool failWith(DWORD error) {
  SetLastError(error);
  return false;
}

// An item from the flags and value of AppendMenuW, InsertMenuW and ModifyMenuW.
bool itemFromFlags(UINT flags, UINT_PTR value, LPCWSTR text, MenuItem* item) {
  if (flags & MF_BITMAP) return failWith(ERROR_NOT_SUPPORTED);
  item->type = flags & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_MENUBREAK | MFT_MENUBARBREAK | MFT_RIGHTJUSTIFY);
  item->state = flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_HILITE | MF_DEFAULT);
  // MF_DISABLED alone makes an item unchoosable; it is greyed here as well, since the classic
  // look draws every unchoosable item the same.
  if (item->state & MF_DISABLED) item->state |= MF_GRAYED;
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(value);
    if (findMenu(sub) == nullptr) return failWith(ERROR_INVALID_MENU_HANDLE);
    item->subMenu = sub;
    item->id = static_cast<UINT>(value);
  } else {
    item->id = static_cast<UINT>(value);
  }
  if (flags & MF_OWNERDRAW) {
    item->data = reinterpret_cast<ULONG_PTR>(text);
  } else if (!(flags & MF_SEPARATOR) && text != nullptr) {
    item->text = text;
  }
  return true;
}

// The old MFT_* layout of MENUITEMINFOW ends before hbmpItem.
bool validInfoSize(UINT size) { return size == sizeof(MENUITEMINFOW) || size == offsetof(MENUITEMINFOW, hbmpItem); }

bool applyInfo(const MENUITEMINFOW* info, MenuItem* item) {
  if (info == nullptr || !validInfoSize(info->cbSize)) return failWith(ERROR_INVALID_PARAMETER);
  UINT mask = info->fMask;
  if ((mask & MIIM_BITMAP) && info->hbmpItem != nullptr) return failWith(ERROR_NOT_SUPPORTED);
  if ((mask & MIIM_CHECKMARKS) && (info->hbmpChecked != nullptr || info->hbmpUnchecked != nullptr)) {
    return failWith(ERROR_NOT_SUPPORTED);
  }
  if ((mask & (MIIM_TYPE | MIIM_FTYPE)) && (info->fType & MFT_BITMAP)) return failWith(ERROR_NOT_SUPPORTED);
  if ((mask & MIIM_SUBMENU) && info->hSubMenu != nullptr && findMenu(info->hSubMenu) == nullptr) {
    return failWith(ERROR_INVALID_MENU_HANDLE);
  }
  if (mask & (MIIM_TYPE | MIIM_FTYPE)) item->type = info->fType;
  if ((mask & MIIM_TYPE) || (mask & MIIM_STRING)) {
    // MIIM_TYPE carries the text only for string items; owner-drawn ones keep their data there.
    bool stringItem = (mask & MIIM_STRING) || !(info->fType & (MFT_SEPARATOR | MFT_OWNERDRAW));
    if (stringItem) item->text = info->dwTypeData != nullptr ? std::u16string(info->dwTypeData) : std::u16string();
    if ((mask & MIIM_TYPE) && (info->fType & MFT_OWNERDRAW)) {
      item->data = reinterpret_cast<ULONG_PTR>(info->dwTypeData);
    }
  }
  if (mask & MIIM_STATE) item->state = info->fState;
  if (mask & MIIM_ID) item->id = info->wID;
  if (mask & MIIM_SUBMENU) item->subMenu = info->hSubMenu;
  if (mask & MIIM_DATA) item->data = info->dwItemData;
  item->measured = false;
  return true;
}

// Inserts before the position or the command; a position past the end appends.
BOOL insertItem(HMENU handle, UINT where, bool byPosition, MenuItem item) {
  Menu* m = menuOrError(handle);
  if (m == nullptr) return FALSE;
  if (item.subMenu == handle) return failWith(ERROR_INVALID_PARAMETER);
  if (byPosition) {
    size_t at = std::min<size_t>(where, m->items.size());
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return TRUE;
  }
  ItemRef ref;
  if (!findByCommand(m, where, &ref, 0)) return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  ref.menu->items.insert(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index), std::move(item));
  return TRUE;
}

// The string that GetMenuStringW and GetMenuItemInfoW copy: at most size - 1 units and a NUL.
int copyText(const std::u16string& text, LPWSTR out, int size) {
  if (out == nullptr || size <= 0) return static_cast<int>(text.size());
  int n = std::min<int>(static_cast<int>(text.size()), size - 1);
  std::copy(text.begin(), text.begin() + n, out);
  out[n] = 0;
  return n;
}

}  // namespace

std::recursive_mutex& menuLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

Menu* findMenu(HMENU handle) {
  auto& menus = table().menus;
  auto it = menus.find(reinterpret_cast<uintptr_t>(handle));
  return it != menus.end() ? it->second.get() : nullptr;
}

Menu* menuOrError(HMENU handle) {
  Menu* m = findMenu(handle);
  if (m == nullptr) SetLastError(ERROR_INVALID_MENU_HANDLE);
  return m;
}

bool findItem(Menu* menu, UINT item, UINT flags, ItemRef* out) {
  if (menu == nullptr) return false;
  if (flags & MF_BYPOSITION) {
    if (item >= menu->items.size()) return false;
    *out = ItemRef{menu, item};
    return true;
  }
  return findByCommand(menu, item, out, 0);
}

}  // namespace winapi

using namespace winapi;

extern "C" HMENU WINAPI CreateMenu(void) { return newMenu(false); }

extern "C" HMENU WINAPI CreatePopupMenu(void) { return newMenu(true); }

extern "C" BOOL WINAPI DestroyMenu(HMENU menu) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  if (menuOrError(menu) == nullptr) return FALSE;
  destroyTree(menu, 0);
  return TRUE;
}

extern "C" BOOL WINAPI IsMenu(HMENU menu) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  return findMenu(menu) != nullptr;
}

extern "C" BOOL WINAPI AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  return InsertMenuW(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, idNewItem, newItem);
}

extern "C" BOOL WINAPI InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  MenuItem item;
  if (menuOrError(menu) == nullptr || !itemFromFlags(flags, idNewItem, newItem, &item)) return FALSE;
  return insertItem(menu, position, (flags & MF_BYPOSITION) != 0, std::move(item));
}

extern "C" BOOL WINAPI InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  MenuItem fresh;
  if (menuOrError(menu) == nullptr || !applyInfo(info, &fresh)) return FALSE;
  return insertItem(menu, item, byPosition != FALSE, std::move(fresh));
}

extern "C" BOOL WINAPI ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  ItemRef ref;
  if (!findItem(m, position, flags, &ref)) return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  MenuItem fresh;
  if (!itemFromFlags(flags, idNewItem, newItem, &fresh)) return FALSE;
  HMENU old = ref.item()->subMenu;
  *ref.item() = std::move(fresh);
  // The sub-menu an entry opened goes with it, as on Windows, unless the entry keeps it.
  if (old != nullptr && old != ref.item()->subMenu) destroyTree(old, 0);
  return TRUE;
}

extern "C" BOOL WINAPI SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  ItemRef ref;
  if (!findItem(m, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &ref)) return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  MenuItem changed = *ref.item();
  if (!applyInfo(info, &changed)) return FALSE;
  *ref.item() = std::move(changed);
  return TRUE;
}

extern "C" BOOL WINAPI GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  if (info == nullptr || !validInfoSize(info->cbSize)) return failWith(ERROR_INVALID_PARAMETER);
  ItemRef ref;
  if (!findItem(m, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &ref)) return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  const MenuItem& it = *ref.item();
  UINT mask = info->fMask;
  if (mask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = it.type;
  if (mask & MIIM_STATE) info->fState = it.state;
  if (mask & MIIM_ID) info->wID = it.id;
  if (mask & MIIM_SUBMENU) info->hSubMenu = it.subMenu;
  if (mask & MIIM_DATA) info->dwItemData = it.data;
  if (mask & MIIM_CHECKMARKS) {
    info->hbmpChecked = nullptr;
    info->hbmpUnchecked = nullptr;
  }
  if ((mask & MIIM_BITMAP) && info->cbSize == sizeof(MENUITEMINFOW)) info->hbmpItem = nullptr;
  if ((mask & MIIM_STRING) || ((mask & MIIM_TYPE) && !(it.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))) {
    // Without a buffer the length is the answer; with one, as much as fits and the copied length.
    if (info->dwTypeData == nullptr || info->cch == 0) {
      info->cch = static_cast<UINT>(it.text.size());
    } else {
      info->cch = static_cast<UINT>(copyText(it.text, info->dwTypeData, static_cast<int>(info->cch)));
    }
  } else if ((mask & MIIM_TYPE) && (it.type & MFT_OWNERDRAW)) {
    info->dwTypeData = reinterpret_cast<LPWSTR>(it.data);
  }
  return TRUE;
}

namespace {

BOOL takeOut(HMENU menu, UINT position, UINT flags, bool destroySubMenu) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  ItemRef ref;
  if (!findItem(m, position, flags, &ref)) return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  HMENU sub = ref.item()->subMenu;
  ref.menu->items.erase(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index));
  if (destroySubMenu && sub != nullptr) destroyTree(sub, 0);
  return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI DeleteMenu(HMENU menu, UINT position, UINT flags) {
  return takeOut(menu, position, flags, true);
}

extern "C" BOOL WINAPI RemoveMenu(HMENU menu, UINT position, UINT flags) {
  return takeOut(menu, position, flags, false);
}

extern "C" DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  ItemRef ref;
  if (!findItem(menuOrError(menu), item, check, &ref)) return static_cast<DWORD>(-1);
  UINT& state = ref.item()->state;
  DWORD previous = state & MF_CHECKED;
  state = (state & ~MF_CHECKED) | (check & MF_CHECKED);
  return previous;
}

extern "C" BOOL WINAPI EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  ItemRef ref;
  if (!findItem(m, item, enable, &ref)) return -1;
  UINT& state = ref.item()->state;
  BOOL previous = static_cast<BOOL>(state & (MF_GRAYED | MF_DISABLED));
  state = (state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  if (state & MF_DISABLED) state |= MF_GRAYED;
  return previous;
}

extern "C" BOOL WINAPI CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  // The group is a run of one menu's items: by position directly, by command between the menu
  // and positions where the two commands were found.
  ItemRef a, b, c;
  if (!findItem(m, first, flags, &a) || !findItem(m, last, flags, &b) || !findItem(m, check, flags, &c) ||
      a.menu != b.menu || a.menu != c.menu) {
    return failWith(ERROR_MENU_ITEM_NOT_FOUND);
  }
  size_t from = std::min(a.index, b.index), to = std::max(a.index, b.index);
  if (c.index < from || c.index > to) return failWith(ERROR_INVALID_PARAMETER);
  for (size_t i = from; i <= to; ++i) {
    MenuItem& it = a.menu->items[i];
    if (it.type & MFT_SEPARATOR) continue;
    if (i == c.index) {
      it.type |= MFT_RADIOCHECK;
      it.state |= MFS_CHECKED;
    } else {
      it.type &= ~MFT_RADIOCHECK;
      it.state &= ~MFS_CHECKED;
    }
  }
  return TRUE;
}

extern "C" int WINAPI GetMenuItemCount(HMENU menu) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  return m != nullptr ? static_cast<int>(m->items.size()) : -1;
}

extern "C" UINT WINAPI GetMenuItemID(HMENU menu, int position) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  ItemRef ref;
  if (position < 0 || !findItem(menuOrError(menu), static_cast<UINT>(position), MF_BYPOSITION, &ref)) {
    return static_cast<UINT>(-1);
  }
  return ref.item()->subMenu != nullptr ? static_cast<UINT>(-1) : ref.item()->id;
}

extern "C" HMENU WINAPI GetSubMenu(HMENU menu, int position) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  ItemRef ref;
  if (position < 0 || !findItem(menuOrError(menu), static_cast<UINT>(position), MF_BYPOSITION, &ref)) return nullptr;
  return ref.item()->subMenu;
}

extern "C" UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  ItemRef ref;
  if (!findItem(menuOrError(menu), item, flags, &ref)) return static_cast<UINT>(-1);
  const MenuItem& it = *ref.item();
  UINT state = (it.type & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_MENUBREAK | MFT_MENUBARBREAK | MFT_RIGHTJUSTIFY)) |
               (it.state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_HILITE | MF_DEFAULT));
  if (it.subMenu != nullptr) {
    // A sub-menu's entry has its item count in the high byte of the low word.
    Menu* sub = findMenu(it.subMenu);
    UINT count = sub != nullptr ? static_cast<UINT>(std::min<size_t>(sub->items.size(), 0xFF)) : 0;
    state = MF_POPUP | (state & 0xFF) | (count << 8);
  }
  return state;
}

extern "C" int WINAPI GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int max, UINT flags) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  ItemRef ref;
  if (!findItem(menuOrError(menu), item, flags, &ref)) {
    if (text != nullptr && max > 0) text[0] = 0;
    return 0;
  }
  return copyText(ref.item()->text, text, max);
}

extern "C" BOOL WINAPI SetMenuInfo(HMENU menu, LPCMENUINFO info) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  if (info == nullptr || info->cbSize != sizeof(MENUINFO)) return failWith(ERROR_INVALID_PARAMETER);
  if (info->fMask & (MIM_STYLE | MIM_MAXHEIGHT)) return failWith(ERROR_NOT_SUPPORTED);
  std::vector<Menu*> targets{m};
  if (info->fMask & MIM_APPLYTOSUBMENUS) {
    for (size_t i = 0; i < targets.size() && i < 1024; ++i) {
      for (MenuItem& it : targets[i]->items) {
        Menu* sub = it.subMenu != nullptr ? findMenu(it.subMenu) : nullptr;
        if (sub != nullptr && std::find(targets.begin(), targets.end(), sub) == targets.end()) targets.push_back(sub);
      }
    }
  }
  for (Menu* t : targets) {
    if (info->fMask & MIM_MENUDATA) t->menuData = info->dwMenuData;
    if (info->fMask & MIM_HELPID) t->helpId = info->dwContextHelpID;
    if (info->fMask & MIM_BACKGROUND) t->background = info->hbrBack;
  }
  return TRUE;
}

extern "C" BOOL WINAPI GetMenuInfo(HMENU menu, LPMENUINFO info) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = menuOrError(menu);
  if (m == nullptr) return FALSE;
  if (info == nullptr || info->cbSize != sizeof(MENUINFO)) return failWith(ERROR_INVALID_PARAMETER);
  if (info->fMask & MIM_MENUDATA) info->dwMenuData = m->menuData;
  if (info->fMask & MIM_HELPID) info->dwContextHelpID = m->helpId;
  if (info->fMask & MIM_BACKGROUND) info->hbrBack = m->background;
  if (info->fMask & MIM_STYLE) info->dwStyle = 0;
  if (info->fMask & MIM_MAXHEIGHT) info->cyMax = 0;
  return TRUE;
}
