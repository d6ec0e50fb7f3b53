// The built-in module "user32.dll": the calls that programs look up at run time by name; and the
// window system's answers to gdi32, set as the program starts.
#include <windows.h>

#include "winapi/base/builtin.h"
#include "winapi/gdi32/SystemLook.h"

namespace {

const winapi::BuiltinExport kExports[] = {
    {"SetLayeredWindowAttributes", reinterpret_cast<void*>(&SetLayeredWindowAttributes)},
    {"GetLayeredWindowAttributes", reinterpret_cast<void*>(&GetLayeredWindowAttributes)},
    {"MonitorFromWindow", reinterpret_cast<void*>(&MonitorFromWindow)},
    {"MonitorFromRect", reinterpret_cast<void*>(&MonitorFromRect)},
    {"MonitorFromPoint", reinterpret_cast<void*>(&MonitorFromPoint)},
    {"GetMonitorInfoW", reinterpret_cast<void*>(&GetMonitorInfoW)},
    {"EnumDisplayMonitors", reinterpret_cast<void*>(&EnumDisplayMonitors)},
    {"SendMessageTimeoutW", reinterpret_cast<void*>(&SendMessageTimeoutW)},
};

const winapi::BuiltinRegistrar kRegistrar(u"user32.dll", kExports);

// gdi32 paints system colours and answers screen metrics with the window system's values.
struct SystemLookSetter {
  SystemLookSetter() { winapi::setSystemLook({&GetSysColor, &GetSystemMetrics}); }
};
const SystemLookSetter kSystemLookSetter;

}  // namespace

// Named by the link option of winapi_add_area(... ANCHOR), so that programs keep this file and
// its registration though nothing calls into it.
extern "C" const char lumetra_builtin_user32 = 0;
