// The command target and the framework thread base, and the per-thread framework state.
#include <afxwin.h>

#include "winapi/mfc/appstart.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

namespace {
thread_local CWinThread* t_currentThread = nullptr;
}

void winapi::mfc::setCurrentThread(CWinThread* thread) { t_currentThread = thread; }

CWinThread* AfxGetThread() { return t_currentThread; }

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
  // FIXME: the message loop (until WM_QUIT) joins with the window system; until then the loop
  // has nothing to pump and ends at once.
  return ExitInstance();
}

int CWinThread::ExitInstance() { return 0; }
