// CMenu: the framework's menu object over the layer's menu calls.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CMenu, CObject)

CMenu::~CMenu() {
  if (m_hMenu != nullptr) ::DestroyMenu(m_hMenu);
}

BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return FALSE;
  BOOL done = ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
  return done;
}

BOOL CMenu::Attach(HMENU menu) {
  // An object holds one menu: a second one is refused rather than leaking the first.
  if (menu == nullptr || m_hMenu != nullptr) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  return menu;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  return ::AppendMenuW(m_hMenu, flags, idNewItem, newItem);
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  return ::InsertMenuW(m_hMenu, position, flags, idNewItem, newItem);
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  return ::ModifyMenuW(m_hMenu, position, flags, idNewItem, newItem);
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }

BOOL CMenu::RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }

UINT CMenu::CheckMenuItem(UINT item, UINT check) { return ::CheckMenuItem(m_hMenu, item, check); }

UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
  return static_cast<UINT>(::EnableMenuItem(m_hMenu, item, enable));
}

BOOL CMenu::CheckMenuRadioItem(UINT first, UINT last, UINT check, UINT flags) {
  return ::CheckMenuRadioItem(m_hMenu, first, last, check, flags);
}

int CMenu::GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }

UINT CMenu::GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }

UINT CMenu::GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }

int CMenu::GetMenuString(UINT item, LPWSTR text, int max, UINT flags) const {
  return ::GetMenuStringW(m_hMenu, item, text, max, flags);
}

HMENU CMenu::GetSubMenuHandle(int position) const { return ::GetSubMenu(m_hMenu, position); }

BOOL CMenu::GetMenuItemInfo(UINT item, LPMENUITEMINFOW info, BOOL byPosition) {
  return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
}

BOOL CMenu::SetMenuItemInfo(UINT item, LPCMENUITEMINFOW info, BOOL byPosition) {
  return ::SetMenuItemInfoW(m_hMenu, item, byPosition, info);
}

BOOL CMenu::SetMenuInfo(LPCMENUINFO info) { return ::SetMenuInfo(m_hMenu, info); }

BOOL CMenu::GetMenuInfo(LPMENUINFO info) const { return ::GetMenuInfo(m_hMenu, info); }

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner != nullptr ? owner->GetSafeHwnd() : nullptr, nullptr);
}

BOOL CMenu::TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params) {
  return ::TrackPopupMenuEx(m_hMenu, flags, x, y, owner != nullptr ? owner->GetSafeHwnd() : nullptr, params);
}
