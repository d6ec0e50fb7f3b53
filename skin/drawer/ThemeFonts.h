// The theme-font loader: the fonts of the visual-styles theme, read once per process.
#pragma once

#include <windows.h>

namespace s::gui::drawer {

/// Loads "UxTheme.dll" into a process-wide module holder and, when its three entry points exist,
/// reads the theme fonts. Runs once per process whichever thread calls first; later calls (and
/// calls racing with the first) return after it has finished.
void loadThemeLibrary();

/// Reads the six theme system fonts (caption, small caption, menu, status, message box, icon
/// title) of the theme class "WINDOW"; does nothing unless the theme library's entry points were
/// found. Called by the loader.
void readThemeFonts();

/// Copies the theme's caption font into `font` and answers true; answers false, leaving `font`
/// alone, when no theme fonts were read (no visual styles). Any thread may call; the first call
/// runs the loader.
bool getThemeSystemFont(LOGFONTW* font);

/// Fills gui/'s theme font hook with `getThemeSystemFont`. Start-up calls it before fonts are
/// made.
void installThemeFontLookup();

}  // namespace s::gui::drawer
