// The window's message side: its events, its private messages, its own frame, painting through
// a buffer, the timers of auto-hide and the tray callbacks. Everything here runs on the UI
// thread.
#include "gui/win/Window.h"

#include "core/time/TickClock.h"
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/drawer/IWindow.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"
#include "platform/system/monitor/win/Monitor.h"

#include <algorithm>

namespace s::gui::win {

namespace {

// Power events of WM_POWERBROADCAST.
constexpr WPARAM kPowerSuspend = 4;
constexpr WPARAM kPowerResumeSuspend = 7;
constexpr WPARAM kPowerResumeAutomatic = 18;
// The system's caption drawing request, which a window that draws its own frame refuses.
constexpr UINT kCaptionDrawRequest = 0xAE;
// Timers of the window itself; user timers are offset past them.
constexpr UINT_PTR kWaitFadedTimer = 1;
constexpr UINT_PTR kFadeInTimer = 2;
constexpr UINT_PTR kFadeOutTimer = 3;
constexpr UINT_PTR kWaitShrunkTimer = 4;
constexpr UINT_PTR kGrowTimer = 5;
constexpr UINT_PTR kShrinkTimer = 6;
constexpr UINT_PTR kFollowCursorTimer = 100;

POINT pointOf(LPARAM lParam) {
  return POINT{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

POINT cursorPos() {
  POINT p{0, 0};
  ::GetCursorPos(&p);
  return p;
}

/// Where the pointer was when the input being handled happened. A busy program handles a press
/// or a motion after the pointer has moved on, so the own frame's sizing reads this, not the
/// pointer's place now: the corner pressed is the one sized, and the window follows the whole way.
POINT messagePos() { return pointOf(static_cast<LPARAM>(::GetMessagePos())); }

/// The WMSZ code of a sizing edge (1 left, 2 right, 3 top, 4 bottom, 5 top-left, 6 top-right,
/// 7 bottom-left, 8 bottom-right) and back.
constexpr int32_t kEdgeOfWmsz[9] = {0, 1, 2, 3, 5, 6, 4, 7, 8};

/// The WMSZ code for a frame hit-test code.
WPARAM wmszOfHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT: return WMSZ_LEFT;
    case HTRIGHT: return WMSZ_RIGHT;
    case HTTOP: return WMSZ_TOP;
    case HTTOPLEFT: return WMSZ_TOPLEFT;
    case HTTOPRIGHT: return WMSZ_TOPRIGHT;
    case HTBOTTOM: return WMSZ_BOTTOM;
    case HTBOTTOMLEFT: return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return WMSZ_BOTTOMRIGHT;
    default: return 0;
  }
}

LPCWSTR cursorOfHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return IDC_SIZENESW;
    default: return nullptr;
  }
}

}  // namespace

