// A window with the thin window catalogue end to end: it frames itself with the skin's window
// drawer (undecorated, window and client rectangles equal), its widgets paint with the current
// skin's drawers, and a skin change repaints window and widgets with the new skin.
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/Skinner.h"
#include "testlib/Wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <chrono>
#include <functional>

namespace {

using namespace s::gui::win;
using s::gui::drawer::Skinner;

bool waitFor(const std::function<bool()>& done) {
  return lumetra::testlib::waitUntil(done, std::chrono::seconds(5));
}

/// The colour (0x00BBGGRR) of the window's own pixel (x, y) in the headless capture.
COLORREF pixelOf(Window* window, int x, int y) {
  winapi::PixelBuffer picture;
  if (!winapi::HeadlessDriver::current()->capture(window->getHandle(), &picture) ||
      x >= picture.width || y >= picture.height) {
    return 0xFFFFFFFF;
  }
  const uint32_t argb = picture.row(y)[x];
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

TEST(SkinnedWindow, FramesItselfPaintsItsWidgetsWithTheSkinAndFollowsSkinChanges) {
  s::skin::installDefaultDrawers();
  Skinner* skinner = Skinner::take();
  skinner->setTypeName(u"ThinWindow");
  skinner->registerSkins();
  skinner->selectSkinByName(u"Classic LG");
  Window* window = Window::take();
  window->setSkinner(skinner);
  window->setResizable(true);
  window->setBounds(100, 100, 340, 285);
  Box* column = makeBox(1, 100, 100, 0, 0, 0, 6, 10, 10);
  Button* button = Button::take();
  button->setText(u"Close");
  CheckBox* check = CheckBox::take();
  check->setText(u"Check");
  RadioButton* radio = RadioButton::take();
  radio->setText(u"Radio");
  Label* label = makeLabel(u"Label", false, false, 0);
  column->add(button);
  column->add(check);
  column->add(radio);
  column->add(label);
  window->add(column);
  window->show(true, false);

  RECT outer{}, inner{};
  ::GetWindowRect(window->getHandle(), &outer);
  ::GetClientRect(window->getHandle(), &inner);
  EXPECT_EQ(inner.right, outer.right - outer.left) << "the skin's drawer is the whole frame";
  EXPECT_EQ(inner.bottom, outer.bottom - outer.top);
  winapi::HeadlessDriver::NativeState state;
  ASSERT_TRUE(winapi::HeadlessDriver::current()->nativeState(window->getHandle(), &state));
  EXPECT_FALSE(state.hints.decorated) << "no second frame from the window manager";
  EXPECT_TRUE(state.hints.resizable);

  s::gui::drawer::ISkin* classic = skinner->getCurrentSkin();
  EXPECT_EQ(button->getDrawer(), classic->getButtonDrawer());
  EXPECT_EQ(check->getDrawer(), classic->getCheckBoxDrawer());
  EXPECT_EQ(radio->getDrawer(), classic->getRadioButtonDrawer());
  EXPECT_TRUE(waitFor([&] { return pixelOf(window, 300, 250) == RGB(116, 116, 116); }))
      << std::hex << pixelOf(window, 300, 250) << ": Classic LG's background";
  EXPECT_EQ(pixelOf(window, 0, 0), RGB(17, 17, 17)) << "its border";

  int32_t white = -1;
  ASSERT_TRUE(skinner->findSkin(u"White", white));
  skinner->selectSkin(white);
  s::gui::drawer::ISkin* now = skinner->getCurrentSkin();
  EXPECT_TRUE(waitFor([&] { return button->getDrawer() == now->getButtonDrawer(); }));
  EXPECT_EQ(check->getDrawer(), now->getCheckBoxDrawer());
  EXPECT_EQ(radio->getDrawer(), now->getRadioButtonDrawer());
  EXPECT_TRUE(waitFor([&] { return pixelOf(window, 300, 250) == RGB(255, 255, 255); }))
      << std::hex << pixelOf(window, 300, 250) << ": White's background";
  EXPECT_EQ(pixelOf(window, 0, 0), RGB(68, 68, 68));

  window->release();
  EXPECT_EQ(skinner->getListenerCount(), 0) << "window and widgets left the skinner's list";
  skinner->release();
}

}  // namespace
