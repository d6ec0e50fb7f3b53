// The simple widgets' shared base, through a test widget of the family on a real UI thread:
// creation with the localizer's text, detaching, a refused creation, measuring, buffered
// painting over the parent's pixels, the colour answer, the wheel and erasing.
#include "gui/win/Widget.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "core/thread/ClassTail.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/IWindow.h"
#include "gui/drawer/tests/TestSkin.h"
#include "gui/tests/FakeComponent.h"
#include "gui/win/Box.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;

inline constexpr s::gui::win::WidgetClass kTestClass{s::gui::win::kWindowClassName, WS_CHILD, 0, 0,
                                                     1000};

/// Paints a 4 x 4 black square in its corner, and counts; it can stand in a skin's window slot.
class CornerDrawer final : public s::gui::drawer::IWindow {
  S_POOLED_CLASS(CornerDrawer, u"CornerDrawer")
  CornerDrawer() = default;
  void reset() override { ++s_givenBack; }
  HRGN createRegion(int32_t, int32_t, int32_t, int32_t) override { return nullptr; }
  static inline std::atomic<int> s_givenBack{0};
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    if (left < right && top < bottom) {
      dc->FillSolidRect(left, top, 4, 4, RGB(0, 0, 0));
      ++paints;
    }
  }
  std::atomic<int> paints{0};
};

/// A widget of the family: its text is its measure (10 pixels a unit, 20 high).
class TestWidget final : public s::gui::win::Widget<s::gui::IComponent, s::gui::drawer::IDrawer> {
  S_POOLED_CLASS(TestWidget, u"TestWidget", kTestClass.poolCapacity)
  TestWidget() : Widget(kTestClass) { reset(); }
  void reset() override { resetWidget(); }
  void useTextId(int32_t id) { setTextId(id); }
  void setText(const char16_t* value) { text()->assign(value); }
  std::atomic<int> measures{0};

 protected:
  s::gui::drawer::IDrawer* drawerOfSkin(s::gui::drawer::ISkin* skin) override {
    return skin != nullptr ? skin->getWindowDrawer() : nullptr;
  }
  void measure() override {
    ++measures;
    setMeasuredSize(10 * static_cast<int32_t>(text()->getLength()), 20);
  }
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override {
    getDrawer()->paint(dc, 0, 0, width, height);
  }
  bool forwardsWheel() override { return true; }
};

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

std::u16string controlText(HWND control) {
  char16_t buffer[64] = {0};
  GetWindowTextW(control, buffer, 64);
  return buffer;
}

TEST(Widget, IsMadeOnTheUiThreadWithItsLanguageTextAndFollowsTheLanguage) {
  s::lang::Localizer* localizer = twoLanguages();
  {
    ShownWindow window;
    window->setLocalizer(localizer);
    TestWidget* widget = TestWidget::take();
    widget->setText(u"unused");
    widget->useTextId(700);
    EXPECT_FALSE(widget->isCreated());
    window->add(widget);
    ASSERT_TRUE(widget->isCreated());
    EXPECT_EQ(GetWindowThreadProcessId(widget->GetSafeHwnd(), nullptr),
              GetWindowThreadProcessId(window->getHandle(), nullptr));
    EXPECT_EQ(controlText(widget->GetSafeHwnd()), u"Open");
    EXPECT_EQ(widget->getMinimumWidth(), 40) << "measured after creation";
    EXPECT_FALSE(IsWindowVisible(widget->GetSafeHwnd()) && widget->getWidth() == 0)
        << "a control shows only once placed";

    localizer->selectLanguage(u"German");
    EXPECT_EQ(controlText(widget->GetSafeHwnd()), u"Offnen");
    EXPECT_EQ(widget->getMinimumWidth(), 60);

    const HWND control = widget->GetSafeHwnd();
    widget->setParent(nullptr);
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(localizer->getListenerCount(), 1) << "only the window still listens";
    widget->setParent(nullptr);
    EXPECT_EQ(widget->getParent(), nullptr) << "detaching twice is harmless";
    window->getChildren()->removeItem(widget);
    widget->release();
  }
  localizer->release();
}

