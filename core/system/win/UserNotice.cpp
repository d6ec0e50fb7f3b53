// The notice hook and the application's message box.
#include "core/system/win/UserNotice.h"

#include <windows.h>
#include <afxwin.h>

#include <atomic>

namespace s::system::win {

namespace {

std::atomic<InformationNotice> s_notice{nullptr};

}  // namespace

InformationNotice setInformationNotice(InformationNotice notice) {
  return s_notice.exchange(notice);
}

InformationNotice getInformationNotice() { return s_notice.load(); }

void showInformation(const WCHAR* text) {
  if (InformationNotice notice = s_notice.load()) {
    notice(text);
    return;
  }
  showApplicationMessageBox(text, MB_OK | MB_ICONINFORMATION);
}

int showApplicationMessageBox(const WCHAR* text, UINT type) {
  CWinApp* app = AfxGetApp();
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr && app != nullptr && app->m_pMainWnd != nullptr) {
    owner = app->m_pMainWnd->GetSafeHwnd();
  }
  const WCHAR* caption = app != nullptr ? app->m_pszAppName : nullptr;
  return ::MessageBoxW(owner, text, caption, type);
}

}  // namespace s::system::win
