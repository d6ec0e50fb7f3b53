// A window and its settings record: what applySettings takes from it, what hiding stores in
// it, and where a window whose stored place lies off every screen goes.
#include "core/thread/ClassTail.h"
#include "gui/app/IAppWindow.h"
#include "gui/win/Window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using s::gui::win::Window;

/// A settings record in memory.
class Record final : public s::app::IAppWindow {
  S_POOLED_CLASS(Record, u"Record")

  Record() = default;
  void reset() override {}

  s::app::win::AppBase* getAppBase() override { return nullptr; }
  const WCHAR* getName() override { return u"TestWindow"; }
  const WCHAR* makeSettingsKey(const WCHAR*) override { return u""; }
  int32_t getTitleTextId() override { return -1; }
  s::lang::Localizer* getLocalizer() override { return nullptr; }
  bool hasSkinner() override { return false; }
  s::gui::drawer::ISkinner* getSkinner() override { return nullptr; }
  const WCHAR* getSkinName() override { return u""; }
  void setSkinName(const WCHAR*) override {}
  bool hasPosition() override { return x && y; }
  void setBounds(int32_t nx, int32_t ny, int32_t w, int32_t h) override {
    x = nx, y = ny, width = w, height = h;
  }
  void setSize(int32_t w, int32_t h) override { width = w, height = h; }
  void deleteBounds() override { x = y = width = height = std::nullopt; }
  bool hasX() override { return x.has_value(); }
  int32_t getX() override { return x.value_or(0); }
  void setX(int32_t v) override { x = v; }
  bool hasY() override { return y.has_value(); }
  int32_t getY() override { return y.value_or(0); }
  void setY(int32_t v) override { y = v; }
  bool isWidthValid() override { return getWidth() >= 10; }
  bool hasWidth() override { return width.has_value(); }
  int32_t getWidth() override { return width.value_or(500); }
  void setWidth(int32_t v) override { width = v; }
  bool isHeightValid() override { return getHeight() >= 10; }
  bool hasHeight() override { return height.has_value(); }
  int32_t getHeight() override { return height.value_or(500); }
  void setHeight(int32_t v) override { height = v; }
  bool isEasyDrag() override { return easyDrag; }
  void setEasyDrag(bool on) override { easyDrag = on; }
  bool isMaximized() override { return maximized; }
  void setMaximized(bool on) override { maximized = on; }
  bool isKeepOnTop() override { return keepOnTop; }
  void setKeepOnTop(bool on) override { keepOnTop = on; }
  bool isCloseOnMClick() override { return action == u"Close"; }
  bool isIconizeOnMClick() override { return action == u"Iconize"; }
  const WCHAR* getOnMClick() override { return action.c_str(); }
  void setOnMClick(const WCHAR* a) override { action = a; }
  void checkForUpdate(s::gui::IWindow*) override {}
  void beginTaskbarProgress(s::gui::IWindow*) override {}
  void setTaskbarProgress(s::gui::IWindow*, int32_t, int32_t) override {}
  void endTaskbarProgress(s::gui::IWindow*) override {}

  std::optional<int32_t> x, y, width, height;
  bool easyDrag = true;
  bool maximized = false;
  bool keepOnTop = false;
  std::u16string action = u"Iconize";
};

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
