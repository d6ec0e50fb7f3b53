// Monitors on a headless screen of two monitors, the rectangle a capture takes, and no capture
// without imaging's calls (captures through them are imaging's tests, in
// imaging/win/tests/PlatformHooksTest.cpp). Each test runs in a process of its own (the list and
// the size answers are computed once per process).
#include "platform/system/monitor/win/Monitor.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

namespace monitor = s::system::monitor::win;

void twoMonitors() {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
       winapi::Monitor{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1000}, false}});
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