BOOL Window::PreTranslateMessage(MSG* msg) {
  const bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
                     (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
  if (input && hasFrame() && ::IsDialogMessageW(m_frameHandle, msg)) {
    return TRUE;
  }
  return CWnd::PreTranslateMessage(msg);
}

bool Window::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  *result = 0;
  switch (message) {
    case WM_ACTIVATE:
      // Only the low word says how: a minimised window that becomes active is still activated.
      if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
        if (m_state.followCursor) {
          centerOnPointer();
        }
        if (m_state.hideCursor) {
          ::ShowCursor(FALSE);
        }
        // The owner is shown without activation: taking it would deactivate the frame being
        // activated, and the two would pass the activation back and forth.
        if (m_ownerHandle != nullptr) {
          ::ShowWindow(m_ownerHandle, SW_SHOWNA);
        }
        fire(kActivate);
        m_state.active = true;
        m_state.lastDeactivationMs = 0;
      } else {
        fire(kDeactivate);
        if (m_state.active) {
          m_state.lastDeactivationMs = time::tickMillis();
          m_state.active = false;
        }
      }
      return false;
    case WM_PAINT:
      if (m_state.windowDrawer == nullptr) {
        return false;
      }
      paintClient();
      return true;
    case WM_CLOSE:
      if (m_closed) {
        return true;
      }
      m_state.closeCancelled = false;
      fire(kClose);
      if (m_state.closeCancelled) {
        return true;
      }
      setVisible(false);
      if (m_state.clipboardViewer) {
        leaveClipboardChain();
      }
      if (m_state.trayIconShown) {
        m_state.trayIconPinned = false;
        setTrayIcon(false);
      }
      m_state.closeCancelled = false;
      m_closed = true;
      return true;
    case WM_ERASEBKGND:
      eraseBackground(reinterpret_cast<HDC>(wParam));
      *result = 1;
      return true;
    case WM_ENDSESSION:
      if (wParam == TRUE && lParam == 0) {
        m_state.shutdownPending = true;
        if (!m_closed && hasFrame() && ::IsWindow(m_frameHandle)) {
          ::SendMessageW(m_frameHandle, WM_CLOSE, 0, 0);
          if (m_state.settingsRecord != nullptr) {
            app::appHooks().saveSettings(m_state.settingsRecord->getAppBase());
          }
        }
      }
      return false;
    case WM_SETCURSOR:
      if ((m_state.followCursor || m_state.hideCursor) && isVisible()) {
        ::SetCursor(nullptr);
        *result = 1;
        return true;
      }
      return false;
    case WM_WINDOWPOSCHANGING:
      onWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
      fire(kPositionChanging);
      return m_state.windowDrawer != nullptr;
    case kCaptionDrawRequest: return m_state.windowDrawer != nullptr;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((pos->flags & SWP_NOSIZE) != 0 || isMinimized()) {
        return false;
      }
      if (m_state.windowDrawer != nullptr) {
        updateRegion();
      }
      if (!isShrunk()) {
        if (m_state.windowDrawer != nullptr) {
          ::RedrawWindow(m_frameHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        }
        doLayout();
      }
      return false;
    }
    case WM_NCCALCSIZE: return wParam == TRUE && m_state.windowDrawer != nullptr;
    case WM_NCHITTEST: {
      if (!m_state.easyDrag && m_state.windowDrawer == nullptr) {
        return false;
      }
      *result = hitTest(lParam, CWnd::WindowProc(message, wParam, lParam));
      return true;
    }
    case WM_NCPAINT:
      if (m_state.windowDrawer == nullptr) {
        return false;
      }
      paintFrame(nullptr);
      return true;
    case WM_NCACTIVATE:
      if (m_state.windowDrawer == nullptr) {
        return false;
      }
      *result = 1;
      return true;
    case WM_GETDLGCODE:
      *result = CWnd::WindowProc(message, wParam, lParam) | DLGC_WANTALLKEYS;
      return true;
    case WM_NCMOUSEMOVE: {
      if (m_state.followCursor) {
        centerOnPointer();
      }
      onPointerOver();
      fire(kMouseMove);
      if (m_state.windowDrawer == nullptr || !m_state.resizable) {
        return false;
      }
      if (!m_state.hideCursor) {
        const POINT p = messagePos();
        m_state.hitCode = static_cast<int32_t>(
            ::SendMessageW(m_frameHandle, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)));
        if (LPCWSTR shape = cursorOfHit(m_state.hitCode)) {
          ::SetCursor(::LoadCursorW(nullptr, shape));
          ::SetCapture(m_frameHandle);
          m_state.sizingCursorCaptured = true;
        } else if (m_state.sizingCursorCaptured) {
          m_state.sizingCursorCaptured = false;
          ::ReleaseCapture();
          ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        }
      }
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN: {
      if (m_state.windowDrawer == nullptr || !m_state.sizingCursorCaptured) {
        fire(kLeftButtonDown);
        requestFocus();
        return false;
      }
      m_state.dragAnchor = messagePos();
      const RECT r = windowRect();
      const int32_t x = m_state.dragAnchor.x - r.left;
      const int32_t y = m_state.dragAnchor.y - r.top;
      if (x >= 0 && x <= r.right - r.left && y >= 0 && y <= r.bottom - r.top) {
        m_state.ownFrameDragging = true;
      }
      return true;
    }
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
      fire(kLeftButtonUp);
      if (m_state.ownFrameDragging) {
        resizeStep();
        m_state.ownFrameDragging = false;
      }
      requestFocus();
      return false;
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK: fire(kDoubleClick); return !m_state.passDoubleClick;
    case WM_MBUTTONDOWN:
    case WM_NCMBUTTONDOWN: {
      fire(kMiddleButtonDown);
      const std::u16string_view action(m_state.middleClickAction);
      if (action == u"Close") {
        close();
      } else if (action == u"Iconize") {
        hideToTray();
      }
      return false;
    }
    case WM_KEYDOWN:
      m_state.keyCode = static_cast<int32_t>(wParam);
      fire(kKeyDown);
      return wParam == VK_RETURN;
    case WM_COMMAND:
      // A control's notification names its control in lParam; menu commands come without one.
      if (HIWORD(wParam) != 0 || lParam != 0 || !carryOutCommand(LOWORD(wParam))) {
        return false;
      }
      *result = 0;
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && m_state.minimizeToTray && !m_state.inTray) {
        hideToTray();
        return true;
      }
      return false;
    case WM_TIMER: return onTimer(static_cast<UINT_PTR>(wParam));
    case WM_MOUSEMOVE:
      if (m_state.followCursor) {
        centerOnPointer();
      }
      onPointerOver();
      if (m_state.sizingCursorCaptured) {
        if (m_state.ownFrameDragging) {
          resizeStep();
        } else {
          const POINT p = messagePos();
          const LRESULT hit = ::SendMessageW(m_frameHandle, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
          if (cursorOfHit(hit) == nullptr) {
            m_state.sizingCursorCaptured = false;
            ::ReleaseCapture();
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
          }
        }
      }
      fire(kMouseMove);
      return false;
    case WM_RBUTTONDOWN:
      fire(kRightButtonDown);
      if (m_state.contextMenu != nullptr) {
        fire(kContextMenu);
        if (m_state.contextMenu != nullptr) {
          const POINT p = cursorPos();
          m_state.contextMenu->popupBelow(p.x, p.y, this);
        }
      }
      return false;
    case WM_RBUTTONUP: fire(kRightButtonUp); return false;
    case WM_MOUSEWHEEL: onMouseWheel(wParam, lParam); return true;
    case WM_SIZING: onSizing(wParam, reinterpret_cast<RECT*>(lParam)); return false;
    case WM_CAPTURECHANGED:
      if (m_state.captureActive) {
        const POINT p = cursorPos();
        m_state.captureX = p.x;
        m_state.captureY = p.y;
        m_state.captureActive = false;
        ::ReleaseCapture();
        fire(kCaptureChanged);
      }
      return false;
    case WM_POWERBROADCAST:
      if (wParam == kPowerSuspend) {
        m_state.suspended = true;
      } else if (wParam == kPowerResumeSuspend || wParam == kPowerResumeAutomatic) {
        m_state.suspended = false;
      }
      return false;
    case WM_DRAWCLIPBOARD:
      fire(kClipboard);
      if (m_state.nextClipboardViewer != nullptr) {
        ::PostMessageW(m_state.nextClipboardViewer, message, wParam, lParam);
      }
      return true;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == m_state.nextClipboardViewer) {
        m_state.nextClipboardViewer = reinterpret_cast<HWND>(lParam);
      } else if (m_state.nextClipboardViewer != nullptr) {
        ::PostMessageW(m_state.nextClipboardViewer, message, wParam, lParam);
      }
      return true;
    case WM_HOTKEY:
      m_state.firedHotKey = static_cast<ATOM>(wParam);
      fire(kHotKey);
      return false;
    case kUserEventMessage: {
      auto* record = reinterpret_cast<UserEventRecord*>(wParam);
      if (record != nullptr) {
        std::copy(std::begin(record->args), std::end(record->args), m_state.userEventArgs);
      }
      if (lParam == 1) {
        delete record;
      }
      fire(kUserEvent);
      *result = static_cast<LRESULT>(m_state.userEventResult);
      return true;
    }
    case kTrayMessage: onTrayMessage(lParam); return true;
    case kComeToFrontMessage:
      if (m_state.inTray || isMinimized()) {
        restore();
      }
      setActive(true);
      return true;
    case kInformationMessage:
      win::showInformation(reinterpret_cast<const WCHAR*>(wParam));
      return true;
    case kErrorMessage: win::showError(reinterpret_cast<const WCHAR*>(wParam)); return true;
    case kYesNoMessage:
      *result = win::askYesNo(reinterpret_cast<const WCHAR*>(wParam)) ? 1 : 0;
      return true;
    case kInstanceMessage: fire(kInstance); return true;
    case kRegisterHotKeyMessage:
    case kUnregisterHotKeyMessage:
    case kUnregisterAllHotKeysMessage:
      *result = onHotKeyMessage(message, reinterpret_cast<const HotKeyRecord*>(wParam));
      return true;
    case kStartTimerMessage: {
      const auto* record = reinterpret_cast<const TimerRecord*>(wParam);
      *result = ::SetTimer(m_frameHandle, static_cast<UINT_PTR>(record->id) + kUserTimerBase,
                           static_cast<UINT>(record->milliseconds), nullptr) != 0
                    ? 1
                    : 0;
      return true;
    }
    case kStopTimerMessage: {
      const auto* record = reinterpret_cast<const TimerRecord*>(wParam);
      ::KillTimer(m_frameHandle, static_cast<UINT_PTR>(record->id) + kUserTimerBase);
      return true;
    }
    case kDestroyMessage:
      if (m_ownerHandle != nullptr) {
        ::SendMessageW(m_ownerHandle, kDestroyMessage, 0, 0);
      }
      return true;
    case kAddChildMessage: {
      auto* child = reinterpret_cast<IComponent*>(wParam);
      if (child != nullptr) {
        child->setParent(this);
      }
      return true;
    }
    default: return false;
  }
}

