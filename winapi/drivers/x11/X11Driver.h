// The X11 driver: one X window per top-level window, surfaces shown with XPutImage (or MIT-SHM),
// EWMH and Motif hints for the window manager, input and XDND drops turned into messages.
#pragma once

#include "winapi/gdi32/DisplayDriver.h"

namespace winapi {

class X11Driver {
 public:
  /// Connects to the X server named by DISPLAY; null when none answers.
  static DisplayDriver* open();
};

}  // namespace winapi
