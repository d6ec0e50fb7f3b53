// The built-in module "user32.dll": the calls that programs look up at run time by name.
#include <windows.h>

#include "winapi/base/builtin.h"

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

}  // namespace
