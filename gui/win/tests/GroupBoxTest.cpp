// The group box: the caption measured with its font and the insets and minimum width it gives,
// the caption's "&" kept plain, the disabled font, drops on the content reported as the group
// box's own, painting through the drawer around the content, language and skin changes, and the
// colour answer's one brush.
#include "gui/combobox/ComboBoxItem.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "core/file/win/PathArray.h"
#include "core/thread/ClassTail.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/groupbox/IBasic.h"
#include "gui/drawer/tests/TestSkin.h"
#include "gui/win/Box.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::positionInParent;
using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;
using s::gui::win::GroupBox;

constexpr COLORREF kFramePaint = RGB(0, 0, 200);

/// A group-box drawer that fills what it is given in one colour and records each paint.
class RecordingGroupBoxDrawer final : public s::gui::drawer::groupbox::IBasic {
  S_POOLED_CLASS(RecordingGroupBoxDrawer, u"RecordingGroupBoxDrawer")
  RecordingGroupBoxDrawer() = default;
  void reset() override {}

  struct Paint {
    RECT rect;
    std::u16string text;
    s::gui::IFont* font;
    int32_t captionWidth;
    int32_t captionHeight;
  };

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, const WCHAR* text,
             s::gui::IFont* font, int32_t captionWidth, int32_t captionHeight) override {
    dc->FillSolidRect(left, top, right - left, bottom - top, kFramePaint);
    std::lock_guard<std::mutex> hold(m_lock);
    m_paints.push_back(Paint{RECT{left, top, right, bottom}, text != nullptr ? text : u"", font,
                             captionWidth, captionHeight});
  }
  int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) override {
    m_frame = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    return red & 0xFF;
  }
  int32_t getFrameRed() override { return GetRValue(m_frame); }
  int32_t getFrameGreen() override { return GetGValue(m_frame); }
  int32_t getFrameBlue() override { return GetBValue(m_frame); }
  void applyToFonts(s::gui::IFont*, s::gui::IFont*) override { ++m_fontsApplied; }
  s::gui::IFontSetting* getFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getDisabledFontSetting() override { return nullptr; }

  std::vector<Paint> paints() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_paints;
  }
  void clear() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_paints.clear();
  }

  COLORREF m_frame = 0;
  std::atomic<int> m_fontsApplied{0};

 private:
  std::mutex m_lock;
  std::vector<Paint> m_paints;
};

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::u16string windowText(HWND window) {
  char16_t buffer[128] = {0};
  GetWindowTextW(window, buffer, 128);
  return buffer;
}

SIZE extentOf(HFONT font, const std::u16string& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return size;
}

s::lang::Localizer* dropBoxLanguages() {
  s::xml::Node* root = s::xml::Node::take();
  root->parse(
      u"<lang><languages>"
      u"<entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
      u"<entry tagName=\"deu\" engName=\"German\" trueName=\"Deutsch\"/>"
      u"</languages><entries>"
      u"<entry id=\"1001000\"><eng>Drop Box</eng><deu>Ablage fur Dateien</deu></entry>"
      u"</entries></lang>");
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root);
  root->release();
  localizer->selectLanguage(u"English");
  return localizer;
}

