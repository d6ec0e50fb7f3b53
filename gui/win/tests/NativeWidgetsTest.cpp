// The button, check box, radio button and progress bar over the layer's real controls on a UI
// thread: clicks reaching the listeners through the reflected notifications, the group's
// unchecking, values applied at creation and from a worker, measuring by the control's ideal
// size, the default look's style and the grip's dots; buttons that keep their clicks in a
// click-through box, and close triggers.
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/RadioButton.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "gui/win/Box.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;

class NativeWidgets : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  ShownWindow window;
  Box* root = nullptr;
};

TEST_F(NativeWidgets, AClickThroughBoxKeepsClicksOnButtonsThatCanStillBePressed) {
  s::gui::win::Button* button = s::gui::win::Button::take();
  button->setText(u"Go");
  root->add(button);
  root->doLayout();
  settle(window->getHandle());
  ASSERT_TRUE(button->isCreated());
  RECT r;
  GetWindowRect(button->GetSafeHwnd(), &r);
  const LPARAM onButton = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  const LPARAM besideIt = MAKELPARAM(r.right + 5, r.bottom + 5);
  auto hit = [&](LPARAM at) { return SendMessageW(root->GetSafeHwnd(), WM_NCHITTEST, 0, at); };

  EXPECT_EQ(hit(onButton), HTCLIENT) << "an enabled button keeps its click";
  EXPECT_EQ(hit(besideIt), HTTRANSPARENT) << "the box's own surface lets it through";
  button->setToggleMode(true, false, false, false);
  button->setSelected(true);
  EXPECT_EQ(hit(onButton), HTTRANSPARENT) << "selected for good: nothing left to press";
  button->setToggleMode(true, true, false, false);
  EXPECT_EQ(hit(onButton), HTCLIENT) << "a button that can untoggle can still be pressed";
  button->setEnabled(false);
  EXPECT_EQ(hit(onButton), HTTRANSPARENT) << "a disabled button takes no click";
}

