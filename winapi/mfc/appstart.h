// Internal to the framework: the start of the application and the per-thread framework state.
#pragma once

#include <afxwin.h>

namespace winapi::mfc {

/// What the framework's entry point does: converts the arguments, fills the application
/// object's fields and runs it (InitApplication, InitInstance, then Run or ExitInstance).
/// Answers the program's exit code; -1 when there is not exactly one application object.
int runApplication(int argc, char** argv);

/// Makes `thread` the framework thread object of the calling thread (AfxGetThread).
void setCurrentThread(CWinThread* thread);

}  // namespace winapi::mfc
