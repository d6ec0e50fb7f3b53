// The check box and the radio button through their message handling: the state they learn from
// the control's BM_SETCHECK, who is told, the bindings and their listeners, and the texts shown.
#include "gui/win/CheckBox.h"
#include "gui/win/RadioButton.h"
#include "gui/win/tests/Listener.h"

#include "gui/events/Disabler.h"
#include "gui/events/Enabler.h"
#include "gui/tests/FakeComponent.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using s::gui::win::CheckBox;
using s::gui::win::RadioButton;

/// A component that writes down what it is switched to.
class Target : public lumetra::testgui::Fake {
 public:
  Target(std::vector<std::string>* log, std::string name)
      : Fake(0, 10, 0, 10), m_log(log), m_name(std::move(name)) {}
  void setEnabled(bool on) override { m_log->push_back(m_name + (on ? " on" : " off")); }
  void setEditable(bool on) override {
    m_log->push_back(m_name + (on ? " editable" : " read-only"));
  }

 private:
  std::vector<std::string>* m_log;
  std::string m_name;
};

template <class W>
void report(W* widget, WPARAM state) {
  LRESULT result = 0;
  widget->preWindowProc(&result, BM_SETCHECK, state, 0);
}

TEST(CheckBox, BindingsActOnTheNextChangeOnlyAndShareOneListenerPerKind) {
  std::vector<std::string> log;
  Target a(&log, "a");
  Target b(&log, "b");
  CheckBox* box = CheckBox::take();
  box->bindEnabled(&a);
  box->enableOnCheck(&b);
  EXPECT_TRUE(log.empty()) << "binding applies nothing at once";
  report(box, BST_CHECKED);
  EXPECT_EQ(log, (std::vector<std::string>{"a on", "b on"})) << "one Enabler, in call order";
  log.clear();
  report(box, BST_CHECKED);
  EXPECT_TRUE(log.empty()) << "already checked";
  report(box, BST_UNCHECKED);
  EXPECT_EQ(log, (std::vector<std::string>{"a off"}));

  // A reused box starts without bindings.
  box->release();
  CheckBox* again = CheckBox::take();
  log.clear();
  report(again, BST_CHECKED);
  report(again, BST_UNCHECKED);
  EXPECT_TRUE(log.empty());
  again->release();
}

TEST(CheckBox, OnlyChangesOfTheControlTellTheListeners) {
  CheckBox* box = CheckBox::take();
  std::vector<int32_t> heard;
  Listener listener([&](int32_t id) { heard.push_back(id); });
  box->addCheckListener(&listener);
  box->addUncheckListener(&listener);

  box->setChecked(true);
  report(box, BST_CHECKED);  // the control's echo of the program's own change
  EXPECT_TRUE(heard.empty());
  EXPECT_TRUE(box->isChecked());
  box->setCheckedSilently(false);
  EXPECT_FALSE(box->isChecked());
  report(box, BST_CHECKED);  // the user's click
  report(box, BST_UNCHECKED);
  EXPECT_EQ(heard, (std::vector<int32_t>{1, 2}));
  box->release();
}

TEST(CheckBox, EnableAndDisableListenersHearEachChangeOnceBeforeIt) {
  CheckBox* box = CheckBox::take();
  std::vector<std::string> heard;
  Listener enabled([&](int32_t) { heard.push_back(box->isEnabled() ? "on while on" : "on"); });
  Listener disabled([&](int32_t) { heard.push_back(box->isEnabled() ? "off" : "off while off"); });
  box->addEnableListener(&enabled);
  box->addDisableListener(&disabled);
  box->setEnabled(false);
  box->setEnabled(false);
  box->setEnabled(true);
  box->setEnabled(true);
  EXPECT_EQ(heard, (std::vector<std::string>{"off", "on"}));
  box->release();
}

TEST(CheckBox, AmpersandsAreDoubledForTheControl) {
  auto* shown = s::str::strbuffer::StrBuffer::take();
  s::gui::win::doubleAmpersands(u"Rock & Roll && more&", shown);
  EXPECT_EQ(std::u16string(shown->getCStr()), u"Rock && Roll &&&& more&&");
  s::gui::win::doubleAmpersands(nullptr, shown);
  EXPECT_EQ(std::u16string(shown->getCStr()), u"");
  shown->release();
}

TEST(RadioButton, EveryReportTellsItsListenersAndBindingsIncludeEditing) {
  std::vector<std::string> log;
  Target field(&log, "field");
  RadioButton* radio = RadioButton::take();
  std::vector<std::string> heard;
  Listener checks([&](int32_t id) { heard.push_back("check " + std::to_string(id)); });
  Listener unchecks([&](int32_t id) { heard.push_back("uncheck " + std::to_string(id)); });
  radio->addCheckListener(&checks);
  radio->addUncheckListener(&unchecks);
  radio->bindEditable(&field);
  radio->bindDisabled(&field);

  radio->setChecked(true, false);
  EXPECT_TRUE(radio->isChecked());
  report(radio, BST_CHECKED);
  report(radio, BST_UNCHECKED);
  report(radio, BST_UNCHECKED);  // the group unchecks every other member each time
  EXPECT_EQ(heard, (std::vector<std::string>{"check 0", "uncheck 0", "uncheck 0"}));
  EXPECT_EQ(log, (std::vector<std::string>{"field editable", "field off", "field read-only",
                                           "field on", "field read-only", "field on"}));
  EXPECT_FALSE(radio->isChecked());
  radio->release();
}

TEST(BindingListeners, HearOnlyTheirSource) {
  std::vector<std::string> log;
  Target a(&log, "a");
  auto* enabler = s::gui::events::Enabler::take();
  auto* disabler = s::gui::events::Disabler::take();
  CheckBox* source = CheckBox::take();
  CheckBox* other = CheckBox::take();
  enabler->setSource(source);
  enabler->addTarget(&a);
  disabler->setSource(source);
  disabler->addTarget(&a);
  enabler->onEvent(other, 1);
  enabler->onEvent(nullptr, 1);
  EXPECT_TRUE(log.empty());
  enabler->onEvent(source, 99);
  disabler->onEvent(source, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"a on", "a off"}));
  EXPECT_EQ(std::u16string(enabler->getClassName()), u"s_gui_events_Enabler");
  enabler->release();
  disabler->release();
  other->release();
  source->release();
}

}  // namespace
