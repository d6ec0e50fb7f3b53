// Notification-area icons: the record's layout, adding, changing and removing icons as the
// display shows them, the callback message for input over an icon, and the refusal without a
// notification area.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <cstddef>
#include <vector>

namespace {

constexpr UINT kCallback = WM_USER + 2;
std::vector<MSG> g_callbacks;

LRESULT CALLBACK trayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCallback) g_callbacks.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND makeWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = trayProc;
    wc.lpszClassName = u"TrayTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, u"TrayTest", u"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
}

HICON makeIcon(int size) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ICONINFO ii{TRUE, 0, 0, nullptr, color};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(color);
  return icon;
}

NOTIFYICONDATAW record(HWND hwnd, UINT flags, const char16_t* tip = u"") {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = 7;
  data.uFlags = flags;
  data.uCallbackMessage = kCallback;
  for (int i = 0; tip[i] != 0 && i < 127; ++i) data.szTip[i] = tip[i];
  return data;
}

void pumpAll() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

}  // namespace

TEST(NotifyIcon, RecordHasTheWindowsLayout) {
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), 976u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, hWnd), 8u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, hIcon), 32u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, szTip), 40u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, szInfo), 304u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, guidItem), 952u);
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, hBalloonIcon), 968u);
}

TEST(NotifyIcon, IconsShowChangeAndGoWithTheirWindow) {
  headless().setTrayPresent(true);
  HWND hwnd = makeWindow();
  HICON icon = makeIcon(16);
  NOTIFYICONDATAW data = record(hwnd, NIF_MESSAGE | NIF_ICON | NIF_TIP, u"Converter");
  data.hIcon = icon;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)) << "an icon is added once";
  // The picture is copied: the icon handle may go at once.
  DestroyIcon(icon);
  std::vector<winapi::TrayIcon> shown = headless().trayIcons();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].tip, u"Converter");
  EXPECT_EQ(shown[0].iconWidth, 16);
  EXPECT_EQ(shown[0].pixels.size(), 256u);

  // A tip without its NUL is cut to 127 units.
  NOTIFYICONDATAW tip = record(hwnd, NIF_TIP);
  for (WCHAR& c : tip.szTip) c = u'x';
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &tip));
  shown = headless().trayIcons();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].tip.size(), 127u);
  EXPECT_EQ(shown[0].iconWidth, 16) << "a change without NIF_ICON keeps the picture";

  // Input over the icon arrives as the callback message.
  g_callbacks.clear();
  EXPECT_TRUE(headless().trayInput(hwnd, 7, WM_LBUTTONDOWN));
  EXPECT_TRUE(headless().trayInput(hwnd, 7, WM_RBUTTONDOWN));
  EXPECT_FALSE(headless().trayInput(hwnd, 8, WM_LBUTTONDOWN));
  pumpAll();
  ASSERT_EQ(g_callbacks.size(), 2u);
  EXPECT_EQ(g_callbacks[0].wParam, 7u);
  EXPECT_EQ(g_callbacks[0].lParam, WM_LBUTTONDOWN);
  EXPECT_EQ(g_callbacks[1].lParam, WM_RBUTTONDOWN);

  DestroyWindow(hwnd);
  EXPECT_TRUE(headless().trayIcons().empty());
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data));
}

TEST(NotifyIcon, RefusedWithoutANotificationAreaAndForBadRecords) {
  HWND hwnd = makeWindow();
  NOTIFYICONDATAW data = record(hwnd, NIF_MESSAGE | NIF_TIP, u"tip");
  headless().setTrayPresent(false);
  SetLastError(0);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "an icon that was never added";
  headless().setTrayPresent(true);

  data.cbSize = 100;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  data.cbSize = sizeof data;
  data.uFlags |= NIF_INFO;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)) << "balloons are not shown";
  data.uFlags = NIF_MESSAGE;
  data.hWnd = reinterpret_cast<HWND>(0x7777);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  data.hWnd = hwnd;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_TRUE(headless().trayIcons().empty());
  DestroyWindow(hwnd);
}
