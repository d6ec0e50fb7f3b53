// The toolkit's combo box: selection logic with and without its control, creation selecting the
// first item silently, the list sized as it opens, re-translation of items with a text id, and
// the entries drawn in their flags.
#include "gui/win/ComboBox.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "gui/combobox/ComboBoxItem.h"
#include "gui/layout/Vertical.h"
#include "gui/win/Box.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::ShownWindow;
using s::gui::combobox::ComboBoxItem;
using s::gui::combobox::makeComboBoxItem;
using s::gui::win::Box;
using s::gui::win::ComboBox;

ComboBoxItem* item(const char16_t* text, int64_t value = 0) {
  ComboBoxItem* i = makeComboBoxItem(nullptr, -1, value);
  i->text->assign(text);
  return i;
}

ComboBox* boxOf(int count, const char16_t* text = u"entry") {
  ComboBox* combo = ComboBox::take();
  for (int i = 0; i < count; ++i) combo->addItem(item(text, i));
  return combo;
}

TEST(ComboBoxSelection, SelectKeepsMinusOneOnAnEmptyListAndFallsBackToTheFirstItem) {
  ComboBox* combo = ComboBox::take();
  std::atomic<int> events{0};
  Listener listener([&](int32_t id) { events += id == 0 ? 1 : 0; });
  combo->addSelectionListener(&listener);
  combo->select(3, true);
  EXPECT_EQ(combo->getSelectedIndex(), -1) << "no item 0 to select";
  EXPECT_EQ(combo->getSelectedItem(), nullptr);
  EXPECT_EQ(events, 0);
  combo->deleteFirstSelected();
  EXPECT_EQ(combo->getItemCount(), 0);

  for (int i = 0; i < 3; ++i) combo->addItem(item(u"x", i));
  combo->select(5, true);
  EXPECT_EQ(combo->getSelectedIndex(), 0);
  EXPECT_EQ(events, 1);
  combo->select(5, true);
  EXPECT_EQ(events, 1) << "selecting the selected item again tells nobody";
  combo->selectByValue(2, false);
  EXPECT_EQ(combo->getSelectedIndex(), 2);
  EXPECT_EQ(combo->getPreviousIndex(), 0);
  EXPECT_EQ(events, 1);
  combo->release();
}

TEST(ComboBoxSelection, InsertingAndRemovingKeepTheIndicesOnTheirItems) {
  ComboBox* combo = boxOf(4);
  combo->select(1, false);
  combo->select(3, false);  // previous 1, selected 3
  ComboBoxItem* selected = combo->getSelectedItem();
  ComboBoxItem* previous = combo->getPreviousItem();
  combo->insertItem(0, item(u"new"));
  EXPECT_EQ(combo->getSelectedIndex(), 4);
  EXPECT_EQ(combo->getPreviousIndex(), 2);
  // Removing an earlier item by identity moves both indices down, as removing by index does.
  ComboBoxItem* first = combo->getItem(0);
  EXPECT_EQ(combo->removeItem(first), first);
  first->release();
  EXPECT_EQ(combo->getSelectedItem(), selected);
  EXPECT_EQ(combo->getPreviousItem(), previous);
  ComboBoxItem* stranger = item(u"not in the box");
  EXPECT_EQ(combo->removeItem(stranger), nullptr);
  stranger->release();
  EXPECT_EQ(combo->getItemCount(), 4);

  std::atomic<int> events{0};
  Listener listener([&](int32_t) { ++events; });
  combo->addSelectionListener(&listener);
  ComboBoxItem* gone = combo->removeItem(selected);
  EXPECT_EQ(gone, selected);
  gone->release();
  EXPECT_EQ(combo->getSelectedIndex(), -1);
  EXPECT_EQ(combo->getPreviousIndex(), -1);
  EXPECT_EQ(events, 1) << "removing the selected item tells the listeners";
  combo->removeItemAt(7);
  EXPECT_EQ(combo->getItemCount(), 3);
  combo->deleteItemByValue(2);
  EXPECT_EQ(combo->getItemCount(), 2);
  EXPECT_EQ(combo->getSelectedIndex(), 0) << "deleting selects the first item first, silently";
  EXPECT_EQ(events, 1);
  combo->release();
}

