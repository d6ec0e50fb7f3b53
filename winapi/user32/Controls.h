// The window procedures of the layer's system classes, one file per control, and the helpers
// they share. Offered by user32 to comctl32, whose controls are system classes too.
#pragma once

#include <windows.h>

namespace winapi {

LRESULT CALLBACK buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK progressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // comctl32/
LRESULT CALLBACK trackbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // comctl32/

/// The window procedures of the common controls, which comctl32 (above the window system) hands
/// over as InitCommonControlsEx enables their classes.
struct CommonControlProcs {
  WNDPROC progress;
  WNDPROC trackbar;
};
/// Makes the system classes of the ICC_* groups given available, with their procedures.
void enableCommonControls(DWORD groups, const CommonControlProcs& procs);
/// Whether the classes of the ICC_* groups are available.
bool commonControlsEnabled(DWORD groups);
LRESULT CALLBACK comboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/// "ListBox" and the combo box's drop list "ComboLBox".
LRESULT CALLBACK listProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/// Sends WM_COMMAND with the control's id and a notification code to its parent.
void notifyParent(HWND control, WORD code);
/// The brush the parent answers to a WM_CTLCOLOR* message, or the default procedure's when
/// the parent answers none.
HBRUSH controlBrush(HWND control, UINT message, HDC dc);
/// The keyboard cues of the control's window (UISF_HIDEFOCUS, UISF_HIDEACCEL).
WORD uiStateOf(HWND hwnd);

}  // namespace winapi
