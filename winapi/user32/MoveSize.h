// The layer's own move-or-size loop, for when no window manager moves windows for us.
#pragma once

#include <windows.h>

namespace winapi {

/// Moves (HTCAPTION) or sizes (HTLEFT .. HTBOTTOMRIGHT) the top-level window `hwnd` with the
/// pointer while the left button stays down, from the press at `screen`. Modal on the calling
/// thread, which keeps dispatching its other messages: WM_ENTERSIZEMOVE first, then for each
/// pointer move WM_MOVING (WM_SIZING with the WMSZ_ edge when sizing) with the proposed window
/// rectangle, which the window may change, and the move; Esc puts the window back where it
/// started; the release (or a lost capture) ends it with WM_EXITSIZEMOVE. Returns at once,
/// sending nothing, when the button is not down or the code is neither of those.
void runMoveSizeLoop(HWND hwnd, int hitCode, POINT screen);

}  // namespace winapi