class ComboBoxInBox : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  HWND attach(ComboBox* combo) {
    root->add(combo);
    combo->setBounds(10, 10, 200, 26);
    return combo->GetSafeHwnd();
  }
  ShownWindow window;
  Box* root = nullptr;
};

TEST_F(ComboBoxInBox, CreationSelectsTheFirstItemWithoutAnEvent) {
  ComboBox* combo = boxOf(3);
  std::atomic<int> events{0};
  Listener listener([&](int32_t) { ++events; });
  combo->addSelectionListener(&listener);
  HWND control = attach(combo);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(combo->getSelectedIndex(), 0);
  EXPECT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(control, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(events, 0);
  combo->insertItem(0, item(u"first"));
  EXPECT_EQ(SendMessageW(control, CB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(combo->getSelectedIndex(), 1);
  EXPECT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), 1)
      << "the control shifted its selection too";
  EXPECT_EQ(combo->getMinimumHeight(), 26);
  EXPECT_EQ(combo->getMinimumWidth(), 50);
}

TEST_F(ComboBoxInBox, ChoosingTheItemShownAtCreationTellsTheListenersOnce) {
  ComboBox* combo = boxOf(3);
  std::atomic<int> events{0};
  Listener listener([&](int32_t) { ++events; });
  combo->addSelectionListener(&listener);
  ASSERT_NE(attach(combo), nullptr);
  ASSERT_EQ(combo->getSelectedIndex(), 0);
  combo->select(0, true);
  EXPECT_EQ(events, 1) << "the shown item was no one's choice until now";
  combo->select(0, true);
  EXPECT_EQ(events, 1) << "choosing it again changes nothing";
}

TEST_F(ComboBoxInBox, AChoiceInTheControlReachesTheListeners) {
  ComboBox* combo = boxOf(5);
  HWND control = attach(combo);
  std::atomic<int> events{0};
  Listener listener([&](int32_t) { ++events; });
  combo->addSelectionListener(&listener);
  RECT face{};
  GetWindowRect(control, &face);
  winapi::HeadlessDriver::current()->click((face.left + face.right) / 2,
                                           (face.top + face.bottom) / 2);
  ASSERT_TRUE(lumetra::testgui::waitFor([&] { return combo->isDropped(); }));
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  ASSERT_TRUE(GetComboBoxInfo(control, &info));
  RECT row{};
  SendMessageW(info.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  POINT p{row.left + 5, row.top + 3};
  ClientToScreen(info.hwndList, &p);
  winapi::HeadlessDriver::current()->click(p.x, p.y);
  EXPECT_TRUE(lumetra::testgui::waitFor([&] { return !combo->isDropped(); }));
  EXPECT_TRUE(lumetra::testgui::waitFor([&] { return combo->getSelectedIndex() == 2; }));
  EXPECT_EQ(combo->getPreviousIndex(), 0);
  EXPECT_EQ(events, 1);
}

TEST_F(ComboBoxInBox, MoreThanThirtyEntriesWidenTheListByTheScrollBar) {
  const char16_t* text = u"A rather long entry of the list";
  ComboBox* thirty = boxOf(30, text);
  HWND a = attach(thirty);
  thirty->setBounds(10, 10, 60, 26);
  SendMessageW(a, CB_SHOWDROPDOWN, TRUE, 0);
  const LRESULT narrow = SendMessageW(a, CB_GETDROPPEDWIDTH, 0, 0);
  SendMessageW(a, CB_SHOWDROPDOWN, FALSE, 0);
  thirty->addItem(item(text));
  SendMessageW(a, CB_SHOWDROPDOWN, TRUE, 0);
  const LRESULT wide = SendMessageW(a, CB_GETDROPPEDWIDTH, 0, 0);
  SendMessageW(a, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_GT(narrow, 60) << "the text is wider than the face";
  EXPECT_EQ(wide - narrow, GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(ComboBoxInBox, ReopeningKeepsTheScrollPositionNearTheSelection) {
  ComboBox* combo = boxOf(100);
  HWND control = attach(combo);
  combo->select(50, false);
  SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(lumetra::testgui::waitFor([&] {
    return SendMessageW(control, CB_GETTOPINDEX, 0, 0) == 50 - 15;
  })) << "the selection in the middle of 30 rows, not "
      << SendMessageW(control, CB_GETTOPINDEX, 0, 0);
  SendMessageW(control, CB_SETTOPINDEX, 45, 0);
  SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
  SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
  lumetra::testgui::settle(window->getHandle());
  RedrawWindow(control, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  lumetra::testgui::settle(window->getHandle());
  EXPECT_EQ(SendMessageW(control, CB_GETTOPINDEX, 0, 0), 45) << "within a page of the selection";
  SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
}

s::lang::Localizer* twoLanguages() {
  s::xml::Node* root = s::xml::Node::take();
  root->parse(
      u"<lang><languages>"
      u"<entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
      u"<entry tagName=\"deu\" engName=\"German\" trueName=\"Deutsch\"/>"
      u"</languages><entries>"
      u"<entry id=\"700\"><eng>Open</eng><deu>Offnen</deu></entry>"
      u"</entries></lang>");
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root);
  root->release();
  localizer->selectLanguage(u"English");
  return localizer;
}

TEST(ComboBoxLanguage, ALanguageChangeRetranslatesItemsWithATextIdOnly) {
  s::lang::Localizer* localizer = twoLanguages();
  {
    ShownWindow window;
    window->setLocalizer(localizer);
    Box* root = Box::take();
    window->add(root);
    ComboBox* combo = ComboBox::take();
    combo->addItem(makeComboBoxItem(localizer, 700, 1));
    combo->addItem(item(u"fixed"));
    root->add(combo);
    EXPECT_EQ(std::u16string(combo->getItem(0)->text->getCStr()), u"Open");
    localizer->selectLanguage(u"German");
    EXPECT_EQ(std::u16string(combo->getItem(0)->text->getCStr()), u"Offnen");
    EXPECT_EQ(std::u16string(combo->getItem(1)->text->getCStr()), u"fixed");
  }
  localizer->release();
}

TEST(ComboBoxTexts, MakeTextAndMakeTextPairGiveNewTexts) {
  s::str::strbuffer::StrBuffer* one = s::gui::combobox::makeText(u"abc");
  s::str::strbuffer::StrBuffer* two = s::gui::combobox::makeTextPair(u"abc", u"def");
  EXPECT_EQ(std::u16string(one->getCStr()), u"abc");
  EXPECT_EQ(std::u16string(two->getCStr()), u"abcdef");
  EXPECT_NE(one, two);
  one->release();
  two->release();
}

}  // namespace

namespace {

TEST_F(ComboBoxInBox, AWidthPercentTakesItsShareOfTheParentAndTheMinimumOtherwise) {
  ComboBox* wide = boxOf(3);
  wide->setWidthPercent(100, false);
  ComboBox* plain = boxOf(3);
  root->setLayout(s::gui::layout::Vertical::getShared());
  root->add(wide);
  root->add(plain);
  root->relayout();
  ASSERT_GT(root->getClientWidth(), 100);
  EXPECT_EQ(wide->getWidth(), root->getClientWidth()) << "the whole width of its column";
  EXPECT_EQ(plain->getWidth(), 50) << "its minimum and maximum";
  EXPECT_EQ(wide->getHeight(), 26);
  wide->setFixedWidth(80, true);
  EXPECT_EQ(wide->getWidth(), 80) << "a fixed width replaces the percent";
}

}  // namespace