void Window::postWindowProc(LRESULT* /*result*/, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    switch (wParam) {
      case SIZE_MINIMIZED:
        m_state.maximized = false;
        if (m_state.settingsRecord != nullptr) {
          m_state.settingsRecord->setMaximized(false);
          m_state.settingsRecord->setBounds(m_state.normalX, m_state.normalY, m_state.normalWidth,
                                            m_state.normalHeight);
        }
        break;
      case SIZE_MAXIMIZED:
        m_state.maximized = true;
        doLayout();
        if (m_state.settingsRecord != nullptr) {
          m_state.settingsRecord->setMaximized(true);
          m_state.settingsRecord->setBounds(m_state.normalX, m_state.normalY, m_state.normalWidth,
                                            m_state.normalHeight);
        }
        break;
      case SIZE_RESTORED:
        if (m_state.maximized) {
          m_state.maximized = false;
          doLayout();
          storeSettings(false);
        }
        fire(kRestore);
        break;
      default: break;
    }
    fire(kResize);
    return;
  }
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if ((pos->flags & SWP_NOMOVE) == 0) {
      fire(kMove);
    }
    const bool neither = (pos->flags & SWP_NOMOVE) != 0 && (pos->flags & SWP_NOSIZE) != 0;
    if (!neither && !isMaximized() && !isMinimized()) {
      const RECT r = windowRect();
      m_state.normalX = r.left;
      m_state.normalY = r.top;
      m_state.normalWidth = r.right - r.left;
      m_state.normalHeight = r.bottom - r.top;
    }
  }
}

