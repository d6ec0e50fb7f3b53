// The framework's menu class: CMenu over a menu handle. Included by <afxwin.h>.
// Left out on purpose: FromHandle's temporary objects, owner-draw overridables and menu
// resources (LoadMenu), which nothing uses.
#pragma once

#include <windows.h>

#include <afx.h>

class CWnd;

/// A menu held by handle. The object destroys a menu it still holds when it is destroyed; a
/// menu given away with Detach (or set as a window's menu bar and detached) is the caller's.
/// Menus are process-wide, so a CMenu may be built on one thread and tracked on another.
class CMenu : public CObject {
  DECLARE_DYNAMIC(CMenu)
 public:
  CMenu() = default;
  ~CMenu() override;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const { return m_hMenu; }

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  /// Destroys the held menu (and its sub-menus); FALSE when none is held or it is gone already.
  BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();

  BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, LPCWSTR newItem = nullptr);
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idNewItem = 0, LPCWSTR newItem = nullptr);
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idNewItem = 0, LPCWSTR newItem = nullptr);
  BOOL DeleteMenu(UINT position, UINT flags);
  BOOL RemoveMenu(UINT position, UINT flags);
  UINT CheckMenuItem(UINT item, UINT check);
  UINT EnableMenuItem(UINT item, UINT enable);
  BOOL CheckMenuRadioItem(UINT first, UINT last, UINT check, UINT flags);
  int GetMenuItemCount() const;
  UINT GetMenuItemID(int position) const;
  UINT GetMenuState(UINT item, UINT flags) const;
  int GetMenuString(UINT item, LPWSTR text, int max, UINT flags) const;
  HMENU GetSubMenuHandle(int position) const;
  BOOL GetMenuItemInfo(UINT item, LPMENUITEMINFOW info, BOOL byPosition = FALSE);
  BOOL SetMenuItemInfo(UINT item, LPCMENUITEMINFOW info, BOOL byPosition = FALSE);
  BOOL SetMenuInfo(LPCMENUINFO info);
  BOOL GetMenuInfo(LPMENUINFO info) const;
  /// Tracks the menu as a popup at a screen point for the owner window (TrackPopupMenu).
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT ignored = nullptr);
  BOOL TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params);
};
