// System metrics and colours, system parameters, monitors and the rectangle helpers.
// Metrics that depend on the display (screen, virtual screen, work area, monitors) come from the
// driver; the others are the fixed values of the classic Windows 7 look, so layouts and painting
// come out the same under every driver.
#include "winapi/user32/Window.h"

#include <algorithm>
#include <climits>

namespace winapi {
namespace {

std::vector<Monitor> monitorList() {
  std::vector<Monitor> m = displayDriver().monitors();
  if (m.empty()) m.push_back(Monitor{kDefaultScreen, kDefaultScreen, true});
  return m;
}

RECT virtualScreen() {
  std::vector<Monitor> m = monitorList();
  RECT r = m.front().bounds;
  for (const Monitor& each : m) UnionRect(&r, &r, &each.bounds);
  return r;
}

const Monitor primary() {
  for (const Monitor& m : monitorList()) {
    if (m.primary) return m;
  }
  return monitorList().front();
}

HMONITOR monitorHandle(size_t index) { return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10001 + index)); }

long long overlap(const RECT& a, const RECT& b) {
  RECT i;
  if (!IntersectRect(&i, &a, &b)) return 0;
  return static_cast<long long>(i.right - i.left) * (i.bottom - i.top);
}

long long distanceTo(const RECT& r, POINT p) {
  long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - r.right + 1 : 0);
  long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - r.bottom + 1 : 0);
  return dx * dx + dy * dy;
}

}  // namespace
}  // namespace winapi

using namespace winapi;

extern "C" int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: {
      RECT r = primary().bounds;
      return r.right - r.left;
    }
    case SM_CYSCREEN: {
      RECT r = primary().bounds;
      return r.bottom - r.top;
    }
    case SM_XVIRTUALSCREEN: return virtualScreen().left;
    case SM_YVIRTUALSCREEN: return virtualScreen().top;
    case SM_CXVIRTUALSCREEN: {
      RECT r = virtualScreen();
      return r.right - r.left;
    }
    case SM_CYVIRTUALSCREEN: {
      RECT r = virtualScreen();
      return r.bottom - r.top;
    }
    case SM_CMONITORS: return static_cast<int>(monitorList().size());
    case SM_CXFULLSCREEN: {
      RECT r = primary().workArea;
      return r.right - r.left;
    }
    case SM_CYFULLSCREEN: {
      RECT r = primary().workArea;
      return r.bottom - r.top - 23;
    }
    case SM_CXMAXIMIZED: {
      RECT r = primary().workArea;
      return r.right - r.left + 16;
    }
    case SM_CYMAXIMIZED: {
      RECT r = primary().workArea;
      return r.bottom - r.top + 16;
    }
    case SM_CXMAXTRACK: return GetSystemMetrics(SM_CXVIRTUALSCREEN) + 12;
    case SM_CYMAXTRACK: return GetSystemMetrics(SM_CYVIRTUALSCREEN) + 12;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CYSMCAPTION: return 17;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXPADDEDBORDER: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CYMENU: return 20;
    case SM_CXSIZE:
    case SM_CYSIZE: return 22;
    case SM_CXMIN: return 124;
    case SM_CYMIN: return 36;
    case SM_CXMINTRACK: return 124;
    case SM_CYMINTRACK: return 36;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_SWAPBUTTON:
    case SM_REMOTESESSION: return 0;
    default: return 0;
  }
}

extern "C" DWORD WINAPI GetSysColor(int index) {
  static const COLORREF kColors[] = {
      RGB(200, 200, 200),  // COLOR_SCROLLBAR
      RGB(0, 0, 0),        // COLOR_BACKGROUND
      RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
      RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
      RGB(240, 240, 240),  // COLOR_MENU
      RGB(255, 255, 255),  // COLOR_WINDOW
      RGB(100, 100, 100),  // COLOR_WINDOWFRAME
      RGB(0, 0, 0),        // COLOR_MENUTEXT
      RGB(0, 0, 0),        // COLOR_WINDOWTEXT
      RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
      RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
      RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
      RGB(171, 171, 171),  // COLOR_APPWORKSPACE
      RGB(51, 153, 255),   // COLOR_HIGHLIGHT
      RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
      RGB(240, 240, 240),  // COLOR_BTNFACE
      RGB(160, 160, 160),  // COLOR_BTNSHADOW
      RGB(109, 109, 109),  // COLOR_GRAYTEXT
      RGB(0, 0, 0),        // COLOR_BTNTEXT
      RGB(67, 78, 84),     // COLOR_INACTIVECAPTIONTEXT
      RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
      RGB(105, 105, 105),  // COLOR_3DDKSHADOW
      RGB(227, 227, 227),  // COLOR_3DLIGHT
      RGB(0, 0, 0),        // COLOR_INFOTEXT
      RGB(255, 255, 225),  // COLOR_INFOBK
      RGB(181, 181, 181),  // 25: unused on Windows 7
      RGB(0, 102, 204),    // COLOR_HOTLIGHT
      RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
      RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
      RGB(51, 153, 255),   // COLOR_MENUHILIGHT
      RGB(240, 240, 240),  // COLOR_MENUBAR
  };
  if (index < 0 || index >= static_cast<int>(sizeof kColors / sizeof kColors[0])) return 0;
  return kColors[index];
}