/// A shown window whose one root box fills it, with the recording drawer as every new group
/// box's own.
class GroupBoxInWindow : public testing::Test {
 protected:
  void SetUp() override {
    s::gui::drawer::DefaultDrawers drawers;
    drawers.takeGroupBox = [] {
      return static_cast<s::gui::drawer::groupbox::IBasic*>(RecordingGroupBoxDrawer::take());
    };
    m_previous = s::gui::drawer::setDefaultDrawers(drawers);
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  void TearDown() override { s::gui::drawer::setDefaultDrawers(m_previous); }
  /// A group box from the factory, added to the root.
  GroupBox* addGroupBox(const char16_t* caption, int32_t widthPercent = -1) {
    GroupBox* group = s::gui::win::makeGroupBox(caption, widthPercent, 1, 0, 0, 0, 0);
    root->add(group);
    return group;
  }
  RecordingGroupBoxDrawer* drawerOf(GroupBox* group) {
    return dynamic_cast<RecordingGroupBoxDrawer*>(group->getDrawer());
  }

  ShownWindow window;
  Box* root = nullptr;

 private:
  s::gui::drawer::DefaultDrawers m_previous;
};

TEST_F(GroupBoxInWindow, TheCaptionIsMeasuredWithItsFontAndSetsTheInsetsAndMinimumWidth) {
  GroupBox* group = addGroupBox(u"Sound & Quality of the converted files");
  ASSERT_TRUE(group->hasHandle());
  const SIZE caption =
      extentOf(group->getCaptionFont()->getHandle(), u"Sound & Quality of the converted files");
  ASSERT_GT(caption.cx, 100);
  EXPECT_EQ(group->getCaptionWidth(), caption.cx);
  EXPECT_EQ(group->getCaptionHeight(), caption.cy);
  EXPECT_EQ(group->getInsetLeft(), 4);
  EXPECT_EQ(group->getInsetRight(), 4);
  EXPECT_EQ(group->getInsetTop(), caption.cy + 1);
  EXPECT_EQ(group->getInsetBottom(), 4);
  EXPECT_EQ(group->getMinimumWidth(), caption.cx + 24)
      << "a long caption widens an empty group box";
  EXPECT_EQ(group->getMinimumHeight(), caption.cy + 1 + 4);
  EXPECT_EQ(windowText(group->GetSafeHwnd()), u"Sound && Quality of the converted files")
      << "the window text doubles the ampersand, so it shows as itself";

  // The content box sits at the insets, inside the frame, whatever it holds.
  Box* inner = Box::take();
  inner->setFixedWidth(400, false);
  inner->setFixedHeight(50, false);
  group->add(inner);
  const POINT at = positionInParent(dynamic_cast<Box*>(group->getContent())->GetSafeHwnd());
  EXPECT_EQ(at.x, 4);
  EXPECT_EQ(at.y, caption.cy + 1);
  EXPECT_EQ(group->getMinimumWidth(), 408) << "the content wins once it is wider";
  EXPECT_EQ(group->getMinimumHeight(), caption.cy + 1 + 50 + 4);
  EXPECT_EQ(group->getClientWidth(), group->getWidth() - 8);

  // A bolder caption is measured again.
  group->setBold(true);
  EXPECT_EQ(
      group->getCaptionWidth(),
      extentOf(group->getCaptionFont()->getHandle(), u"Sound & Quality of the converted files").cx);
  EXPECT_GT(group->getCaptionWidth(), caption.cx);
}

TEST_F(GroupBoxInWindow, WidthPercentAndFixedSizesReplaceEachOther) {
  GroupBox* group = addGroupBox(u"Level", 50);
  EXPECT_EQ(group->getMaximumWidth(), root->getClientWidth() / 2);
  group->setFixedWidth(120);
  EXPECT_EQ(group->getMinimumWidth(), 120);
  EXPECT_EQ(group->getMaximumWidth(), 120);
  group->setWidthPercent(25);
  EXPECT_EQ(group->getMaximumWidth(), root->getClientWidth() * 25 / 100)
      << "a percent turns the fixed width off";
  group->setSizeWithinLimits(1000, 1000);
  EXPECT_EQ(group->getWidth(), root->getClientWidth() * 25 / 100);
}

TEST_F(GroupBoxInWindow, DisablingDisablesTheControlAndPaintsWithTheDisabledFont) {
  GroupBox* group = addGroupBox(u"Options");
  RecordingGroupBoxDrawer* drawer = drawerOf(group);
  ASSERT_NE(drawer, nullptr);
  group->repaint();
  ASSERT_FALSE(drawer->paints().empty());
  EXPECT_EQ(drawer->paints().back().font, group->getCaptionFont());
  EXPECT_TRUE(IsWindowEnabled(group->GetSafeHwnd()));

  group->setEnabled(false);
  EXPECT_FALSE(group->isEnabled());
  EXPECT_FALSE(IsWindowEnabled(group->GetSafeHwnd()));
  ASSERT_FALSE(drawer->paints().empty());
  EXPECT_EQ(drawer->paints().back().font, group->getDisabledCaptionFont());
  EXPECT_EQ(drawer->paints().back().text, u"Options");
}

TEST_F(GroupBoxInWindow, TheDrawerPaintsBelowHalfTheCaptionAndTheContentIsNotOverdrawn) {
  GroupBox* group = addGroupBox(u"Frame");
  Box* content = dynamic_cast<Box*>(group->getContent());
  ASSERT_NE(content, nullptr);
  content->setBackgroundColor(0, 160, 0, true);
  group->setFixedWidth(200);
  group->setFixedHeight(120);
  root->relayout();
  settle(window->getHandle());
  ASSERT_EQ(content->getWidth(), 192) << "the content fills the frame's inside";
  ASSERT_EQ(content->getHeight(), 120 - group->getInsetTop() - 4);
  RecordingGroupBoxDrawer* drawer = drawerOf(group);
  drawer->clear();
  group->repaint();
  const std::vector<RecordingGroupBoxDrawer::Paint> paints = drawer->paints();
  ASSERT_EQ(paints.size(), 1u);
  const int32_t half = group->getCaptionHeight() / 2;
  EXPECT_EQ(paints[0].rect.left, 0);
  EXPECT_EQ(paints[0].rect.top, half);
  EXPECT_EQ(paints[0].rect.right, 200);
  EXPECT_EQ(paints[0].rect.bottom, 120);
  EXPECT_EQ(paints[0].captionWidth, group->getCaptionWidth());
  EXPECT_EQ(paints[0].captionHeight, group->getCaptionHeight());

  const POINT corner = screenCorner(group->GetSafeHwnd());
  const POINT inside = screenCorner(content->GetSafeHwnd());
  EXPECT_EQ(screenPixel(window->getHandle(), corner.x + 1, corner.y + half + 1), kFramePaint);
  EXPECT_EQ(screenPixel(window->getHandle(), inside.x + 5, inside.y + 5), RGB(0, 160, 0))
      << "the group box's repaint leaves the content's pixels alone";
  EXPECT_EQ(screenPixel(window->getHandle(), corner.x + 1, corner.y), GetSysColor(COLOR_BTNFACE))
      << "above the frame line the parent's pixels show";
}

TEST_F(GroupBoxInWindow, FilesDroppedOnTheContentReachTheDropListenersAsEventOne) {
  GroupBox* group = addGroupBox(u"Drop here");
  group->setFixedWidth(200);
  group->setFixedHeight(120);
  root->relayout();
  std::atomic<int> drops{0};
  Listener listener([&](int32_t id) { drops += id == 1 ? 1 : 0; });
  group->addDropListener(&listener);
  group->setAcceptFiles(true);
  group->setAcceptFiles(false);
  group->setAcceptFiles(true);
  settle(window->getHandle());
  Box* content = dynamic_cast<Box*>(group->getContent());
  const POINT inside = screenCorner(content->GetSafeHwnd());
  ASSERT_TRUE(
      headless().dropFiles(inside.x + 10, inside.y + 10, {u"Z:\\tmp\\a.mp3", u"Z:\\b.wav"}));
  ASSERT_TRUE(waitFor([&] { return drops.load() > 0; }));
  settle(content->GetSafeHwnd());
  EXPECT_EQ(drops, 1) << "turning files off and on again does not report a drop twice";
  ASSERT_NE(group->getDroppedPaths(), nullptr);
  EXPECT_EQ(group->getDroppedPaths()->getCount(), 2);
}

TEST_F(GroupBoxInWindow, TheCaptionFollowsTheLanguageAndTheDrawerTheSkin) {
  s::lang::Localizer* localizer = dropBoxLanguages();
  window->setLocalizer(localizer);
  GroupBox* group = s::gui::win::makeDropBox(100, 100);
  root->add(group);
  EXPECT_EQ(group->getTextId(), 1001000);
  EXPECT_EQ(windowText(group->GetSafeHwnd()), u"Drop Box");
  EXPECT_EQ(group->getContent()->getArrangement(), 1);
  EXPECT_EQ(group->getMaximumWidth(), root->getClientWidth());
  EXPECT_EQ(group->getMaximumHeight(), root->getClientHeight());
  const int32_t englishWidth = group->getCaptionWidth();
  localizer->selectLanguage(u"German");
  EXPECT_EQ(std::u16string(group->getText()), u"Ablage fur Dateien");
  EXPECT_EQ(windowText(group->GetSafeHwnd()), u"Ablage fur Dateien");
  EXPECT_GT(group->getCaptionWidth(), englishWidth);

  using s::gui::drawer::test::TestSkin;
  using s::gui::drawer::test::TestSkinner;
  RecordingGroupBoxDrawer* skinDrawer = RecordingGroupBoxDrawer::take();
  TestSkin* skin = TestSkin::take();
  skin->setGroupBoxDrawer(skinDrawer);
  TestSkinner* skinner = TestSkinner::take();
  window->setSkinner(skinner);
  ASSERT_NE(drawerOf(group), nullptr);
  s::gui::drawer::IGroupBox* ownDrawer = group->getDrawer();
  // A group box attached under a skinner listens to it from then on.
  GroupBox* skinned = addGroupBox(u"Skinned");
  skinner->select(skin);
  EXPECT_EQ(skinned->getDrawer(), skinDrawer);
  EXPECT_GT(skinDrawer->m_fontsApplied.load(), 0) << "the new drawer completes both fonts";
  skinned->setFrameColor(1, 2, 3);
  EXPECT_EQ(skinDrawer->m_frame, RGB(1, 2, 3)) << "the frame colour goes to the drawer painting";
  skinner->select(nullptr);
  EXPECT_NE(skinned->getDrawer(), skinDrawer) << "without a skin the own drawer paints again";
  EXPECT_EQ(group->getDrawer(), ownDrawer);

  const HWND control = skinned->GetSafeHwnd();
  skinned->setParent(nullptr);
  EXPECT_FALSE(IsWindow(control));
  EXPECT_FALSE(skinner->isListening(skinned)) << "detaching leaves the skinner";
  root->getChildren()->removeItem(skinned);
  skinned->release();
  window->setSkinner(nullptr);
  window->setLocalizer(nullptr);
  skinner->release();
  skin->release();
  skinDrawer->release();
  localizer->release();
}

TEST_F(GroupBoxInWindow, EachColourAnswerDeletesTheBrushOfThePreviousOne) {
  GroupBox* group = addGroupBox(u"Colours");
  HWND control = group->GetSafeHwnd();
  HDC dc = GetDC(control);
  HGDIOBJ previous = nullptr;
  for (int i = 0; i < 1000; ++i) {
    auto brush = reinterpret_cast<HGDIOBJ>(
        SendMessageW(control, GroupBox::kColorMessage, reinterpret_cast<WPARAM>(dc), 0));
    ASSERT_NE(brush, nullptr);
    ASSERT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    if (previous != nullptr) {
      ASSERT_EQ(GetObjectType(previous), 0u) << "request " << i << " left the last brush alive";
    }
    previous = brush;
  }
  LOGBRUSH logBrush{};
  ASSERT_EQ(GetObjectW(previous, sizeof logBrush, &logBrush), static_cast<int>(sizeof logBrush));
  EXPECT_EQ(logBrush.lbColor, s::gui::IComponent::getEffectiveBackgroundColor(group))
      << "the group box shows its parent's colour";
  group->setBackgroundColor(10, 20, 30, false);
  SendMessageW(control, GroupBox::kColorMessage, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
  EXPECT_EQ(GetTextColor(dc), group->getTextColor());
  ReleaseDC(control, dc);
}

TEST(GroupBox, ResetGivesBackTheContentAndTheDefaults) {
  GroupBox* group = s::gui::win::makeGroupBox(u"A", 40, 0, 3, 4, 5, 6);
  ASSERT_NE(group->getContent(), nullptr);
  EXPECT_EQ(group->getContent()->getArrangement(), 0);
  EXPECT_EQ(group->getChildCount(), 1);
  group->setFrameColor(1, 2, 3);
  group->setTextId(77);
  group->release();
  GroupBox* again = GroupBox::take();
  EXPECT_EQ(again->getContent(), nullptr);
  EXPECT_EQ(again->getChildCount(), 0);
  EXPECT_EQ(again->getFrameColor(), GroupBox::kDefaultFrameColor);
  EXPECT_EQ(again->getTextId(), -1);
  EXPECT_EQ(std::u16string(again->getText()), u"");
  Box* stray = Box::take();
  again->add(stray);
  EXPECT_EQ(again->getChildCount(), 0) << "without a content box nothing is added";
  stray->release();
  again->release();
}

}  // namespace

namespace {

TEST_F(GroupBoxInWindow, AClickOnAComboBoxInsideTheContentOpensItsList) {
  GroupBox* group = addGroupBox(u"Effect");
  s::gui::win::ComboBox* combo = s::gui::win::ComboBox::take();
  for (int i = 0; i < 3; ++i) {
    auto* item = s::gui::combobox::makeComboBoxItem(nullptr, -1, i);
    item->text->assign(u"entry");
    combo->addItem(item);
  }
  group->add(combo);
  root->relayout();
  HWND control = combo->GetSafeHwnd();
  ASSERT_NE(control, nullptr);
  RECT face{};
  GetWindowRect(control, &face);
  ASSERT_GT(face.right, face.left);
  winapi::HeadlessDriver::current()->click((face.left + face.right) / 2,
                                           (face.top + face.bottom) / 2);
  EXPECT_TRUE(lumetra::testgui::waitFor([&] { return combo->isDropped(); }));
}

}  // namespace
