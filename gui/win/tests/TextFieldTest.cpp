// The text field over the layer's edit control on a UI thread: the text and its notify switch,
// typing telling the change listeners, Enter taken before the default button, focus lost, the
// colours of editable, read-only and disabled fields, the password mask, select-all from another
// thread and the editable bindings.
#include "gui/win/TextField.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "gui/app/AppHooks.h"
#include "gui/events/Editabler.h"
#include "gui/events/UnEditabler.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/Slider.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;
using s::gui::win::TextField;

TEST(TextFieldValues, BeforeCreationItKeepsWhatWasSet) {
  TextField* field = TextField::take();
  EXPECT_TRUE(field->isEmpty());
  field->setText(u"draft", true);
  EXPECT_EQ(std::u16string(field->getText()), u"draft");
  EXPECT_FALSE(field->isEmpty());
  field->setText(nullptr, true);
  EXPECT_EQ(std::u16string(field->getText()), u"");
  EXPECT_TRUE(field->isEditable());
  field->setEditable(false);
  EXPECT_FALSE(field->isEditable());
  field->setFixedWidth(70);
  EXPECT_EQ(field->getMinimumWidth(), 70);
  EXPECT_EQ(field->getMaximumWidth(), 70);
  field->release();
}

class TextFieldWidget : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  TextField* add(TextField* field) {
    field->addChangeListener(&listener);
    field->addEnterListener(&listener);
    field->addFocusLostListener(&listener);
    root->add(field);
    EXPECT_TRUE(field->isCreated());
    settle(window->getHandle());
    return field;
  }
  // Characters go to the control as the keyboard's WM_CHAR would.
  void type(TextField* field, const std::u16string& text) {
    for (char16_t c : text) SendMessageW(field->GetSafeHwnd(), WM_CHAR, c, 1);
  }
  std::vector<int32_t> events() {
    std::lock_guard<std::mutex> guard(lock);
    return heard;
  }
  void forget() {
    std::lock_guard<std::mutex> guard(lock);
    heard.clear();
  }
  // The colour inside the field's border, once painted.
  COLORREF inside(TextField* field) {
    field->repaint();
    settle(window->getHandle());
    const POINT corner = screenCorner(field->GetSafeHwnd());
    return screenPixel(window->getHandle(), corner.x + 1, corner.y + 1);
  }
  std::mutex lock;
  std::vector<int32_t> heard;
  Listener listener{[this](int32_t id) {
    std::lock_guard<std::mutex> guard(lock);
    heard.push_back(id);
  }};
  // Last, so it goes first: the fields it destroys still tell the listener of the lost focus.
  ShownWindow window;
  Box* root = nullptr;
};

TEST_F(TextFieldWidget, TypingTellsEachChangeUnlessTheTextWasSetQuietly) {
  TextField* field = TextField::take();
  field->setText(u"start", true);
  add(field);
  EXPECT_TRUE(events().empty()) << "the text it is made with tells nobody";
  EXPECT_EQ(field->getMinimumWidth(), 50);
  EXPECT_EQ(field->getMinimumHeight(), 24);

  field->setText(u"abc", false);
  EXPECT_EQ(std::u16string(field->getText()), u"abc");
  EXPECT_TRUE(events().empty()) << "set with notify off";
  SendMessageW(field->GetSafeHwnd(), EM_SETSEL, 3, 3);
  type(field, u"de");
  EXPECT_EQ(events(), (std::vector<int32_t>{1, 1})) << "typing tells again";
  EXPECT_EQ(std::u16string(field->getText()), u"abcde");
  forget();
  field->clear();
  EXPECT_TRUE(field->isEmpty());
  EXPECT_EQ(events(), (std::vector<int32_t>{1}));
}

TEST_F(TextFieldWidget, EnterTellsTheListenersInOrderAndPressesNoDefaultButton) {
  TextField* field = add(TextField::take());
  std::vector<int> order;
  Listener first([&](int32_t id) { order.push_back(id * 10 + 1); });
  Listener second([&](int32_t id) { order.push_back(id * 10 + 2); });
  field->addEnterListener(&first);
  field->addEnterListener(&second);
  s::gui::win::Button* button = s::gui::win::Button::take();
  button->setText(u"OK");
  std::atomic<int> clicks{0};
  Listener clicked([&](int32_t) { ++clicks; });
  button->addClickListener(&clicked);
  root->add(button);
  button->setDefault();
  field->focusAndSelectAllOnUiThread();
  settle(window->getHandle());

  winapi::HeadlessDriver::current()->key(VK_RETURN, true);
  winapi::HeadlessDriver::current()->key(VK_RETURN, false);
  ASSERT_TRUE(waitFor([&] { return events().size() == 1; }));
  ASSERT_TRUE(lumetra::testgui::idle(window->getHandle())) << "the key's release is handled too";
  EXPECT_EQ(events(), (std::vector<int32_t>{2}));
  EXPECT_EQ(order, (std::vector<int>{21, 22}));
  EXPECT_EQ(clicks, 0) << "the key never reached the dialog manager";
  EXPECT_TRUE(field->isEmpty()) << "nor the control";
}

