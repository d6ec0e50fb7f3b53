// The program's application object.
#pragma once

#include <afxwin.h>

/// The one application object of the program, built by a static initialiser before the
/// framework's entry point runs it (with no application name, so the program's title serves).
/// FIXME: the start-up itself (InitInstance) comes with the application's windows and settings.
class CLumetraApp : public CWinApp {
 public:
  CLumetraApp() : CWinApp(nullptr) {}
  ~CLumetraApp() override = default;
};

/// The application object.
extern CLumetraApp theApp;