// Painting.

void Window::ensureBackBuffer(int32_t width, int32_t height) {
  m_backBuffer = fitBackBuffer(m_backBuffer, width, height);
}

void Window::paintWith(HDC target, const RECT& area, bool useDrawer) {
  const int32_t width = area.right - area.left;
  const int32_t height = area.bottom - area.top;
  if (width <= 0 || height <= 0) {
    return;
  }
  ensureBackBuffer(width, height);
  MemDC* buffer = MemDC::forImage(m_frameHandle, m_backBuffer, false);
  if (buffer == nullptr) {
    return;
  }
  if (useDrawer && m_state.windowDrawer != nullptr) {
    m_state.windowDrawer->paint(buffer, 0, 0, width, height);
  } else {
    buffer->FillSolidRect(0, 0, width, height, m_backgroundColor);
  }
  ::BitBlt(target, area.left, area.top, width, height, buffer->m_hDC, 0, 0, SRCCOPY);
  buffer->release();
}

void Window::paintClient() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_frameHandle, &ps);
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    IComponent* child = getChild(i);
    if (child->isVisible()) {
      const int32_t x = child->getX();
      const int32_t y = child->getY();
      ::ExcludeClipRect(dc, x, y, x + child->getWidth(), y + child->getHeight());
    }
  }
  if (m_state.statusBar != nullptr && m_state.statusBar->isVisible()) {
    const int32_t y = m_state.statusBar->getY();
    ::ExcludeClipRect(dc, m_state.statusBar->getX(), y,
                      m_state.statusBar->getX() + m_state.statusBar->getWidth(),
                      y + m_state.statusBar->getHeight());
  }
  paintWith(dc, clientRect(), true);
  ::EndPaint(m_frameHandle, &ps);
}

