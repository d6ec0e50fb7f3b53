// The layer's one clock under the headless driver: ticks, message times and the time-outs of
// waits stand still together and move together, and run on from where they stood.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <atomic>
#include <chrono>
#include <future>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

TEST(Clock, TicksMessageTimesAndWaitTimeOutsStandStillAndMoveTogether) {
  headless().setClock(5000);
  EXPECT_EQ(GetTickCount64(), 5000u);
  EXPECT_EQ(GetTickCount(), 5000u);
  PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(msg.time, 5000u);
  EXPECT_EQ(GetMessageTime(), 5000);

  // A time-out counts from the reading its wait began at and ends only when the clock passes it.
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto waiting = std::async(std::launch::async, [never] { return WaitForSingleObject(never, 100); });
  ASSERT_TRUE(lumetra::testlib::waitUntil([] { return headless().timedWaits() == 1; }));
  headless().advanceClock(99);
  EXPECT_EQ(GetTickCount64(), 5099u);
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  EXPECT_EQ(headless().timedWaits(), 1u) << "still waiting at 99 of its 100 ms";
  headless().advanceClock(1);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(headless().timedWaits(), 0u);

  // A wait that began while the clock stood still ends by its real time once the clock runs.
  waiting = std::async(std::launch::async, [never] { return WaitForSingleObject(never, 50); });
  ASSERT_TRUE(lumetra::testlib::waitUntil([] { return headless().timedWaits() == 1; }));
  headless().runClock();
  EXPECT_GE(GetTickCount64(), 5100u) << "it runs on from where it stood";
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(never);
}

TEST(Clock, AnObjectSignalledEndsAWaitOnAStandingClock) {
  headless().setClock(1000);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  auto waiting = std::async(std::launch::async, [event] { return WaitForSingleObject(event, 60000); });
  ASSERT_TRUE(lumetra::testlib::waitUntil([] { return headless().timedWaits() == 1; }));
  SetEvent(event);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), WAIT_OBJECT_0);
  EXPECT_EQ(GetTickCount64(), 1000u) << "no time passed";
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the wait took the automatic event's signal";
  CloseHandle(event);
  headless().runClock();
}

}  // namespace
