// What the combo box and its drop list ("ComboLBox") share: the list's state, reached through the
// list window's extra bytes. Internal to the layer; both run on the combo's thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace winapi {

struct ListItem {
  std::u16string text;
  ULONG_PTR data = 0;
  UINT height = 0;        // variable-height owner-drawn rows only
  bool selected = false;  // extended selection only
};

/// The state of a list box window. Owned by the window (freed at WM_NCDESTROY).
struct ListState {
  DWORD style = 0;
  std::vector<ListItem> items;
  int current = -1;  // the selection, or the highlight of an open drop list; the caret with LBS_EXTENDEDSEL
  int anchor = -1;   // LBS_EXTENDEDSEL: where a Shift range starts
  int top = 0;
  UINT itemHeight = 13;
  HFONT font = nullptr;
  HWND combo = nullptr;  // the combo box of a drop list, else null
  // Painting: a top index set from inside a row's WM_DRAWITEM waits until the paint is over.
  bool painting = false;
  int pendingTop = -1;
  // Drop lists: the press that opened the list came from the face, so a release outside the
  // rows keeps it open; and a capture handed over inside the layer is not a cancel.
  bool pressFromFace = false;
  bool keepCapture = false;
  // Type-ahead: the letters typed so far and when the last one came (GetTickCount).
  std::u16string typed;
  DWORD typedAt = 0;

  bool hasStrings() const;
  bool ownerDraw() const { return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
  bool variable() const { return (style & LBS_OWNERDRAWVARIABLE) != 0; }
  bool extended() const { return combo == nullptr && (style & LBS_EXTENDEDSEL) != 0; }
  UINT rowHeight(int index) const;
};

/// The list state of a "ListBox" or "ComboLBox" window, or null.
ListState* listState(HWND list);
/// Rows that fit the list's client area from the top row on (at least 1).
int visibleRows(HWND list);
/// Scrolls so that `index` is visible.
void ensureVisible(HWND list, int index);
/// Sets the top row (clamped), the scroll bar, and repaints.
void setTopIndex(HWND list, int index);
/// Keeps the scroll bar in step with the items and the list's height.
void updateListScrollBar(HWND list);
/// Pixels of the rows from `first` for `count` rows.
int rowsHeight(HWND list, int first, int count);

// Called by the drop list on the combo's behalf (combo.cpp).
void comboChoose(HWND combo);
void comboCancel(HWND combo);

}  // namespace winapi
