// Top-level windows as a second X client finds them, with or without a window manager.
#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace lumetra::testlib {

/// The clients' top-level windows in stacking order, bottom first: the root's children on a bare
/// server; under a window manager, the window each frame holds (the one with WM_STATE) in the
/// frame's place. Windows the manager leaves alone (menus, drop lists) count as themselves.
std::vector<::Window> clientWindows(Display* display);

/// Whether a window manager manages `w`: it has given it WM_STATE.
bool isManaged(Display* display, ::Window w);

/// Whether `w` exists and is mapped.
bool isMapped(Display* display, ::Window w);

/// The root's child that holds `w`: its frame under a window manager, else `w` itself; 0 when `w`
/// is gone.
::Window frameOf(Display* display, ::Window w);

}  // namespace lumetra::testlib
