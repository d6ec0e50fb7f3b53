// Test support of the layer: a visible popup window painted in one colour by its class's brush,
// for tests that read back what the screen shows.
#pragma once

#include <windows.h>

namespace winapi::testsupport {

/// Registers `className` with a solid brush of `colour` and shows a popup of it over `r`,
/// painted before it returns. The window lives until the test destroys it or its thread ends.
inline HWND paintedWindow(const WCHAR* className, COLORREF colour, const RECT& r) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = className;
  wc.hbrBackground = CreateSolidBrush(colour);
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, className, u"", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  UpdateWindow(hwnd);
  return hwnd;
}

}  // namespace winapi::testsupport
