// The monitor list and its lookup on the headless driver's screen.
#include "platform/system/monitor/win/Monitor.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using s::system::monitor::win::findMonitor;

TEST(Monitor, FindsTheMonitorOfARectangleAndItsWorkArea) {
  const s::system::monitor::win::Monitor* monitor = findMonitor(100, 100, 200, 100);
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->getIndex(), 0);
  EXPECT_EQ(monitor->getLeft(), 0);
  EXPECT_EQ(monitor->getWidth(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(monitor->getHeight(), GetSystemMetrics(SM_CYSCREEN));
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(monitor->getWorkWidth(), work.right - work.left);
  EXPECT_EQ(monitor->getWorkHeight(), work.bottom - work.top);
  EXPECT_NE(std::u16string(monitor->getName()), u"");
  // A rectangle off every screen takes the nearest monitor; the list is filled once.
  EXPECT_EQ(findMonitor(-5000, -5000, 10, 10), monitor);
  EXPECT_EQ(s::system::monitor::win::getMonitorCount(), 1);
}

TEST(Monitor, TheDefaultScreenIsNotLarge) {
  // 1920 x 1080: large needs 1921 x 1620, very large 4097 x 3240.
  EXPECT_FALSE(s::system::monitor::win::isLargeScreen());
  EXPECT_FALSE(s::system::monitor::win::isVeryLargeScreen());
}

}  // namespace