TEST_F(TextFieldWidget, LosingTheFocusTellsTheFocusLostListeners) {
  TextField* field = add(TextField::take());
  TextField* other = TextField::take();
  root->add(other);
  field->focusAndSelectAllOnUiThread();
  settle(window->getHandle());
  forget();
  other->focusAndSelectAllOnUiThread();
  settle(window->getHandle());
  EXPECT_EQ(events(), (std::vector<int32_t>{3}));
}

TEST_F(TextFieldWidget, SelectAllFromAnotherThreadSelectsTheWholeText) {
  TextField* field = TextField::take();
  field->setText(u"four", true);
  add(field);
  field->focusAndSelectAllOnUiThread();
  DWORD start = 9;
  DWORD end = 9;
  SendMessageW(field->GetSafeHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
}

TEST_F(TextFieldWidget, ReadOnlyAndDisabledFieldsShowTheFaceColour) {
  TextField* field = add(TextField::take());
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(inside(field), RGB(255, 255, 255));
  field->setBackgroundColor(255, 255, 200, false);
  EXPECT_EQ(inside(field), RGB(255, 255, 200));
  field->setEditable(false);
  EXPECT_EQ(inside(field), face) << "read-only, even with a colour of its own";
  field->setEditable(true);
  EXPECT_EQ(inside(field), RGB(255, 255, 200));
  field->setEnabled(false);
  EXPECT_EQ(inside(field), face);
}

TEST_F(TextFieldWidget, APasswordFieldMasksWhatItShowsButAnswersTheText) {
  TextField* field = TextField::take();
  field->setPassword(true);
  add(field);
  EXPECT_EQ(SendMessageW(field->GetSafeHwnd(), EM_GETPASSWORDCHAR, 0, 0), u'*')
      << "set before creation, applied at creation";
  type(field, u"secret");
  EXPECT_EQ(std::u16string(field->getText()), u"secret");
  field->setPassword(false);
  EXPECT_EQ(SendMessageW(field->GetSafeHwnd(), EM_GETPASSWORDCHAR, 0, 0), 0);
}

TEST_F(TextFieldWidget, TheEditableBindingsSwitchTheField) {
  TextField* field = add(TextField::take());
  const HWND control = field->GetSafeHwnd();
  s::gui::events::UnEditabler* off = s::gui::events::UnEditabler::take();
  s::gui::events::Editabler* on = s::gui::events::Editabler::take();
  off->setSource(field);
  off->addTarget(field);
  on->setSource(field);
  on->addTarget(field);
  off->onEvent(field, 0);
  EXPECT_FALSE(field->isEditable());
  EXPECT_NE(GetWindowLongPtrW(control, GWL_STYLE) & ES_READONLY, 0);
  on->onEvent(field, 0);
  EXPECT_TRUE(field->isEditable());
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & ES_READONLY, 0);
  off->release();
  on->release();
}

class Scale : public s::app::IAppHooks {
 public:
  explicit Scale(uint32_t scale) : m_scale(scale) {}
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
};

TEST_F(TextFieldWidget, FieldsAndSlidersMeasureByTheDisplayScale) {
  for (uint32_t scale : {1u, 2u, 4u}) {
    Scale hooks(scale);
    s::app::setAppHooks(&hooks);
    TextField* field = add(TextField::take());
    field->setText(u"a text much longer than fifty pixels at any scale", false);
    s::gui::win::Slider* slider = s::gui::win::makeSlider(-1, -1);
    root->add(slider);
    s::app::setAppHooks(nullptr);
    const auto s = static_cast<int32_t>(scale);
    EXPECT_EQ(field->getMinimumWidth(), 50 * s) << "whatever the text";
    EXPECT_EQ(field->getMinimumHeight(), 24 * s);
    EXPECT_EQ(field->getMaximumWidth(), 50 * s);
    EXPECT_EQ(slider->getMinimumWidth(), 50 * s);
    EXPECT_EQ(slider->getMinimumHeight(), 20 * s);
  }
  // A percent of the parent's client size caps the maximum.
  TextField* wide = TextField::take();
  wide->setWidthPercent(50);
  add(wide);
  EXPECT_EQ(wide->getMaximumWidth(), root->getClientWidth() / 2);
}

}  // namespace
