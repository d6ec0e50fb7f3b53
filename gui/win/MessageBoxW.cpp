// The toolkit's message box over the window system's MessageBoxW.
#include "gui/win/MessageBoxW.h"

#include <afxwin.h>

namespace s::gui::win {

int MessageBoxW::showInformation(const WCHAR* text) {
  // The application's own message box: its title as the caption, its main window as the owner.
  CWinApp* app = AfxGetApp();
  HWND owner =
      app != nullptr && app->m_pMainWnd != nullptr ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
  const WCHAR* caption = app != nullptr ? app->m_pszAppName : nullptr;
  return ::MessageBoxW(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace s::gui::win
