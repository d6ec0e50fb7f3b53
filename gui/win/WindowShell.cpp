// What the window asks of the shell and the system: icons, the tray icon, hot keys and the
// clipboard viewer chain.
#include "gui/win/Window.h"

#include "gui/win/MessageBoxW.h"
#include "imaging/win/BufferedImage.h"
#include "platform/system/monitor/win/Monitor.h"
#include "platform/system/win/OsVersion.h"

#include <windows.h>
#include <shellapi.h>

#include <iterator>
#include <string>

namespace s::gui::win {

namespace {

/// An icon of the image's pixels (alpha included), or null.
HICON makeIcon(image::win::BufferedImage* image) {
  if (image == nullptr || image->getHBitmap() == nullptr) {
    return nullptr;
  }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = image->getHBitmap();
  return ::CreateIconIndirect(&info);
}

}  // namespace

void Window::setIcon(WPARAM which, image::win::BufferedImage* image, bool owned) {
  const bool small = which == ICON_SMALL;
  image::win::BufferedImage*& kept = small ? m_state.smallIcon : m_state.largeIcon;
  bool& keptOwned = small ? m_state.smallIconOwned : m_state.largeIconOwned;
  HICON& keptHandle = small ? m_state.smallIconHandle : m_state.largeIconHandle;
  HICON handle = makeIcon(image);
  for (HWND hwnd : {m_frameHandle, m_ownerHandle}) {
    if (hwnd != nullptr) {
      ::SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(handle));
    }
  }
  if (kept != nullptr && keptOwned && kept != image) {
    kept->release();
  }
  if (keptHandle != nullptr) {
    ::DestroyIcon(keptHandle);
  }
  kept = image;
  keptOwned = owned;
  keptHandle = handle;
}

void Window::setSmallIcon(image::win::BufferedImage* image, bool owned) {
  setIcon(ICON_SMALL, image, owned);
}

void Window::setLargeIcon(image::win::BufferedImage* image, bool owned) {
  setIcon(ICON_BIG, image, owned);
}

void Window::removeIcons() {
  setIcon(ICON_SMALL, nullptr, false);
  setIcon(ICON_BIG, nullptr, false);
}

image::win::BufferedImage* Window::getBackBuffer(int32_t* /*x*/, int32_t* /*y*/) {
  // The back buffer covers the client area from its corner: the offsets stay as they are.
  return m_backBuffer;
}

bool Window::notifyTray(DWORD command, DWORD fields) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = m_frameHandle;
  data.uID = 0;
  data.uFlags = fields;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = m_state.smallIconHandle;
  // The tip holds 127 units and its NUL: a longer title is cut.
  const WCHAR* title = m_title.getCStr();
  size_t i = 0;
  for (; i + 1 < std::size(data.szTip) && title[i] != 0; ++i) {
    data.szTip[i] = title[i];
  }
  data.szTip[i] = 0;
  return ::Shell_NotifyIconW(command, &data) != FALSE;
}

