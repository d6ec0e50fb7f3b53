// The UI thread of a top-level window.
#include "gui/win/UIThread.h"

#include "gui/win/Window.h"

#include <afxdisp.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>

namespace s::gui::win {

IMPLEMENT_DYNCREATE(UIThread, CWinThread)

namespace {

constexpr DWORD kStopMs = 5000;
constexpr DWORD kPollMs = 10;

}  // namespace

UIThread::UIThread() {
  // The window deletes its thread object itself, after the thread has ended.
  m_bAutoDelete = FALSE;
}

UIThread::~UIThread() {
  if (m_hThread != nullptr) {
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
}

BOOL UIThread::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::AfxOleInit();
  // The first UI thread of the process sets its security; later ones are told it is too late,
  // which changes nothing.
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  ::AfxEnableControlContainer();
  Window* window = nullptr;
  while ((window = windowToCreate.load()) == nullptr) {
    ::Sleep(kPollMs);
  }
  if (!window->createNativeWindows()) {
    failed = true;
    return FALSE;
  }
  running = true;
  return TRUE;
}

int UIThread::ExitInstance() {
  running = false;
  return CWinThread::ExitInstance();
}

bool UIThread::stop(UIThread* thread) {
  if (thread == nullptr) {
    return true;
  }
  DWORD elapsed = 0;
  while (thread->running) {
    if (::PostThreadMessageW(thread->m_nThreadID, WM_QUIT, 0, 0) || elapsed > kStopMs - 1) {
      break;
    }
    ::Sleep(kPollMs);
    elapsed += kPollMs;
  }
  const DWORD rest = elapsed < kStopMs ? kStopMs - elapsed : 0;
  if (::WaitForSingleObject(thread->m_hThread, rest) != WAIT_OBJECT_0) {
    // A thread that will not end is left alone: suspending or killing it could leave a lock
    // held that the rest of the process needs. Its object stays, since the thread still uses it.
    std::fprintf(stderr, "lumetra: a window's UI thread did not end within 5 s; left running\n");
    return false;
  }
  delete thread;
  return true;
}

}  // namespace s::gui::win