void Window::eraseBackground(HDC dc) { paintWith(dc, clientRect(), true); }

void Window::paintFrame(HDC target) {
  HDC dc = target != nullptr ? target : ::GetWindowDC(m_frameHandle);
  if (dc == nullptr) {
    return;
  }
  RECT r = windowRect();
  const RECT area{0, 0, r.right - r.left, r.bottom - r.top};
  // The client area is painted by WM_PAINT; the frame paints around it.
  RECT client = clientRect();
  ::MapWindowPoints(m_frameHandle, nullptr, reinterpret_cast<POINT*>(&client), 2);
  ::OffsetRect(&client, -r.left, -r.top);
  if (client.right > client.left && !(client.left == 0 && client.top == 0 &&
                                      client.right == area.right && client.bottom == area.bottom)) {
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  }
  paintWith(dc, area, true);
  if (target == nullptr) {
    ::ReleaseDC(m_frameHandle, dc);
  }
}

void Window::updateRegion() {
  if (!hasFrame() || m_state.windowDrawer == nullptr) {
    return;
  }
  const RECT r = windowRect();
  HRGN region = m_state.windowDrawer->createRegion(0, 0, r.right - r.left, r.bottom - r.top);
  if (region != nullptr) {
    ::SetWindowRgn(m_frameHandle, region, TRUE);
  }
}

// The own frame.

LRESULT Window::hitTest(LPARAM lParam, LRESULT defaultCode) {
  const auto scale = static_cast<int32_t>(app::appHooks().getDisplayScale());
  const int32_t border = 5 * scale;
  const int32_t corner = 30 * scale;
  const RECT r = windowRect();
  const POINT p = pointOf(lParam);
  const int32_t x = p.x - r.left;
  const int32_t y = p.y - r.top;
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  LRESULT code = defaultCode;
  if (m_state.windowDrawer != nullptr) {
    if (x > w - border) {
      code = y > h - corner ? HTBOTTOMRIGHT : y < corner ? HTTOPRIGHT : HTRIGHT;
    } else if (y > h - border) {
      code = x > w - corner ? HTBOTTOMRIGHT : x < corner ? HTBOTTOMLEFT : HTBOTTOM;
    } else if (x < border) {
      code = y > h - corner ? HTBOTTOMLEFT : y < corner ? HTTOPLEFT : HTLEFT;
    } else if (y < border) {
      code = x > w - corner ? HTTOPRIGHT : x < corner ? HTTOPLEFT : HTTOP;
    }
  }
  // Dragging by any point of the window, unless the right button is held for a menu.
  if (m_state.easyDrag && code == HTCLIENT && ::GetAsyncKeyState(VK_RBUTTON) >= 0) {
    code = HTCAPTION;
  }
  return code;
}

