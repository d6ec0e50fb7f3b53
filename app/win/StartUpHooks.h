// The calls the lower subsystems make up into the program, filled in before the first window.
#pragma once

namespace s::app::win {

/// Fills every upward hook of the libraries below the application: the toolkit's application
/// hooks (display scale, icons, language, settings), the notice that audio and imaging tell the
/// user through, imaging's calls for platform (screen capture, icon images), the skins' default
/// drawers and the theme font. Calling it again is
/// harmless. Start-up runs it on the application thread before any window exists.
void installStartUpHooks();

class AppBase;

/// Whether every hook `installStartUpHooks` fills is filled. Given an application object started
/// on the program's resources, it also asks the toolkit's application hooks for what that object
/// holds (a window description of it, its settings store, its first skin picture and its icon)
/// and answers false when one of them gives nothing.
bool areStartUpHooksInstalled(AppBase* app = nullptr);

}  // namespace s::app::win
