// A window and its settings record: what applySettings takes from it, what hiding stores in
// it, and where a window whose stored place lies off every screen goes.
#include "core/thread/ClassTail.h"
#include "gui/win/Window.h"
#include "gui/win/tests/MemoryAppWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using s::gui::win::Window;

using Record = lumetra::testgui::MemoryAppWindow;

TEST(WindowSettings, WithoutAStoredPositionOnlyTheSizeIsTaken) {
  Window* window = Window::take();
  window->setBounds(30, 40, 240, 120);
  Record record;
  record.width = 320;
  record.height = 210;
  window->applySettings(&record, false);
  EXPECT_EQ(window->getWidth(), 320);
  EXPECT_EQ(window->getHeight(), 210);
  EXPECT_EQ(window->getScreenX(), 30);
  EXPECT_EQ(window->getScreenY(), 40);
  // The flags went back into the record as the window took them.
  EXPECT_TRUE(record.easyDrag);
  EXPECT_EQ(record.action, u"Iconize");
  window->release();
}

TEST(WindowSettings, APlaceOffEveryScreenIsCentred) {
  Window* window = Window::take();
  Record record;
  record.setBounds(-5000, -5000, 300, 200);
  window->applySettings(&record, false);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(window->getScreenX(), work.left + (work.right - work.left - 300) / 2);
  EXPECT_EQ(window->getScreenY(), work.top + (work.bottom - work.top - 200) / 2);
  EXPECT_TRUE(window->isOnScreen());
  window->release();
}

TEST(WindowSettings, HidingStoresTheBounds) {
  Window* window = Window::take();
  Record record;
  record.setBounds(50, 60, 300, 200);
  window->applySettings(&record, false);
  window->show(true, false);
  window->setBounds(70, 80, 310, 220);
  window->show(false, false);
  EXPECT_EQ(record.x, 70);
  EXPECT_EQ(record.y, 80);
  EXPECT_EQ(record.width, 310);
  EXPECT_EQ(record.height, 220);
  window->release();
}

}  // namespace
