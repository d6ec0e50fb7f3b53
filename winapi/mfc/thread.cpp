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

// The code of the WM_QUIT that ended the loop (0 when no loop ran) is the thread's exit code.
int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }
