// The framework thread's message loop (Run, PumpMessage, PreTranslateMessage, OnIdle) and the
// thread starter AfxBeginThread.
#include <afxwin.h>

#include "winapi/mfc/appstart.h"
#include "winapi/mfc/maps.h"

namespace winapi::mfc {

void freeTemporaryObjects() {
  windowMaps().freeTemporaries([](CWnd* w) { w->m_hWnd = nullptr; });
  dcMaps().freeTemporaries([](CDC* d) { d->m_hDC = d->m_hAttribDC = nullptr; });
  gdiMaps().freeTemporaries([](CGdiObject* o) { o->m_hObject = nullptr; });
}

}  // namespace winapi::mfc

int CWinThread::Run() {
  bool idle = true;
  LONG idleCount = 0;
  for (;;) {
    while (idle && !::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      idle = true;
      idleCount = 0;
    } while (::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
  }
}

BOOL CWinThread::PumpMessage() {
  if (::GetMessageW(&m_msgCur, nullptr, 0, 0) <= 0) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageW(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  // From the message's window up to its top-level window, each framework window may take it.
  for (HWND hwnd = msg->hwnd; hwnd != nullptr;) {
    CWnd* w = CWnd::FromHandlePermanent(hwnd);
    if (w != nullptr && w->PreTranslateMessage(msg)) return TRUE;
    if (!(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) break;
    hwnd = ::GetParent(hwnd);
  }
  return FALSE;
}

BOOL CWinThread::OnIdle(LONG) {
  winapi::mfc::freeTemporaryObjects();
  return FALSE;
}

namespace {

DWORD WINAPI startFrameworkThread(LPVOID parameter) {
  auto* thread = static_cast<CWinThread*>(parameter);
  winapi::mfc::setCurrentThread(thread);
  int code;
  if (thread->m_pfnThreadProc != nullptr) {
    code = static_cast<int>(thread->m_pfnThreadProc(thread->m_pThreadParams));
  } else if (thread->InitInstance()) {
    code = thread->Run();
  } else {
    code = thread->ExitInstance();
  }
  winapi::mfc::freeTemporaryObjects();
  winapi::mfc::setCurrentThread(nullptr);
  if (thread->m_bAutoDelete) delete thread;
  return static_cast<DWORD>(code);
}

CWinThread* start(CWinThread* thread, int priority, UINT stackSize, DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
  // The thread starts held, so its object is complete before it runs.
  DWORD id = 0;
  HANDLE handle = ::CreateThread(security, stackSize, startFrameworkThread, thread, CREATE_SUSPENDED, &id);
  if (handle == nullptr) {
    delete thread;
    return nullptr;
  }
  thread->m_hThread = handle;
  thread->m_nThreadID = id;
  ::SetThreadPriority(handle, priority);
  if (!(createFlags & CREATE_SUSPENDED)) ::ResumeThread(handle);
  return thread;
}

}  // namespace

CWinThread* AfxBeginThread(const CRuntimeClass* threadClass, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES security) {
  if (threadClass == nullptr || !threadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  CObject* made = threadClass->CreateObject();
  if (made == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return start(static_cast<CWinThread*>(made), priority, stackSize, createFlags, security);
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES security) {
  if (proc == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* thread = new CWinThread;
  thread->m_pfnThreadProc = proc;
  thread->m_pThreadParams = param;
  return start(thread, priority, stackSize, createFlags, security);
}