void Window::resizeStep() {
  const POINT p = messagePos();
  const int32_t dx = p.x - m_state.dragAnchor.x;
  const int32_t dy = p.y - m_state.dragAnchor.y;
  if (dx == 0 && dy == 0) {
    return;
  }
  const WPARAM edge = wmszOfHit(m_state.hitCode);
  if (edge == 0) {
    return;
  }
  const RECT before = windowRect();
  RECT proposed = before;
  const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
  const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
  const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
  if (left) proposed.left += dx;
  if (right) proposed.right += dx;
  if (top) proposed.top += dy;
  if (bottom) proposed.bottom += dy;
  ::SendMessageW(m_frameHandle, WM_SIZING, edge, reinterpret_cast<LPARAM>(&proposed));
  ::SetWindowPos(m_frameHandle, nullptr, proposed.left, proposed.top,
                 proposed.right - proposed.left, proposed.bottom - proposed.top,
                 SWP_NOZORDER | showFlag());
  // The anchor follows only what the sizing rules let the edges move.
  const int32_t movedX = left    ? proposed.left - before.left
                         : right ? proposed.right - before.right
                                 : 0;
  const int32_t movedY = top      ? proposed.top - before.top
                         : bottom ? proposed.bottom - before.bottom
                                  : 0;
  m_state.dragAnchor.x += (left || right) ? movedX : dx;
  m_state.dragAnchor.y += (top || bottom) ? movedY : dy;
}

void Window::onSizing(WPARAM edge, RECT* proposed) {
  if (proposed == nullptr) {
    return;
  }
  m_state.sizingEdge = edge <= 8 ? kEdgeOfWmsz[edge] : 0;
  m_state.sizingRect = *proposed;
  const RECT r = windowRect();
  const auto* monitor =
      system::monitor::win::findMonitor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (monitor != nullptr) {
    const int32_t workHeight = monitor->getWorkHeight();
    if (m_state.sizingRect.bottom - m_state.sizingRect.top > workHeight) {
      const bool keepTop =
          m_state.sizingEdge == 4 || m_state.sizingEdge == 7 || m_state.sizingEdge == 8;
      if (keepTop) {
        m_state.sizingRect.bottom = m_state.sizingRect.top + workHeight;
      } else {
        m_state.sizingRect.top = m_state.sizingRect.bottom - workHeight;
      }
    }
  }
  fire(kSizing);
  *proposed = m_state.sizingRect;
  if (m_state.enforceMinWidth) {
    const int32_t minimum = getMinimumWidth();
    if (proposed->right - proposed->left < minimum) {
      if (m_state.sizingEdge == 1 || m_state.sizingEdge == 5 || m_state.sizingEdge == 7) {
        proposed->left = proposed->right - minimum;
      } else {
        proposed->right = proposed->left + minimum;
      }
    }
  }
  if (m_state.enforceMinHeight) {
    const int32_t minimum = getMinimumHeight();
    if (proposed->bottom - proposed->top < minimum) {
      if (m_state.sizingEdge == 3 || m_state.sizingEdge == 5 || m_state.sizingEdge == 6) {
        proposed->top = proposed->bottom - minimum;
      } else {
        proposed->bottom = proposed->top + minimum;
      }
    }
  }
}

void Window::onWindowPosChanging(WINDOWPOS* pos) {
  if (!m_state.keepInsideScreen || pos == nullptr) {
    return;
  }
  const bool sizeOnly = (pos->flags & SWP_NOMOVE) != 0 && (pos->flags & SWP_NOSIZE) == 0;
  if ((pos->flags & SWP_NOMOVE) != 0 && !sizeOnly) {
    return;
  }
  int32_t width = pos->cx;
  int32_t height = pos->cy;
  if ((pos->flags & SWP_NOSIZE) != 0) {
    width = getWidth();
    height = getHeight();
  }
  int32_t x = pos->x;
  int32_t y = pos->y;
  if (sizeOnly) {
    x = getScreenX();
    y = getScreenY();
  }
  const int32_t oldX = x;
  const int32_t oldY = y;
  clampInside(&x, &y, width, height);
  pos->x = x;
  pos->y = y;
  if (sizeOnly && (x != oldX || y != oldY)) {
    pos->flags &= ~static_cast<UINT>(SWP_NOMOVE);
  }
}

