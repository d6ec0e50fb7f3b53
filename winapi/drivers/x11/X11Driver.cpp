// FIXME: the X11 driver is not written yet; without it the layer runs headless.
#include "winapi/drivers/x11/X11Driver.h"

namespace winapi {

DisplayDriver* X11Driver::open() { return nullptr; }

}  // namespace winapi
