// The theme font hook: how fonts below the skins learn the face of the visual style's font.
#pragma once

#include <windows.h>

namespace s::gui::drawer {

/// Fills `font` with the theme's system font and answers true, or answers false when there is
/// none (no visual styles). Must be callable from any UI thread.
using ThemeFontLookup = bool (*)(LOGFONTW* font);

/// Installs the lookup the skins provide at start-up (null removes it) and answers the previous
/// one.
ThemeFontLookup setThemeFontLookup(ThemeFontLookup lookup);

/// Asks the installed lookup; false when none is installed.
bool lookUpThemeFont(LOGFONTW* font);

}  // namespace s::gui::drawer