std::atomic<int> g_boxes{0};
std::u16string g_text;
std::u16string g_caption;
UINT g_type = 0;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  ++g_boxes;
  g_text = text;
  g_caption = caption;
  g_type = type;
  return IDOK;
}

TEST(Widget, ARefusedCreationWarnsOncePerAttempt) {
  auto previous = winapi::seam::replaceMessageBoxW(&recordBox);
  g_boxes = 0;
  lumetra::testgui::Fake noWindow(0, 100, 0, 100);
  TestWidget* widget = TestWidget::take();
  widget->setParent(&noWindow);
  EXPECT_FALSE(widget->isCreated());
  EXPECT_EQ(g_boxes, 1);
  EXPECT_EQ(g_text, u"Window Creation Failed!");
  EXPECT_EQ(g_caption, u"Error!");
  EXPECT_EQ(g_type, static_cast<UINT>(MB_ICONWARNING));
  widget->setParent(nullptr);
  widget->setParent(&noWindow);
  EXPECT_EQ(g_boxes, 2);
  widget->release();
  winapi::seam::replaceMessageBoxW(previous);
}

class WidgetInBox : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    root->setBackgroundColor(30, 60, 90, false);
    window->add(root);
    widget = TestWidget::take();
    widget->setText(u"abcdefghij");
    root->add(widget);
  }
  COLORREF pixelInWidget(int x, int y) {
    const POINT corner = screenCorner(widget->GetSafeHwnd());
    return screenPixel(window->getHandle(), corner.x + x, corner.y + y);
  }

  ShownWindow window;
  Box* root = nullptr;
  TestWidget* widget = nullptr;
};

TEST_F(WidgetInBox, MeasuringLaysTheParentOutAgain) {
  EXPECT_EQ(widget->getWidth(), 100) << "placed at its measured size";
  std::atomic<int> layouts{0};
  Listener listener([&](int32_t id) { layouts += id == Box::kLaidOut ? 1 : 0; });
  root->addLayoutListener(&listener);
  widget->setText(u"abc");
  widget->setDrawer(nullptr, false);
  EXPECT_GE(layouts, 1);
  EXPECT_EQ(widget->getWidth(), 30);
}

