// The library's window class, whose procedure reflects control notifications to the controls
// that sent them.
#pragma once

#include <windows.h>

namespace s::gui::win {

inline constexpr const WCHAR* kWindowClassName = u"KavrelWindowClass";

/// Registers "KavrelWindowClass" once per process; true at once after a success. A failure
/// tells the user ("Window Registration Failed!") and answers false; a later call tries again.
bool registerWindowClass();

/// The class procedure. Control notifications that reach a parent (WM_COMMAND, WM_NOTIFY and
/// WM_CTLCOLOR*) are sent on to the control as WM_APP+3 .. WM_APP+21 with their wparam and
/// lparam; WM_INITMENUPOPUP is sent on to the window a menu names in its menu data; WM_APP+1
/// closes and destroys the window; everything else is the default procedure's.
LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/// Whether the left or the right Shift key is down now.
bool isShiftDown();

/// Tells the user that a native window could not be made ("Window Creation Failed!").
void reportCreationFailure();

}  // namespace s::gui::win
