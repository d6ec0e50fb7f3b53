// The push button's own rules, through its message handling: clicks, toggling, the double
// click, the colour glyph, size queries, the default flag before creation, and a control that
// cannot be made.
#include "gui/win/Button.h"
#include "gui/win/tests/Listener.h"

#include "gui/tests/FakeComponent.h"

#include <windows.h>
#include <winmsgbox.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using s::gui::win::Button;

/// Delivers a message to the widget's own handling, as its control's procedure would.
LRESULT deliver(Button* button, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  LRESULT result = 0;
  button->preWindowProc(&result, message, wParam, lParam);
  return result;
}

struct Events {
  std::vector<int32_t> heard;
  Listener listener{[this](int32_t id) { heard.push_back(id); }};
};

TEST(Button, AClickTellsClickListenersThenFlipsThenTellsAfterClickListeners) {
  Button* button = Button::take();
  Events events;
  bool selectedDuringClick = true;
  Listener click([&](int32_t id) {
    events.heard.push_back(id);
    selectedDuringClick = button->isSelected();
  });
  button->addClickListener(&click);
  button->addAfterClickListener(&events.listener);
  button->addRepeatListener(&events.listener);
  button->setToggleMode(true, true, false, false);

  deliver(button, Button::kClickedMessage);
  EXPECT_EQ(events.heard, (std::vector<int32_t>{1, 2}));
  EXPECT_FALSE(selectedDuringClick) << "click listeners hear it before the flip";
  EXPECT_TRUE(button->isSelected());
  deliver(button, Button::kClickedMessage);
  EXPECT_FALSE(button->isSelected()) << "a toggle button that may untoggle does";

  // A double click is a press and one more click.
  events.heard.clear();
  deliver(button, Button::kDoubleClickedMessage);
  EXPECT_EQ(events.heard, (std::vector<int32_t>{3, 1, 2}));
  EXPECT_TRUE(button->isTracking());
  deliver(button, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_FALSE(button->isTracking());
  EXPECT_EQ(button->getHoverState(), 0);
  button->release();
}

TEST(Button, ASelectedButtonThatCannotUntoggleStaysSelected) {
  Button* button = Button::take();
  button->setToggleMode(true, false, false, false);
  deliver(button, Button::kClickedMessage);
  EXPECT_TRUE(button->isSelected());
  deliver(button, Button::kClickedMessage);
  EXPECT_TRUE(button->isSelected());
  EXPECT_FALSE(button->canUntoggle());
  button->setSelected(false);
  EXPECT_FALSE(button->isSelected());
  // A disabled toggle button tells its listeners but does not flip.
  button->setEnabled(false);
  deliver(button, Button::kClickedMessage);
  EXPECT_FALSE(button->isSelected());
  button->release();
}

TEST(Button, TheColourGlyphNamesTheColourInLowerCaseHex) {
  Button* button = Button::take();
  button->setColorGlyph(255, 0, 0);
  EXPECT_EQ(std::u16string(button->getText()), u"#Color-000000ff");
  button->setColorGlyph(0x12, 0x34, 0xAB);
  EXPECT_EQ(std::u16string(button->getText()), u"#Color-00ab3412");
  button->release();
}

TEST(Button, SizesFollowFixedThenPercentThenMeasured) {
  lumetra::testgui::Fake parent(0, 400, 0, 300);
  Button* button = s::gui::win::makeButton(-1, 50.9, 18);
  EXPECT_EQ(button->getMinimumHeight(), 18);
  EXPECT_EQ(button->getMaximumHeight(), 18);
  EXPECT_EQ(button->getMinimumWidth(), 0) << "nothing measured yet";
  EXPECT_EQ(button->getMaximumWidth(), 0) << "a percent needs a parent";
  button->setFixedWidth(0);
  EXPECT_EQ(button->getMaximumWidth(), 0) << "a fixed width of 0 hides the button";
  button->setFixedWidth(-1);
  button->setHeightPercent(10);
  button->setFixedHeight(-1);
  EXPECT_EQ(button->getMaximumHeight(), 0);
  button->release();
}

int g_warnings = 0;
int WINAPI countWarning(HWND, LPCWSTR, LPCWSTR, UINT) {
  ++g_warnings;
  return IDOK;
}
HWND WINAPI refuseWindow(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                         LPVOID) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

TEST(Button, AControlThatCannotBeMadeWarnsOnceAndKeepsTheValues) {
  auto previousBox = winapi::seam::replaceMessageBoxW(&countWarning);
  auto previousCreate = winapi::seam::replaceCreateWindowExW(&refuseWindow);
  g_warnings = 0;
  lumetra::testgui::Fake parent(0, 100, 0, 100);
  Button* button = Button::take();
  button->setText(u"Convert");
  button->setDefault();
  button->setParent(&parent);
  EXPECT_FALSE(button->isCreated());
  EXPECT_EQ(g_warnings, 1);
  EXPECT_TRUE(button->isDefault()) << "kept for the next creation";
  EXPECT_EQ(std::u16string(button->getText()), u"Convert");
  button->clearDefault();
  EXPECT_FALSE(button->isDefault());
  button->setParent(nullptr);
  button->release();
  winapi::seam::replaceCreateWindowExW(previousCreate);
  winapi::seam::replaceMessageBoxW(previousBox);
}

}  // namespace
