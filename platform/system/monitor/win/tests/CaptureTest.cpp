// Monitors on a headless screen of two monitors, and captures of screen rectangles and windows
// through imaging's calls. Each test runs in a process of its own (the list and the size answers
// are computed once per process).
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/system/monitor/win/Monitor.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using s::image::win::BufferedImage;
namespace monitor = s::system::monitor::win;

void twoMonitors() {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
       winapi::Monitor{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1000}, false}});
}

uint32_t pixelAt(BufferedImage* image, int32_t x, int32_t y) {
  const uint8_t* p = image->getLine(y) + x * 4;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A visible popup painted in one colour by its own class's brush.
HWND paintedWindow(const WCHAR* className, COLORREF colour, const RECT& r) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = className;
  wc.hbrBackground = CreateSolidBrush(colour);
  RegisterClassExW(&wc);
  HWND hwnd =
      CreateWindowExW(0, className, u"", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                      r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  UpdateWindow(hwnd);
  return hwnd;
}

TEST(MonitorList, FindsTheMonitorHoldingMostOfARectangleOnTwoMonitors) {
  twoMonitors();
  const monitor::Monitor* primary = monitor::findMonitor(100, 100, 300, 200);
  ASSERT_NE(primary, nullptr);
  const monitor::Monitor* left =
      monitor::findMonitor(-300, 100, 400, 100);  // 300 of 400 on the left
  ASSERT_NE(left, nullptr);
  EXPECT_NE(left, primary);
  EXPECT_EQ(left->getLeft(), -1280);
  EXPECT_EQ(left->getWidth(), 1280);
  EXPECT_EQ(left->getWorkHeight(), 1000);
  EXPECT_EQ(primary->getIndex(), 0) << "the primary monitor is enumerated first";
  EXPECT_EQ(left->getIndex(), 1);
  EXPECT_EQ(std::u16string(left->getName()), u"\\\\.\\DISPLAY2");
  // Off every screen: the nearest one.
  EXPECT_EQ(monitor::findMonitor(-5000, 50, 10, 10), left);
  EXPECT_EQ(monitor::findMonitor(9000, 50, 10, 10), primary);
  // Filled once: a monitor added later is not seen.
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 600}, true}});
  EXPECT_EQ(monitor::getMonitorCount(), 2);
}

TEST(ScreenCapture, ARectangleIsCutToTheVirtualScreenAndNothingLeftIsNoImage) {
  twoMonitors();
  s::image::installPlatformHooks();
  // Wholly left of the virtual screen (which starts at -1280).
  EXPECT_EQ(monitor::captureScreenRect(-2000, 0, 500, 100), nullptr);
  EXPECT_EQ(monitor::captureScreenRect(0, 1080, 100, 100), nullptr);
  EXPECT_EQ(monitor::captureScreenRect(10, 10, 0, 10), nullptr);
  // Straddling its left and bottom edges: the visible part only.
  BufferedImage* image = monitor::captureScreenRect(-1300, 1000, 100, 200);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 80);
  EXPECT_EQ(image->getHeight(), 80);
  EXPECT_FALSE(image->hasAlpha());
  EXPECT_EQ(pixelAt(image, 0, 0), 0xFF000000u) << "no window there: opaque black";
  image->release();
}

TEST(ScreenCapture, AWindowIsCapturedWithItsPixelsOpaque) {
  s::image::installPlatformHooks();
  const RECT r{100, 100, 300, 180};
  HWND hwnd = paintedWindow(u"CaptureTestGreen", RGB(10, 200, 30), r);
  // What lies beside the window on the screen comes too.
  HWND below = paintedWindow(u"CaptureTestRed", RGB(250, 0, 0), RECT{0, 0, 50, 50});
  BufferedImage* image = monitor::captureWindow(hwnd);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 200);
  EXPECT_EQ(image->getHeight(), 80);
  int wrong = 0;
  for (int32_t y = 0; y < 80; ++y) {
    for (int32_t x = 0; x < 200; ++x) wrong += pixelAt(image, x, y) != 0xFF0AC81Eu;
  }
  EXPECT_EQ(wrong, 0);
  image->release();
  BufferedImage* corner = monitor::captureScreenRect(40, 40, 20, 20);
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(pixelAt(corner, 0, 0), 0xFFFA0000u);
  EXPECT_EQ(pixelAt(corner, 15, 15), 0xFF000000u);
  corner->release();
  DestroyWindow(below);
  DestroyWindow(hwnd);
  EXPECT_EQ(monitor::captureWindow(hwnd), nullptr) << "not a window any more";
}

TEST(ScreenCapture, TheInvisibleBordersOfNewerSystemsAreLeftOutAndTheScreenClamps) {
  const RECT screen{0, 0, 1920, 1080};
  const RECT shown = monitor::captureRectOf(RECT{100, 100, 500, 400}, 10, 1, screen);
  EXPECT_EQ(shown.left, 107);
  EXPECT_EQ(shown.top, 100);
  EXPECT_EQ(shown.right, 493);
  EXPECT_EQ(shown.bottom, 393);
  const RECT scaled = monitor::captureRectOf(RECT{100, 100, 500, 400}, 10, 4, screen);
  EXPECT_EQ(scaled.left, 128);
  EXPECT_EQ(scaled.bottom, 372);
  // This layer reports 6.1: nothing is trimmed; a window past the screen's edges is cut there.
  const RECT older = monitor::captureRectOf(RECT{-50, -20, 2000, 1100}, 6, 1, screen);
  EXPECT_EQ(older.left, 0);
  EXPECT_EQ(older.top, 0);
  EXPECT_EQ(older.right, 1920);
  EXPECT_EQ(older.bottom, 1080);
}

TEST(ScreenCapture, WithoutImagingsCallsNothingIsCaptured) {
  EXPECT_EQ(monitor::captureScreenRect(0, 0, 10, 10), nullptr);
}

TEST(ScreenSize, APrimaryScreenOf2560By1620IsLargeButNotVeryLarge) {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 2560, 1620}, RECT{0, 0, 2560, 1600}, true}});
  EXPECT_TRUE(monitor::isLargeScreen());
  EXPECT_FALSE(monitor::isVeryLargeScreen());
  EXPECT_EQ(monitor::getScreenScale(), 2u);
}

TEST(ScreenSize, A3840By2160ScreenIsNotVeryLarge) {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 3840, 2160}, RECT{0, 0, 3840, 2120}, true}});
  EXPECT_TRUE(monitor::isLargeScreen());
  EXPECT_FALSE(monitor::isVeryLargeScreen());
}

TEST(ScreenSize, A4097By3240ScreenIsVeryLarge) {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 4097, 3240}, RECT{0, 0, 4097, 3200}, true}});
  EXPECT_TRUE(monitor::isVeryLargeScreen());
  EXPECT_EQ(monitor::getScreenScale(), 4u);
}

}  // namespace
