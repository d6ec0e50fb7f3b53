// The built-in module "UxTheme.dll". Visual styles are off: the layer paints its controls in the
// classic look, so there is never theme data to open or fonts of a theme to read.
#include <uxtheme.h>

#include "winapi/base/builtin.h"

extern "C" {

HTHEME WINAPI OpenThemeData(HWND, LPCWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

HRESULT WINAPI CloseThemeData(HTHEME) { return S_OK; }

HRESULT WINAPI GetThemeSysFont(HTHEME, int, LOGFONTW*) { return E_HANDLE; }

}  // extern "C"

namespace {

const winapi::BuiltinExport kExports[] = {
    {"OpenThemeData", reinterpret_cast<void*>(&OpenThemeData)},
    {"CloseThemeData", reinterpret_cast<void*>(&CloseThemeData)},
    {"GetThemeSysFont", reinterpret_cast<void*>(&GetThemeSysFont)},
};

const winapi::BuiltinRegistrar kRegistrar(u"UxTheme.dll", kExports);

}  // namespace

// Named by the link option of winapi_add_area(... ANCHOR), so that programs keep this file and
// its registration though nothing calls into it.
extern "C" const char lumetra_builtin_uxtheme = 0;