void Window::onMouseWheel(WPARAM wParam, LPARAM lParam) {
  const POINT p = pointOf(lParam);
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    IComponent* child = getChild(i);
    if (!child->isContainer() || !child->isVisible() || !child->containsScreenPoint(p.x, p.y)) {
      continue;
    }
    auto* window = dynamic_cast<IWindow*>(child);
    HWND handle = window != nullptr ? window->getHandle() : nullptr;
    if (handle != nullptr && ::SendMessageW(handle, WM_MOUSEWHEEL, wParam, lParam) == 0) {
      return;
    }
  }
  if (m_listeners[kMouseWheel].getCount() == 0) {
    return;
  }
  UINT lines = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const auto delta = static_cast<int16_t>(HIWORD(wParam));
  m_state.wheelLines = delta < 0 ? -static_cast<int32_t>(lines) : static_cast<int32_t>(lines);
  fire(kMouseWheel);
}

// Auto-hide, follow-cursor and user timers.

void Window::fadeIn(bool now) {
  ::KillTimer(m_frameHandle, kWaitFadedTimer);
  ::SetTimer(m_frameHandle, kFadeInTimer, now ? 0 : 25, nullptr);
}

void Window::onPointerOver() {
  if (!m_state.fadeMode && !m_state.shrinkMode) {
    return;
  }
  if (m_state.autoHideOnlyOnTop && !m_state.keepOnTop) {
    return;
  }
  for (UINT_PTR id = 1; id <= 6; ++id) {
    ::KillTimer(m_frameHandle, id);
  }
  if (m_state.fadeMode) {
    restoreShrunkSize();
    if (m_state.shiftKeepsShown && isShiftDown()) {
      applyOpacity(targetOpacity());
      return;
    }
    ::SetTimer(m_frameHandle, kFadeOutTimer, 10, nullptr);
    return;
  }
  if (m_state.currentOpacity < targetOpacity()) {
    applyOpacity(targetOpacity());
  }
  if (m_state.shiftKeepsShown && isShiftDown()) {
    restoreShrunkSize();
    return;
  }
  if (!isShrunk()) {
    m_state.shrunkSavedWidth = getWidth();
    m_state.shrunkSavedHeight = getHeight();
  }
  ::SetTimer(m_frameHandle, kShrinkTimer, 10, nullptr);
}