TEST_F(NativeWidgets, AClickOfACloseTriggerClosesItsWindow) {
  s::gui::win::Button* button = s::gui::win::Button::take();
  button->setText(u"Close");
  root->add(button);
  window->addCloseTrigger(button);
  ASSERT_TRUE(button->isCreated());
  EXPECT_FALSE(window->isClosed());
  SendMessageW(button->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(waitFor([&] { return window->isClosed(); }));
}

TEST_F(NativeWidgets, AClickOfTheControlReachesTheButtonsListenersOnce) {
  s::gui::win::Button* button = s::gui::win::Button::take();
  button->setText(u"Convert");
  std::vector<int32_t> heard;
  Listener listener([&](int32_t id) { heard.push_back(id); });
  button->addClickListener(&listener);
  button->addAfterClickListener(&listener);
  root->add(button);
  ASSERT_TRUE(button->isCreated());
  SIZE ideal{0, 0};
  SendMessageW(button->GetSafeHwnd(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
  EXPECT_EQ(button->getMinimumHeight(), ideal.cy) << "measured by the control's ideal size";
  EXPECT_GT(ideal.cy, 16);
  EXPECT_GT(button->getMinimumWidth(), 16);

  SendMessageW(button->GetSafeHwnd(), BM_CLICK, 0, 0);
  settle(window->getHandle());
  EXPECT_EQ(heard, (std::vector<int32_t>{1, 2}));

  button->setDefault();
  EXPECT_TRUE(button->isDefault());
  EXPECT_EQ(GetWindowLongW(button->GetSafeHwnd(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
  button->clearDefault();
  EXPECT_EQ(GetWindowLongW(button->GetSafeHwnd(), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
}

TEST_F(NativeWidgets, TheGripPaintsItsDotsInTheCorner) {
  s::gui::win::Button* grip = s::gui::win::Button::take();
  grip->setText(u"#Resizer");
  grip->setFixedWidth(14);
  grip->setFixedHeight(14);
  root->add(grip);
  ASSERT_TRUE(grip->isCreated());
  grip->repaint();
  const POINT corner = screenCorner(grip->GetSafeHwnd());
  const int w = grip->getWidth();
  const int h = grip->getHeight();
  ASSERT_EQ(w, 14);
  EXPECT_TRUE(waitFor([&] {
    return screenPixel(window->getHandle(), corner.x + w - 2, corner.y + h - 2) ==
           RGB(255, 255, 255);
  }));
  EXPECT_EQ(screenPixel(window->getHandle(), corner.x + w - 4, corner.y + h - 4),
            RGB(184, 181, 161));
  EXPECT_EQ(screenPixel(window->getHandle(), corner.x + w - 12, corner.y + h - 12),
            screenPixel(window->getHandle(), corner.x + 1, corner.y + 1))
      << "no dot in the upper left";
}

TEST_F(NativeWidgets, AUserClickOfACheckBoxTellsItsListenersAndBindings) {
  s::gui::win::CheckBox* box = s::gui::win::CheckBox::take();
  box->setText(u"Keep on Top & more");
  s::gui::win::Button* target = s::gui::win::Button::take();
  target->setText(u"View");
  target->setEnabled(false);
  std::vector<int32_t> heard;
  Listener listener([&](int32_t id) { heard.push_back(id); });
  box->addCheckListener(&listener);
  box->addUncheckListener(&listener);
  box->bindEnabled(target);
  root->add(box);
  root->add(target);
  ASSERT_TRUE(box->isCreated());
  char16_t shown[64] = {0};
  GetWindowTextW(box->GetSafeHwnd(), shown, 64);
  EXPECT_EQ(std::u16string(shown), u"Keep on Top && more");

  box->setChecked(true);
  EXPECT_EQ(SendMessageW(box->GetSafeHwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(heard.empty()) << "the program's own change tells nobody";
  SendMessageW(box->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(target->isEnabled());
  SendMessageW(box->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(target->isEnabled());
  EXPECT_EQ(heard, (std::vector<int32_t>{2, 1}));
}

TEST_F(NativeWidgets, ARadioClickUnchecksTheOthersThroughTheirWidgets) {
  s::gui::win::RadioButton* mp3 = s::gui::win::RadioButton::take();
  s::gui::win::RadioButton* wav = s::gui::win::RadioButton::take();
  mp3->setText(u"MP3");
  wav->setText(u"WAV");
  std::vector<std::string> heard;
  Listener mp3Unchecked([&](int32_t) { heard.push_back("mp3 unchecked"); });
  Listener wavChecked([&](int32_t) { heard.push_back("wav checked"); });
  mp3->addUncheckListener(&mp3Unchecked);
  wav->addCheckListener(&wavChecked);
  mp3->setChecked(true, false);
  root->add(mp3);
  root->add(wav);
  ASSERT_TRUE(wav->isCreated());
  EXPECT_TRUE(mp3->isChecked());
  SendMessageW(wav->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(wav->isChecked());
  EXPECT_FALSE(mp3->isChecked());
  EXPECT_EQ(heard, (std::vector<std::string>{"wav checked", "mp3 unchecked"}));
  heard.clear();
  wav->setChecked(true, true);
  EXPECT_EQ(heard, (std::vector<std::string>{"wav checked"})) << "told although checked";
}

TEST_F(NativeWidgets, AProgressBarTakesItsValuesAtCreationAndFromAWorker) {
  s::gui::win::ProgressBar* bar = s::gui::win::ProgressBar::take();
  bar->setRange(0, 1000);
  bar->setPosition(250);
  bar->setFixedWidth(100);
  bar->setFixedHeight(16);
  root->add(bar);
  ASSERT_TRUE(bar->isCreated());
  const HWND control = bar->GetSafeHwnd();
  EXPECT_EQ(SendMessageW(control, PBM_GETRANGE, FALSE, 0), 1000);
  EXPECT_EQ(SendMessageW(control, PBM_GETPOS, 0, 0), 250);
  EXPECT_EQ(bar->getWidth(), 100);
  std::thread worker([&] { bar->setPosition(400); });
  worker.join();
  EXPECT_EQ(SendMessageW(control, PBM_GETPOS, 0, 0), 400) << "set before the worker went on";
}

}  // namespace
