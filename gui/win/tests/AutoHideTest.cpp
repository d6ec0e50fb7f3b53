// The window's state machines driven by their messages on a standing clock: fading out and back
// in, shrinking and growing, the tray click's 150 ms rule and the signed wheel lines.
#include "gui/win/Window.h"
#include "gui/win/tests/Listener.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <functional>
#include <vector>

namespace {

using s::gui::win::Window;

using lumetra::testgui::Listener;

class StateMachines : public testing::Test {
 protected:
  void SetUp() override {
    // Time stands still, so only the timer messages the test sends move the machines.
    winapi::HeadlessDriver::current()->setClock(1000);
    window = Window::take();
    frame = window->getHandle();
    window->setBounds(100, 100, 300, 200);
    window->show(true, false);
    winapi::HeadlessDriver::current()->moveMouse(5, 5);
  }
  void TearDown() override {
    window->release();
    winapi::HeadlessDriver::current()->runClock();
  }

  int alpha() {
    if ((GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_LAYERED) == 0) {
      return 255;
    }
    BYTE value = 0;
    GetLayeredWindowAttributes(frame, nullptr, &value, nullptr);
    return value;
  }
  void tick(UINT_PTR id) { SendMessageW(frame, WM_TIMER, id, 0); }

  Window* window = nullptr;
  HWND frame = nullptr;
};

TEST_F(StateMachines, FadeOutWaitsOutTheDelayAndFadesBackIn) {
  window->setAutoShrink(true, false, false, 1, 23, 23, false);
  SendMessageW(frame, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  std::vector<int> alphas;
  for (int i = 0; i < 5; ++i) {
    tick(3);
    alphas.push_back(alpha());
  }
  // Steps of a fifth of the full opacity: 80, 60, 40, 20, then 0.
  EXPECT_EQ(alphas, (std::vector<int>{204, 153, 102, 51, 0}));
  EXPECT_TRUE(window->isFaded());
  EXPECT_TRUE(window->isAutoHidden());
  tick(1);  // half of the one-second delay, with the pointer outside
  EXPECT_EQ(alpha(), 0);
  tick(1);  // the delay is over: fading in starts
  for (int i = 0; i < 9; ++i) {
    tick(2);
  }
  EXPECT_TRUE(window->isFaded()) << "nine tenths back";
  tick(2);
  EXPECT_FALSE(window->isFaded());
  EXPECT_EQ(alpha(), 255);
}

TEST_F(StateMachines, ShrinkAndGrowBackWhenThePointerLeaves) {
  window->setAutoShrink(true, true, false, 1, 50, 40, false);
  SendMessageW(frame, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(window->isShrunk()) << "the full size is saved as shrinking starts";
  for (int i = 0; i < 10 && window->getWidth() > 50; ++i) {
    tick(6);
  }
  EXPECT_EQ(window->getWidth(), 50);
  EXPECT_EQ(window->getHeight(), 40);
  winapi::HeadlessDriver::current()->moveMouse(200, 200);
  tick(4);  // the pointer is inside the full area: stays shrunk
  EXPECT_EQ(window->getWidth(), 50);
  winapi::HeadlessDriver::current()->moveMouse(5, 5);
  tick(4);
  for (int i = 0; i < 20 && window->isShrunk(); ++i) {
    tick(5);
  }
  EXPECT_FALSE(window->isShrunk());
  EXPECT_EQ(window->getWidth(), 300);
  EXPECT_EQ(window->getHeight(), 200);
}

TEST_F(StateMachines, TrayClickRightAfterDeactivationHidesTheWindow) {
  std::vector<int32_t> heard;
  Listener record([&](int32_t id) { heard.push_back(id); });
  window->addTrayClickListener(&record);
  winapi::HeadlessDriver::current()->setTrayPresent(false);
  window->setActive(true);
  SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(frame, Window::kTrayMessage, 0, WM_LBUTTONDOWN);
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kTrayClick}));
  // Without a tray to hide in, the window stays reachable as a minimised window.
  EXPECT_TRUE(window->isMinimized());
  EXPECT_FALSE(window->isInTray());

  window->restore();
  SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, 0);
  winapi::HeadlessDriver::current()->advanceClock(150);
  SendMessageW(frame, Window::kTrayMessage, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(window->isMinimized()) << "150 ms after the deactivation still counts as right after";

  window->restore();
  SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, 0);
  winapi::HeadlessDriver::current()->advanceClock(151);
  SendMessageW(frame, Window::kTrayMessage, 0, WM_LBUTTONDOWN);
  EXPECT_FALSE(window->isMinimized()) << "a click longer after the deactivation activates";
  winapi::HeadlessDriver::current()->setTrayPresent(true);
}

TEST_F(StateMachines, WheelLinesCarryTheSignOfTheDelta) {
  std::vector<int32_t> lines;
  Window* w = window;
  Listener record([&](int32_t) { lines.push_back(w->getWheelLines()); });
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(150, 150));
  EXPECT_TRUE(lines.empty()) << "no listener, no lines";
  window->addMouseWheelListener(&record);
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(150, 150));
  SendMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(150, 150));
  EXPECT_EQ(lines, (std::vector<int32_t>{-3, 3}));
}

}  // namespace
