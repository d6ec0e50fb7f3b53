// The framework's OLE support: initialising OLE for the calling thread and enabling the hosting
// of controls in its windows.
#pragma once

#include <windows.h>

/// OleInitialize for the calling thread; TRUE when OLE is initialised there (now or before).
BOOL AfxOleInit();
/// Lets framework windows host controls. The layer hosts no ActiveX controls, so there is
/// nothing to switch on; windows stay as they are.
void AfxEnableControlContainer();