TEST_F(WidgetInBox, PaintsOverItsParentsPixelsOrItsOwnColour) {
  CornerDrawer* drawer = CornerDrawer::take();
  widget->setBackgroundColor(200, 0, 0, false);
  widget->setDrawer(drawer, true);
  widget->repaint();
  EXPECT_TRUE(waitFor([&] { return pixelInWidget(10, 10) == RGB(200, 0, 0); }));
  EXPECT_EQ(pixelInWidget(1, 1), RGB(0, 0, 0)) << "the drawer painted after the background";

  widget->useParentBackground(true);
  EXPECT_TRUE(waitFor([&] { return pixelInWidget(10, 10) == RGB(30, 60, 90); }))
      << "the box's buffer shows through";
  EXPECT_EQ(pixelInWidget(1, 1), RGB(0, 0, 0));
  EXPECT_GT(drawer->paints, 0);
  // An owned drawer is given back when replaced; a borrowed one never.
  const int givenBack = CornerDrawer::s_givenBack;
  CornerDrawer borrowed;
  widget->setDrawer(&borrowed, false);
  EXPECT_EQ(CornerDrawer::s_givenBack, givenBack + 1) << "the owned one went back to its pool";
  EXPECT_EQ(widget->getDrawer(), static_cast<s::gui::drawer::IDrawer*>(&borrowed));
  widget->setDrawer(nullptr, false);
  EXPECT_EQ(CornerDrawer::s_givenBack, givenBack + 1) << "a borrowed one is never given back";
  EXPECT_EQ(SendMessageW(widget->GetSafeHwnd(), WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(WidgetInBox, TheColourAnswerFollowsTheParentChain) {
  Box* middle = Box::take();
  middle->setFixedWidth(150, false);
  middle->setFixedHeight(40, false);
  root->add(middle);
  TestWidget* inner = TestWidget::take();
  inner->setText(u"x");
  middle->add(inner);
  inner->useParentBackground(false);
  EXPECT_EQ(s::gui::IComponent::getEffectiveBackgroundColor(inner), RGB(30, 60, 90))
      << "through the transparent middle box to the root's colour";

  HDC dc = CreateCompatibleDC(nullptr);
  const LRESULT first =
      SendMessageW(inner->GetSafeHwnd(), WM_APP + 3, reinterpret_cast<WPARAM>(dc), 0);
  ASSERT_NE(first, 0);
  EXPECT_EQ(GetBkColor(dc), RGB(30, 60, 90));
  LOGBRUSH brush{};
  ASSERT_EQ(GetObjectW(reinterpret_cast<HBRUSH>(first), sizeof brush, &brush),
            static_cast<int>(sizeof brush));
  EXPECT_EQ(brush.lbColor, RGB(30, 60, 90));

  inner->setBackgroundColor(1, 2, 3, false);
  const LRESULT second =
      SendMessageW(inner->GetSafeHwnd(), WM_APP + 3, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(first)), 0u) << "the old brush was deleted";
  EXPECT_NE(GetObjectType(reinterpret_cast<HGDIOBJ>(second)), 0u);
  DeleteDC(dc);
}

TEST_F(WidgetInBox, AWheelOutsideGoesToTheOwnerWindow) {
  std::atomic<int> wheels{0};
  Listener listener([&](int32_t) { ++wheels; });
  window->addMouseWheelListener(&listener);
  const POINT corner = screenCorner(widget->GetSafeHwnd());
  EXPECT_EQ(SendMessageW(widget->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
                         MAKELPARAM(corner.x + 5, corner.y + 5)),
            0);
  EXPECT_EQ(wheels, 0) << "inside the widget the wheel stays";
  SendMessageW(widget->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
               MAKELPARAM(corner.x + 300, corner.y + 200));
  EXPECT_TRUE(waitFor([&] { return wheels.load() == 1; }));
}

TEST(Widget, TakesItsKindsDrawerFromTheSkinAndHearsSkinChangesWhileAttached) {
  using s::gui::drawer::test::TestSkin;
  using s::gui::drawer::test::TestSkinner;
  CornerDrawer first;
  CornerDrawer second;
  TestSkin* skinA = TestSkin::take();
  skinA->setWindowDrawer(&first);
  TestSkin* skinB = TestSkin::take();
  skinB->setWindowDrawer(&second);
  TestSkinner* skinner = TestSkinner::take();
  skinner->select(skinA);
  {
    ShownWindow window;
    window->setSkinner(skinner);
    TestWidget* widget = TestWidget::take();
    widget->setText(u"ab");
    window->add(widget);
    EXPECT_EQ(widget->getDrawer(), static_cast<s::gui::drawer::IDrawer*>(&first))
        << "the current skin's drawer at once";
    EXPECT_FALSE(widget->isDrawerOwned());
    EXPECT_TRUE(skinner->isListening(widget));

    skinner->select(skinB);
    EXPECT_EQ(widget->getDrawer(), static_cast<s::gui::drawer::IDrawer*>(&second));

    widget->setParent(nullptr);
    EXPECT_FALSE(skinner->isListening(widget));
    skinner->select(skinA);
    EXPECT_EQ(widget->getDrawer(), static_cast<s::gui::drawer::IDrawer*>(&second))
        << "a removed widget hears no skin change";
    window->getChildren()->removeItem(widget);
    widget->release();
  }
  skinner->release();
  skinA->release();
  skinB->release();
}

}  // namespace
