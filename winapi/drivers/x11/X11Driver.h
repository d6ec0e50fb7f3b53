// The X11 driver: one X window per top-level window, surfaces shown with XPutImage, EWMH and
// Motif hints for the window manager, input, XDND drops, tray clicks and hot keys turned into
// messages. Its files, one concern each, share the class in X11DriverImpl.h.
#pragma once

#include "winapi/gdi32/DisplayDriver.h"

namespace winapi {

class X11Driver {
 public:
  /// Connects to the X server named by DISPLAY; null when none answers.
  static DisplayDriver* open();
};

}  // namespace winapi