bool Window::onTimer(UINT_PTR id) {
  if (id >= kUserTimerBase) {
    m_state.firedTimerId = static_cast<int64_t>(id - kUserTimerBase);
    m_state.timerConsumed = false;
    fire(kTimer);
    return m_state.timerConsumed;
  }
  const bool shift = m_state.shiftKeepsShown && isShiftDown();
  switch (id) {
    case kFollowCursorTimer:
      if (m_state.followCursor) {
        ::KillTimer(m_frameHandle, id);
        centerOnPointer();
        if (isVisible()) {
          ::SetTimer(m_frameHandle, id, 100, nullptr);
        }
      }
      return false;
    case kWaitFadedTimer: {
      if (shift) {
        fadeIn(true);
        return false;
      }
      if (containsScreenPoint(cursorPos().x, cursorPos().y)) {
        return false;
      }
      m_state.autoHideCountdownMs -= 500;
      if (m_state.autoHideCountdownMs < 1) {
        fadeIn(false);
      }
      return false;
    }
    case kFadeInTimer: {
      const int32_t target = targetOpacity();
      if (shift) {
        applyOpacity(target);
        ::KillTimer(m_frameHandle, id);
        return false;
      }
      const int32_t next = std::min(target, m_state.currentOpacity + std::max(1, target / 10));
      applyOpacity(next);
      if (next >= target) {
        ::KillTimer(m_frameHandle, id);
      }
      return false;
    }
    case kFadeOutTimer: {
      if (shift) {
        ::KillTimer(m_frameHandle, id);
        ::SetTimer(m_frameHandle, kWaitFadedTimer, 0, nullptr);
        return false;
      }
      const int32_t next = m_state.currentOpacity - std::max(1, targetOpacity() / 5);
      if (next <= 0) {
        ::KillTimer(m_frameHandle, id);
        applyOpacity(0);
        m_state.autoHideCountdownMs = m_state.autoHideDelaySeconds * 1000;
        ::SetTimer(m_frameHandle, kWaitFadedTimer, 500, nullptr);
      } else {
        applyOpacity(next);
      }
      return false;
    }
    case kWaitShrunkTimer: {
      const POINT p = cursorPos();
      const int32_t x = p.x - getScreenX();
      const int32_t y = p.y - getScreenY();
      const int32_t width = m_state.shrunkSavedWidth != -1 ? m_state.shrunkSavedWidth : getWidth();
      const int32_t height =
          m_state.shrunkSavedHeight != -1 ? m_state.shrunkSavedHeight : getHeight();
      if (x < 0 || y < 0 || x > width || y > height) {
        ::KillTimer(m_frameHandle, id);
        ::SetTimer(m_frameHandle, kGrowTimer, 25, nullptr);
      }
      return false;
    }
    case kGrowTimer: {
      if (!isShrunk()) {
        ::KillTimer(m_frameHandle, id);
        return false;
      }
      const bool widthToo = m_state.shrinkWidth >= 0;
      const bool heightToo = m_state.shrinkHeight >= 0;
      const int32_t savedWidth = m_state.shrunkSavedWidth;
      const int32_t savedHeight = m_state.shrunkSavedHeight;
      const int32_t width = getWidth();
      const int32_t height = getHeight();
      const int32_t nextWidth = widthToo ? width + std::max(1, savedWidth / 15) : width;
      const int32_t nextHeight = heightToo ? height + std::max(1, savedHeight / 15) : height;
      if ((widthToo && nextWidth >= savedWidth) || (heightToo && nextHeight >= savedHeight)) {
        ::KillTimer(m_frameHandle, id);
        m_state.shrunkSavedWidth = m_state.shrunkSavedHeight = -1;
        sizeStep(widthToo ? savedWidth : width, heightToo ? savedHeight : height);
      } else {
        sizeStep(nextWidth, nextHeight);
      }
      return false;
    }
    case kShrinkTimer: {
      const bool widthToo = m_state.shrinkWidth >= 0;
      const bool heightToo = m_state.shrinkHeight >= 0;
      const int32_t width = getWidth();
      const int32_t height = getHeight();
      const int32_t nextWidth =
          widthToo ? width - std::max(1, m_state.shrunkSavedWidth / 5) : width;
      const int32_t nextHeight =
          heightToo ? height - std::max(1, m_state.shrunkSavedHeight / 5) : height;
      if ((widthToo && nextWidth <= m_state.shrinkWidth) ||
          (heightToo && nextHeight <= m_state.shrinkHeight)) {
        ::KillTimer(m_frameHandle, id);
        sizeStep(widthToo ? m_state.shrinkWidth : width, heightToo ? m_state.shrinkHeight : height);
        ::SetTimer(m_frameHandle, kWaitShrunkTimer,
                   static_cast<UINT>(m_state.autoHideDelaySeconds * 1000), nullptr);
      } else {
        sizeStep(nextWidth, nextHeight);
      }
      return false;
    }
    default: return false;
  }
}

// The notification-area icon.

void Window::onTrayMessage(LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_MOUSEMOVE:
      if (m_state.hideCursor) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      }
      break;
    case WM_LBUTTONDOWN:
      if (m_state.trayClickToggles) {
        // A click on the icon deactivates the window first: a window that lost the activation
        // that recently was active for the user and hides.
        const int64_t sinceDeactivation = time::tickMillis() - m_state.lastDeactivationMs;
        if (m_state.inTray) {
          restore();
        } else if (m_state.active ||
                   (m_state.lastDeactivationMs != 0 && sinceDeactivation <= 150)) {
          hideToTray();
        } else {
          setActive(true);
          if (isMinimized()) {
            restore();
          }
        }
      }
      fire(kTrayClick);
      break;
    case WM_RBUTTONDOWN:
      if (m_state.trayMenu != nullptr) {
        fire(kTrayMenu);
        ::SetForegroundWindow(m_frameHandle);
        if (m_state.trayMenu != nullptr) {
          const POINT p = cursorPos();
          m_state.trayMenu->popupAbove(p.x, p.y, this);
        }
        ::SetForegroundWindow(m_frameHandle);
      }
      break;
    default: break;
  }
}

}  // namespace s::gui::win
