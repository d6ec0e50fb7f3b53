// The choice of this process's display driver: headless when LUMETRA_DISPLAY=headless asks for
// it, else x11 on the server DISPLAY names. The drivers sit above the window system, which
// reaches them only through gdi32's driver interface: this file hands the interface its opener
// as the program starts. Programs keep this file through the link option that names
// lumetra_display_drivers (winapi/drivers/CMakeLists.txt), as static libraries drop unreferenced files.
#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/drivers/x11/X11Driver.h"
#include "winapi/gdi32/DisplayDriver.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace winapi {
namespace {

// Null, having said why, when the display does not answer: windows no one can see would keep the
// program running unseen, and every later start would hand over to it, so the program ends, as X
// programs do.
DisplayDriver* openDisplayDriver() {
  const char* chosen = std::getenv("LUMETRA_DISPLAY");
  if (chosen != nullptr && std::strcmp(chosen, "headless") == 0) return new HeadlessDriver;
  DisplayDriver* driver = X11Driver::open();
  if (driver == nullptr) {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != 0) {
      std::fprintf(stderr, "%s: cannot open display %s\n", program_invocation_short_name, display);
    } else {
      std::fprintf(stderr, "%s: no display: set DISPLAY to an X server (or LUMETRA_DISPLAY=headless)\n",
                   program_invocation_short_name);
    }
  }
  return driver;
}

struct OpenerSetter {
  OpenerSetter() { setDisplayDriverOpener(&openDisplayDriver); }
};
const OpenerSetter kOpenerSetter;

}  // namespace
}  // namespace winapi

extern "C" const char lumetra_display_drivers = 0;
