// CWnd: the framework's window object. A window made through CreateEx is attached before its
// first message and subclassed, so every message reaches the object's WindowProc; the window's
// class procedure stays reachable through DefWindowProc. The object is detached after
// WM_NCDESTROY and then told with PostNcDestroy.
#include <afxwin.h>

#include "winapi/mfc/maps.h"
#include "winapi/user32/CreationHook.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace winapi::mfc {

HandleMaps<HWND, CWnd>& windowMaps() {
  static auto* maps = new HandleMaps<HWND, CWnd>;
  return *maps;
}

}  // namespace winapi::mfc

using winapi::mfc::windowMaps;

struct CWndAccess {
  static WNDPROC& super(CWnd* w) { return w->m_pfnSuper; }
};

namespace {

LRESULT CALLBACK frameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* w = CWnd::FromHandlePermanent(hwnd);
  if (w == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  LRESULT result = w->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone: the object lets go of it and hears so last.
    if (w->m_hWnd == hwnd) {
      windowMaps().removePermanent(hwnd);
      w->m_hWnd = nullptr;
      CWndAccess::super(w) = nullptr;
    }
    w->PostNcDestroy();
  }
  return result;
}

// Attaches the object being created to the first window its thread makes.
void attachOnCreation(HWND hwnd, void* context) {
  winapi::setCreationHook(nullptr, nullptr);
  static_cast<CWnd*>(context)->SubclassWindow(hwnd);
}

// The class of windows created without a class name.
LPCWSTR defaultClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = u"AfxWnd";
    return ::RegisterClassExW(&wc) != 0;
  }();
  return registered ? u"AfxWnd" : nullptr;
}

}  // namespace

CWnd::~CWnd() {
  // A framework window object takes its window with it, as the framework has always done.
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
    HWND hwnd = m_hWnd;
    if (!::DestroyWindow(hwnd)) Detach();
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) { return windowMaps().permanent(hwnd); }

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  if (CWnd* w = FromHandlePermanent(hwnd)) return w;
  return windowMaps().temporary(hwnd, [hwnd] {
    auto* w = new CWnd;
    w->m_hWnd = hwnd;
    return w;
  });
}

BOOL CWnd::Attach(HWND hwnd) {
  if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) return FALSE;
  m_hWnd = hwnd;
  windowMaps().addPermanent(hwnd, this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hwnd = m_hWnd;
  if (hwnd != nullptr && FromHandlePermanent(hwnd) == this) {
    if (m_pfnSuper != nullptr && ::IsWindow(hwnd))
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    windowMaps().removePermanent(hwnd);
  }
  m_pfnSuper = nullptr;
  m_hWnd = nullptr;
  return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!Attach(hwnd)) return FALSE;
  m_pfnSuper =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frameworkWndProc)));
  return TRUE;
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, LPVOID param) {
  if (m_hWnd != nullptr) return FALSE;
  if (className == nullptr) className = defaultClass();
  winapi::setCreationHook(&attachOnCreation, this);
  HWND hwnd = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                AfxGetInstanceHandle(), param);
  winapi::setCreationHook(nullptr, nullptr);
  if (hwnd == nullptr) {
    // A window refused during its creation was destroyed; nothing stays attached.
    if (m_hWnd != nullptr) Detach();
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id, LPVOID param) {
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent != nullptr ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProc(message, wParam, lParam); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper != nullptr) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::PostNcDestroy() {}

BOOL CWnd::ModifyStyle(HWND hwnd, DWORD remove, DWORD add, UINT flags) {
  DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
  DWORD changed = (style & ~remove) | add;
  if (style == changed) return FALSE;
  ::SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG>(changed));
  if (flags != 0) {
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  }
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add, UINT flags) {
  DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  DWORD changed = (style & ~remove) | add;
  if (style == changed) return FALSE;
  ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, static_cast<LONG>(changed));
  if (flags != 0) {
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  }
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) { return ModifyStyle(m_hWnd, remove, add, flags); }

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) { return ModifyStyleEx(m_hWnd, remove, add, flags); }
