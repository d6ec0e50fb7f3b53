// The calls the lower subsystems make up into the program, filled in before the first window.
#pragma once

namespace s::app::win {

/// Fills every upward hook of the libraries below the application: the toolkit's application
/// hooks (display scale, icons, language, settings), imaging's calls for platform (screen
/// capture, icon images), the skins' default drawers and the theme font. Calling it again is
/// harmless. Start-up runs it on the application thread before any window exists.
void installStartUpHooks();

/// Whether every hook `installStartUpHooks` fills is filled.
bool areStartUpHooksInstalled();

}  // namespace s::app::win