void Window::setTrayIcon(bool on) {
  if (!hasFrame()) {
    return;
  }
  if (on) {
    // Only an icon the notification area took counts as shown; without one the window stays
    // reachable in the taskbar.
    m_state.trayIconShown = notifyTray(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  } else if (!m_state.trayIconPinned) {
    notifyTray(NIM_DELETE, 0);
    m_state.trayIconShown = false;
  }
}

void Window::updateTrayIcon() {
  if (m_state.trayIconShown) {
    notifyTray(NIM_MODIFY, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  }
}

void Window::setTrayIconPinned(bool on) {
  if (on == m_state.trayIconPinned) {
    return;
  }
  m_state.trayIconPinned = on;
  if (on) {
    if (!m_state.trayIconShown) {
      setTrayIcon(true);
    }
  } else if (!m_state.inTray) {
    setTrayIcon(false);
  }
}

void Window::setKeepTrayIcon(bool on) {
  m_state.keepTrayIcon = on;
  if (!hasFrame()) {
    return;
  }
  if (on && !m_state.trayIconShown) {
    setTrayIcon(true);
  } else if (!on && m_state.trayIconShown && !m_state.inTray) {
    setTrayIcon(false);
  }
}

/// What WM_USER+12 and +13 carry.
struct Window::HotKeyRecord {
  int32_t modifiers;
  int32_t key;
  const WCHAR* name;
  bool showError;
  const WCHAR* failureText;
};

bool Window::registerHotKey(bool alt, bool ctrl, bool shift, bool winKey, int32_t key,
                            const WCHAR* name, bool showError) {
  if (!hasFrame() || name == nullptr) {
    return false;
  }
  unregisterHotKey(name);
  if (!system::win::osQueried) {
    system::win::queryWindowsVersion();
  }
  int32_t modifiers = (alt ? MOD_ALT : 0) | (ctrl ? MOD_CONTROL : 0) | (shift ? MOD_SHIFT : 0) |
                      (winKey ? MOD_WIN : 0);
  if (system::win::osAbove60) {
    modifiers |= MOD_NOREPEAT;
  }
  std::u16string text = u"HotKey ";
  if (alt) text += u"Alt+";
  if (ctrl) text += u"Ctrl+";
  if (shift) text += u"Shift+";
  if (winKey) text += u"WinKey+";
  text += static_cast<char16_t>(key);
  text += u" has been occupied by another application.";
  HotKeyRecord record{modifiers, key, name, showError, text.c_str()};
  return ::SendMessageW(m_frameHandle, kRegisterHotKeyMessage, reinterpret_cast<WPARAM>(&record),
                        0) == 1;
}

void Window::unregisterHotKey(const WCHAR* name) {
  if (hasFrame() && name != nullptr) {
    HotKeyRecord record{0, 0, name, false, nullptr};
    ::SendMessageW(m_frameHandle, kUnregisterHotKeyMessage, reinterpret_cast<WPARAM>(&record), 0);
  }
}

void Window::unregisterAllHotKeys() {
  if (hasFrame() && m_hotKeyNames.getCount() > 0) {
    ::SendMessageW(m_frameHandle, kUnregisterAllHotKeysMessage, 0, 0);
  }
  m_hotKeyNames.clear();
}

bool Window::isFiredHotKey(const WCHAR* name) {
  const ATOM atom = name != nullptr ? ::GlobalFindAtomW(name) : 0;
  return atom != 0 && atom == m_state.firedHotKey;
}

LRESULT Window::onHotKeyMessage(UINT message, const HotKeyRecord* record) {
  if (message == kRegisterHotKeyMessage) {
    const ATOM id = ::GlobalAddAtomW(record->name);
    if (id != 0 && ::RegisterHotKey(m_frameHandle, id, static_cast<UINT>(record->modifiers),
                                    static_cast<UINT>(record->key))) {
      m_hotKeyNames.addText(record->name);
      return 1;
    }
    const DWORD error = ::GetLastError();
    if (id != 0) {
      ::GlobalDeleteAtom(id);
    }
    if (record->showError) {
      std::u16string text = u"(";
      const std::string code = std::to_string(error);
      text.append(code.begin(), code.end());
      text += u") ";
      text += record->failureText;
      win::showInformation(text.c_str());
    }
    return 0;
  }
  if (message == kUnregisterHotKeyMessage) {
    for (uint32_t i = 0; i < m_hotKeyNames.getCount(); ++i) {
      str::strbuffer::StrBuffer* held = m_hotKeyNames.get(i);
      if (held->matchesAtIgnoreCase(0, record->name, 0, static_cast<uint32_t>(-1))) {
        releaseHotKey(held->getCStr());
        m_hotKeyNames.getItems().removeItem(static_cast<str::IStr*>(held));
        held->release();
        break;
      }
    }
    return 0;
  }
  for (uint32_t i = 0; i < m_hotKeyNames.getCount(); ++i) {
    releaseHotKey(m_hotKeyNames.get(i)->getCStr());
  }
  m_hotKeyNames.clear();
  return 0;
}

void Window::releaseHotKey(const WCHAR* name) {
  const ATOM id = ::GlobalFindAtomW(name);
  if (id != 0) {
    ::UnregisterHotKey(m_frameHandle, id);
    ::GlobalDeleteAtom(id);
  }
}

void Window::setClipboardViewer(bool on) {
  if (hasFrame()) {
    if (on && !m_state.clipboardViewer) {
      m_state.nextClipboardViewer = ::SetClipboardViewer(m_frameHandle);
    } else if (!on && m_state.clipboardViewer) {
      ::ChangeClipboardChain(m_frameHandle, m_state.nextClipboardViewer);
      m_state.nextClipboardViewer = nullptr;
    }
  }
  m_state.clipboardViewer = on;
}

void Window::leaveClipboardChain() { setClipboardViewer(false); }

bool Window::saveScreenBelowAsGif(const WCHAR* path) {
  if (path == nullptr || !hasFrame()) return false;
  RECT frame{};
  if (!::GetWindowRect(m_frameHandle, &frame)) return false;
  // What shows one pixel inside the corner is what the user sees there: this window, or one kept
  // above it.
  HWND below = ::WindowFromPoint(POINT{frame.left + 1, frame.top + 1});
  HWND top = below != nullptr ? ::GetAncestor(below, GA_ROOT) : nullptr;
  if (top == nullptr) top = m_frameHandle;
  image::win::BufferedImage* shot = system::monitor::win::captureWindow(top);
  if (shot == nullptr) return false;
  const bool saved = shot->saveAsGifFile(path, 8, true, 255, 255, 255);
  shot->release();
  return saved;
}

}  // namespace s::gui::win
