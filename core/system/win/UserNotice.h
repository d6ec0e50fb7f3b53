// How the libraries below the toolkit tell the user something: one hook that the program fills
// with the toolkit's message box, and the application's message box it falls back on.
#pragma once

#include <windows.h>

namespace s::system::win {

/// Shows `text` to the user with the information icon and returns once the user closed it.
using InformationNotice = void (*)(const WCHAR* text);

/// Installs `notice` (null restores the default) and answers the one it replaces (null for the
/// default). Any thread; the program installs it at start-up, before the calls that need it.
InformationNotice setInformationNotice(InformationNotice notice);
/// The notice installed, or null while the default is in force.
InformationNotice getInformationNotice();

/// Tells the user `text` through the installed notice; without one, through
/// `showApplicationMessageBox` with the information icon. A modal box: the calling thread waits.
void showInformation(const WCHAR* text);

/// The application's own message box: captioned with the application's title (the window system
/// captions it "Error" without an application object), owned by the calling thread's active
/// window, else by the application's main window, else by no window. Answers the button that
/// closed it (0 when none showed).
int showApplicationMessageBox(const WCHAR* text, UINT type);

}  // namespace s::system::win