extern "C" HBRUSH WINAPI GetSysColorBrush(int index) {
  static HBRUSH brushes[COLOR_MENUBAR + 1] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i <= COLOR_MENUBAR; ++i) {
      auto b = std::make_shared<BrushObject>();
      b->stock = true;  // never deleted, as on Windows
      b->sysColorIndex = i;
      b->brush.lbStyle = BS_SOLID;
      b->brush.lbColor = GetSysColor(i);
      brushes[i] = static_cast<HBRUSH>(addObject(std::move(b)));
    }
  });
  if (index < 0 || index > COLOR_MENUBAR) return nullptr;
  return brushes[index];
}

extern "C" BOOL WINAPI SystemParametersInfoW(UINT action, UINT, PVOID value, UINT) {
  switch (action) {
    case SPI_GETWORKAREA:
      if (value == nullptr) return FALSE;
      *static_cast<RECT*>(value) = primary().workArea;
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (value == nullptr) return FALSE;
      *static_cast<UINT*>(value) = 3;
      return TRUE;
    case SPI_GETFONTSMOOTHING:
      if (value == nullptr) return FALSE;
      *static_cast<BOOL*>(value) = TRUE;
      return TRUE;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
}

extern "C" HMONITOR WINAPI MonitorFromRect(const RECT* rect, DWORD flags) {
  if (rect == nullptr) return nullptr;
  std::vector<Monitor> m = monitorList();
  long long best = 0;
  size_t bestIndex = SIZE_MAX;
  for (size_t i = 0; i < m.size(); ++i) {
    long long area = overlap(m[i].bounds, *rect);
    if (area > best) {
      best = area;
      bestIndex = i;
    }
  }
  if (bestIndex != SIZE_MAX) return monitorHandle(bestIndex);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) {
    for (size_t i = 0; i < m.size(); ++i) {
      if (m[i].primary) return monitorHandle(i);
    }
    return monitorHandle(0);
  }
  POINT centre{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2};
  long long nearest = LLONG_MAX;
  for (size_t i = 0; i < m.size(); ++i) {
    long long d = distanceTo(m[i].bounds, centre);
    if (d < nearest) {
      nearest = d;
      bestIndex = i;
    }
  }
  return monitorHandle(bestIndex);
}

extern "C" HMONITOR WINAPI MonitorFromPoint(POINT point, DWORD flags) {
  RECT r{point.x, point.y, point.x + 1, point.y + 1};
  return MonitorFromRect(&r, flags);
}

extern "C" HMONITOR WINAPI MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r))
    return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (r.right <= r.left) r.right = r.left + 1;
  if (r.bottom <= r.top) r.bottom = r.top + 1;
  return MonitorFromRect(&r, flags);
}

extern "C" BOOL WINAPI GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  std::vector<Monitor> m = monitorList();
  uintptr_t v = reinterpret_cast<uintptr_t>(monitor);
  if (info == nullptr || v < 0x10001 || v - 0x10001 >= m.size() ||
      (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXW))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const Monitor& each = m[v - 0x10001];
  info->rcMonitor = each.bounds;
  info->rcWork = each.workArea;
  info->dwFlags = each.primary ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEXW)) {
    // Display names follow the Windows pattern \\.\DISPLAY1, \\.\DISPLAY2, ...
    std::u16string name = u"\\\\.\\DISPLAY" + std::u16string(1, static_cast<char16_t>(u'1' + (v - 0x10001)));
    auto* ex = reinterpret_cast<LPMONITORINFOEXW>(info);
    std::copy(name.begin(), name.end(), ex->szDevice);
    ex->szDevice[name.size()] = 0;
  }
  return TRUE;
}

extern "C" BOOL WINAPI EnumDisplayMonitors(HDC, const RECT* clip, MONITORENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  std::vector<Monitor> m = monitorList();
  for (size_t i = 0; i < m.size(); ++i) {
    RECT r = m[i].bounds;
    if (clip != nullptr && !IntersectRect(&r, &r, clip)) continue;
    if (!callback(monitorHandle(i), nullptr, &r, param)) return FALSE;
  }
  return TRUE;
}
