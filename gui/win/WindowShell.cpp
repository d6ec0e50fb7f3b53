// What the window asks of the shell and the system: icons, the tray icon, hot keys and the
// clipboard viewer chain.
#include "gui/win/Window.h"

#include "gui/win/MessageBoxW.h"

namespace s::gui::win {

// FIXME: icon handles are made from the images (and the images given back when owned) with the
// image buffer; until then the window keeps the images it is given and sends no icon.
void Window::setSmallIcon(image::win::BufferedImage* image, bool owned) {
  m_smallIcon = image;
  m_smallIconOwned = owned;
}

void Window::setLargeIcon(image::win::BufferedImage* image, bool owned) {
  m_largeIcon = image;
  m_largeIconOwned = owned;
}

void Window::removeIcons() {
  for (HWND hwnd : {m_frameHandle, m_ownerHandle}) {
    if (hwnd != nullptr) {
      ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, 0);
      ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, 0);
    }
  }
  for (HICON* icon : {&m_smallIconHandle, &m_largeIconHandle}) {
    if (*icon != nullptr) {
      ::DestroyIcon(*icon);
      *icon = nullptr;
    }
  }
  m_smallIcon = nullptr;
  m_smallIconOwned = false;
  m_largeIcon = nullptr;
  m_largeIconOwned = false;
}

image::win::BufferedImage* Window::getBackBuffer(int32_t* /*x*/, int32_t* /*y*/) {
  // The back buffer covers the client area from its corner: the offsets stay as they are.
  return m_backBuffer;
}

// FIXME: the notification area, hot keys and the clipboard chain need the layer's shell calls;
// until they exist every request answers its failure and changes nothing.
bool Window::notifyTray(DWORD /*command*/, DWORD /*flags*/) { return false; }

void Window::setTrayIcon(bool on) {
  if (!hasFrame()) {
    return;
  }
  if (on) {
    m_trayIconShown = notifyTray(kTrayAdd, kTrayMessageField | kTrayIconField | kTrayTipField);
  } else if (!m_trayIconPinned) {
    notifyTray(kTrayDelete, 0);
    m_trayIconShown = false;
  }
}

void Window::updateTrayIcon() {
  if (m_trayIconShown) {
    notifyTray(kTrayModify, kTrayMessageField | kTrayIconField | kTrayTipField);
  }
}

void Window::setTrayIconPinned(bool on) {
  if (on == m_trayIconPinned) {
    return;
  }
  m_trayIconPinned = on;
  if (on) {
    if (!m_trayIconShown) {
      setTrayIcon(true);
    }
  } else if (!m_inTray) {
    setTrayIcon(false);
  }
}

void Window::setKeepTrayIcon(bool on) {
  m_keepTrayIcon = on;
  if (!hasFrame()) {
    return;
  }
  if (on && !m_trayIconShown) {
    setTrayIcon(true);
  } else if (!on && m_trayIconShown && !m_inTray) {
    setTrayIcon(false);
  }
}

bool Window::registerHotKey(bool, bool, bool, bool, int32_t, const WCHAR*, bool) { return false; }

void Window::unregisterHotKey(const WCHAR*) {}

void Window::unregisterAllHotKeys() { m_hotKeyNames.clear(); }

bool Window::isFiredHotKey(const WCHAR*) { return false; }

void Window::setClipboardViewer(bool on) {
  m_clipboardViewer = on;
  if (!on) {
    m_nextClipboardViewer = nullptr;
  }
}

void Window::leaveClipboardChain() { setClipboardViewer(false); }

// FIXME: the screen below the window is saved once screen capture and the GIF writer exist.
bool Window::saveScreenBelowAsGif(const WCHAR*) { return false; }

}  // namespace s::gui::win
