// The theme-font loader over the visual-styles library, resolved at run time.
#include "skin/drawer/ThemeFonts.h"

#include "core/system/win/DllLocater.h"
#include "gui/drawer/ThemeFont.h"

#include <mutex>

namespace s::gui::drawer {

namespace {

// The visual-styles entry points, declared here because nothing else of the program calls them.
using ThemeHandle = HANDLE;
using OpenThemeDataCall = ThemeHandle(WINAPI*)(HWND window, const WCHAR* classList);
using CloseThemeDataCall = HRESULT(WINAPI*)(ThemeHandle theme);
using GetThemeSysFontCall = HRESULT(WINAPI*)(ThemeHandle theme, int fontId, LOGFONTW* font);

// The theme's font ids, caption font first.
constexpr int kFirstThemeFont = 801;
constexpr int kThemeFontCount = 6;

struct ThemeLibrary {
  OpenThemeDataCall open = nullptr;
  CloseThemeDataCall close = nullptr;
  GetThemeSysFontCall sysFont = nullptr;
};

ThemeLibrary s_library;
LOGFONTW s_fonts[kThemeFontCount];
bool s_fontsRead = false;
std::once_flag s_loadOnce;

system::win::DllLocater& themeModule() {
  // Kept for the life of the process; the holder frees the module at exit.
  static system::win::DllLocater s_module;
  return s_module;
}

/// An entry point as its own type; the cast goes through a plain pointer because entry points
/// are handed out untyped.
template <typename Call>
Call entryPoint(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

void load() {
  system::win::DllLocater& module = themeModule();
  if (!module.load(u"UxTheme.dll")) return;
  HMODULE handle = module.getModule();
  s_library.open = entryPoint<OpenThemeDataCall>(handle, "OpenThemeData");
  s_library.close = entryPoint<CloseThemeDataCall>(handle, "CloseThemeData");
  s_library.sysFont = entryPoint<GetThemeSysFontCall>(handle, "GetThemeSysFont");
  readThemeFonts();
}

}  // namespace

void loadThemeLibrary() {
  // A once flag rather than plain flags: several UI threads may make their first font at once,
  // and each must see the loader's result, not a half-read table.
  std::call_once(s_loadOnce, load);
}

void readThemeFonts() {
  if (s_library.open == nullptr || s_library.close == nullptr || s_library.sysFont == nullptr) {
    return;
  }
  ThemeHandle theme = s_library.open(nullptr, u"WINDOW");
  if (theme == nullptr) return;
  bool all = true;
  for (int i = 0; i < kThemeFontCount; ++i) {
    all = SUCCEEDED(s_library.sysFont(theme, kFirstThemeFont + i, &s_fonts[i])) && all;
  }
  // A theme that could not give its fonts counts as none, so no caller takes a blank record.
  s_fontsRead = all;
  s_library.close(theme);
}

bool getThemeSystemFont(LOGFONTW* font) {
  loadThemeLibrary();
  if (!s_fontsRead || font == nullptr) return false;
  *font = s_fonts[0];
  return true;
}

void installThemeFontLookup() { setThemeFontLookup(&getThemeSystemFont); }

}  // namespace s::gui::drawer
