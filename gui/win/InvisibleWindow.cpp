// The hidden owner of every top-level frame.
#include "gui/win/InvisibleWindow.h"

#include "gui/win/Window.h"
#include "gui/win/WindowClass.h"

namespace s::gui::win {

InvisibleWindow::~InvisibleWindow() {
  if (m_hWnd != nullptr) {
    SendMessage(Window::kDestroyMessage);
  }
  if (m_hWnd != nullptr) {
    DestroyWindow();
  }
  m_handle = nullptr;
}

bool InvisibleWindow::create() {
  registerWindowClass();
  if (!CreateEx(0, kWindowClassName, u"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                CW_USEDEFAULT, nullptr, nullptr)) {
    reportCreationFailure();
    return false;
  }
  m_handle = m_hWnd;
  ShowWindow(SW_HIDE);
  ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
  return true;
}

}  // namespace s::gui::win
