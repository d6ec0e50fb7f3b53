// The program's application object.
#pragma once

#include <afxwin.h>

namespace s::app::win {
class AppBase;
class AppWindow;
}  // namespace s::app::win
namespace s::sound::gui::dialogs::effect {
class Dialog;
}

/// The one application object of the program, built by a static initialiser before the
/// framework's entry point runs it (with no application name, so the program's title serves).
/// `InitInstance` is the whole life of the program on the application thread: it prepares the
/// application object and the main window's description, hands over to a copy that already
/// runs, and otherwise runs the main dialog until its window has closed. It always answers
/// FALSE, so the framework's own message loop never runs: every window has a UI thread of its
/// own.
class CLumetraApp : public CWinApp {
 public:
  CLumetraApp() : CWinApp(nullptr) {}
  ~CLumetraApp() override = default;

  BOOL InitInstance() override;
};

/// The application object.
extern CLumetraApp theApp;

namespace s::app::win {

/// Takes the main dialog, hands it the main window's description with its localizer, the
/// settings store and the skinner, runs it until its window has closed and gives it back.
void runMainDialog(AppBase* appBase, AppWindow* mainWindow);

/// The main dialog that `runMainDialog` runs, from just before its window is built until the
/// window has closed; null at any other time. Tests that play the whole program reach its
/// widgets through it; they must not use it once they have closed the window. Any thread.
sound::gui::dialogs::effect::Dialog* getMainDialog();

/// Whether the program has a display to show its window on: DISPLAY, or LUMETRA_DISPLAY naming
/// the layer's driver.
bool hasDisplay();

}  // namespace s::app::win
