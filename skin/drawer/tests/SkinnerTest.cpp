// The skinner and the skins: catalogue orders and counts, type names, selection events and
// listeners leaving during them, lookups by name, the preset colours as the drawers read them
// back, what a reset gives back, and the theme-font loader.
#include "skin/drawer/Skinner.h"

#include "gui/IFontSetting.h"
#include "gui/drawer/IText.h"
#include "gui/drawer/ThemeFont.h"
#include "gui/events/IEventListener.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/ThemeFonts.h"
#include "skin/drawer/skin/Thin.h"
#include "skin/drawer/skin/ThinWindow.h"
#include "skin/drawer/window/win/Thin.h"

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using s::gui::drawer::ISkin;
using s::gui::drawer::Skinner;
namespace skin = s::gui::drawer::skin;

struct Expected {
  int number;
  const char16_t* name;
  COLORREF background;    // C1 or W1
  COLORREF border;        // C2 or W2
  COLORREF text;          // C3 or W6
  COLORREF disabled = 0;  // W3
  COLORREF shade = 0;     // W7
};

// An independent copy of the preset tables, as the drawers must read them back.
// Number, name, and the packed colours the drawers read back (0x00BBGGRR).
const Expected kThin[] = {
    {1, u"Black", 0x333333, 0xB0B0B0, 0xFFFFFF},
    {2, u"Light Gray", 0xE4EEF0, 0x000000, 0x000000},
    {3, u"White", 0xFFFFFF, 0x444444, 0x000000},
    {4, u"Ivory", 0xD8E9EC, 0x000000, 0x000000},
    {6, u"Sky Blue", 0xFFFFFF, 0xFF8557, 0x000000},
    {7, u"Yellow", 0xFFFFFF, 0x00CEE0, 0x000000},
    {8, u"Pink", 0xFFFFFF, 0xA25DFF, 0x000000},
    {9, u"Salmon Red", 0x5C30FF, 0xCBBDFF, 0xFFFFFF},
    {10, u"Green", 0xFFFFFF, 0x11AF8F, 0x003300},
    {11, u"Khaki", 0x005C3E, 0x41B992, 0xFFFFFF},
    {12, u"Indigo", 0x82004B, 0xFF7DC0, 0xFFFFFF},
    {13, u"Orange", 0xFFFFFF, 0x0287DD, 0x000000},
    {14, u"Green2", 0x6BEBD5, 0x000000, 0x000000},
};
const Expected kThinWindow[] = {
    {1, u"Black", 0x333333, 0x555555, 0xFFFFFF, 0x555555, 0x333333},
    {2, u"Ivory", 0xE6F0F2, 0x000000, 0x000000, 0xAAAAAA, 0xEEEEEE},
    {3, u"White", 0xFFFFFF, 0x444444, 0x000000, 0xCCCCCC, 0xEEEEEE},
    {4, u"Beige", 0xD8E9EC, 0x000000, 0x000000, 0xAAAAAA, 0xEEEEEE},
    {6, u"Sky Blue", 0xFFDFC2, 0xFF8557, 0x000000, 0xFF8557, 0xEEEEEE},
    {7, u"Yellow", 0x5BFFFC, 0x00CEE0, 0x000000, 0x00CEE0, 0xEEEEEE},
    {8, u"Pink", 0xE6C2FF, 0xA25DFF, 0x000000, 0xA25DFF, 0xEEEEEE},
    {9, u"Salmon Red", 0x5C30FF, 0xCBBDFF, 0xFFFFFF, 0xCBBDFF, 0x333333},
    {10, u"Green", 0x3DFFB8, 0x07A081, 0x000000, 0x07A081, 0xEEEEEE},
    {11, u"Khaki", 0x005C3E, 0x41B992, 0xFFFFFF, 0x41B992, 0x333333},
    {12, u"Indigo", 0x820031, 0xFF7DC0, 0xFFFFFF, 0xFF7DC0, 0x333333},
    {13, u"Orange", 0x3DCFFF, 0x0287DD, 0x000000, 0x0287DD, 0xEEEEEE},
    {16, u"Black II", 0x333333, 0x555555, 0xDDDDDD, 0x555555, 0x333333},
    {17, u"Black Black", 0x000000, 0x333333, 0xFFFFFF, 0x333333, 0x333333},
    {18, u"Black Black II", 0x000000, 0x333333, 0xDDDDDD, 0x333333, 0x333333},
    {19, u"Classic LG", 0x747474, 0x111111, 0xFFFFFF, 0x565656, 0x333333},
};
std::u16string nameOf(ISkin* s) { return s->getName(); }

/// Records the events it hears, and may leave or act when it hears one.
class Listener : public s::gui::events::IEventListener {
 public:
  Listener(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
  void onEvent(s::base::IObject* /*source*/, int32_t eventId) override {
    m_log.push_back(m_id * 10 + eventId);
    if (action) action();
  }
  std::function<void()> action;

 private:
  std::vector<int>& m_log;
  int m_id;
};

class SkinnerTest : public testing::Test {
 protected:
  void SetUp() override { skinner = Skinner::take(); }
  void TearDown() override { skinner->release(); }
  Skinner* skinner = nullptr;
};

TEST_F(SkinnerTest, CataloguesFollowTheWholeTypeNameIgnoringCase) {
  EXPECT_EQ(std::u16string(skinner->getTypeName()), u"Basic");
  skinner->registerSkins();
  EXPECT_EQ(skinner->getSkinCount(), 0);
  for (const char16_t* near : {u"Thin Window", u"ThinWindows", u"Thi", u""}) {
    skinner->setTypeName(near);
    skinner->registerSkins();
    EXPECT_EQ(skinner->getSkinCount(), 0);
  }
  skinner->setTypeName(u"tHINwINDOW");
  skinner->registerSkins();
  const char16_t* windowOrder[] = {u"White",       u"Ivory",          u"Black",      u"Black II",
                                   u"Black Black", u"Black Black II", u"Classic LG", u"Beige",
                                   u"Sky Blue",    u"Pink",           u"Salmon Red", u"Yellow",
                                   u"Green",       u"Orange",         u"Khaki",      u"Indigo"};
  ASSERT_EQ(skinner->getSkinCount(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(std::u16string(skinner->getSkinNameAt(i)), windowOrder[i]);
  // Registering again adds the catalogue again.
  skinner->registerSkins();
  EXPECT_EQ(skinner->getSkinCount(), 32);

  Skinner* thin = Skinner::take();
  thin->setTypeName(u"thin");
  thin->registerSkins();
  const char16_t* thinOrder[] = {u"White", u"Light Gray", u"Black",     u"Ivory",  u"Sky Blue",
                                 u"Pink",  u"Green",      u"Green2",    u"Yellow", u"Orange",
                                 u"Khaki", u"Indigo",     u"Salmon Red"};
  ASSERT_EQ(thin->getSkinCount(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(std::u16string(thin->getSkinNameAt(i)), thinOrder[i]);
  thin->release();
}

TEST_F(SkinnerTest, SelectionTellsEveryListenerOnceInOrder) {
  skinner->setTypeName(u"ThinWindow");
  skinner->registerSkins();
  std::vector<int> log;
  Listener a(log, 1), b(log, 2), c(log, 3);
  skinner->addListener(&a);
  skinner->addListener(&b);
  skinner->addListener(&c);
  EXPECT_EQ(skinner->getCurrentSkin(), nullptr);
  skinner->selectSkinByName(u"classic lg");
  int index = -2;
  EXPECT_TRUE(skinner->findSkin(u"CLASSIC LG", index));
  EXPECT_EQ(index, 6);
  EXPECT_EQ(skinner->getCurrentSkin(), skinner->getSkinAt(6));
  EXPECT_EQ(log, (std::vector<int>{10, 20, 30}));
  log.clear();
  skinner->selectSkin(6);   // already current
  skinner->selectSkin(16);  // outside the catalogue
  skinner->selectSkin(-1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(skinner->getCurrentSkin(), skinner->getSkinAt(6));

  // A name not in the catalogue selects skin 0; lookups of it fail with -1.
  skinner->selectSkinByName(u"No Such Skin");
  EXPECT_EQ(skinner->getCurrentSkin(), skinner->getSkinAt(0));
  EXPECT_FALSE(skinner->findSkin(u"No Such Skin", index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(skinner->findSkin(u"Classic LG ", index));
}

TEST_F(SkinnerTest, ListenersRemovedDuringTheEventAreNotCalledAfterwards) {
  skinner->setTypeName(u"Thin");
  skinner->registerSkins();
  std::vector<int> log;
  Listener a(log, 1), b(log, 2), c(log, 3), d(log, 4);
  for (Listener* l : {&a, &b, &c, &d}) skinner->addListener(l);
  // b removes itself and d; c must still hear it once, d not at all.
  b.action = [&] {
    skinner->removeListener(&b);
    skinner->removeListener(&d);
  };
  skinner->selectSkin(1);
  EXPECT_EQ(log, (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(skinner->getListenerCount(), 2);
  log.clear();
  // A listener added during the event is told as well: the count is read after each call.
  Listener e(log, 5);
  a.action = [&] {
    skinner->addListener(&e);
    a.action = nullptr;
  };
  skinner->selectSkin(2);
  EXPECT_EQ(log, (std::vector<int>{10, 30, 50}));
  // Every entry of a listener added twice leaves at once.
  skinner->addListener(&a);
  skinner->removeListener(&a);
  log.clear();
  skinner->selectSkin(3);
  EXPECT_EQ(log, (std::vector<int>{30, 50}));
}

TEST_F(SkinnerTest, AnEmptyCatalogueSelectsNothing) {
  std::vector<int> log;
  Listener a(log, 1);
  skinner->addListener(&a);
  skinner->selectSkin(0);
  skinner->selectSkinByName(u"White");
  EXPECT_EQ(skinner->getCurrentSkin(), nullptr);
  EXPECT_TRUE(log.empty());
}

COLORREF textColor(ISkin* s) { return s->getTextDrawer()->getFontSetting()->getTextColor(); }

TEST(Skins, EveryPresetColoursItsDrawersAsTheTablesSay) {
  for (const Expected& e : kThin) {
    skin::Thin* s = skin::Thin::createPreset(e.number);
    ASSERT_NE(s, nullptr) << e.number;
    EXPECT_EQ(nameOf(s), e.name);
    auto* window = dynamic_cast<s::gui::drawer::window::win::Thin*>(s->getWindowDrawer());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->getBackgroundColor(), e.background) << e.number;
    EXPECT_EQ(s::gui::drawer::packColor(window->getBorderRed(), window->getBorderGreen(),
                                        window->getBorderBlue()),
              e.border)
        << e.number;
    EXPECT_EQ(textColor(s), e.text) << e.number;
    EXPECT_EQ(s->getTextDrawer()->getDisabledFontSetting()->getTextColor(), e.text) << e.number;
    s->release();
  }
  for (const Expected& e : kThinWindow) {
    skin::ThinWindow* s = skin::ThinWindow::createPreset(e.number);
    ASSERT_NE(s, nullptr) << e.number;
    EXPECT_EQ(nameOf(s), e.name);
    auto* window = dynamic_cast<s::gui::drawer::window::win::Thin*>(s->getWindowDrawer());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->getBackgroundColor(), e.background) << e.number;
    EXPECT_EQ(s::gui::drawer::packColor(window->getBorderRed(), window->getBorderGreen(),
                                        window->getBorderBlue()),
              e.border)
        << e.number;
    s::gui::IFontSetting* first = s->getTextDrawer()->getFontSetting();
    EXPECT_EQ(first->getTextColor(), e.text) << e.number;
    EXPECT_EQ(first->getEffectColor1(), e.background) << e.number;
    EXPECT_EQ(first->getEffectColor2(), e.shade) << e.number;
    EXPECT_EQ(s->getTextDrawer()->getDisabledFontSetting()->getTextColor(), e.disabled) << e.number;
    s->release();
  }
}

/// The fifteen slots, each filled with a drawer of its own.
void expectEverySlot(ISkin* s) {
  const void* slots[] = {
      s->getWindowDrawer(),    s->getButtonDrawer(),    s->getTextDrawer(),
      s->getScrollBarDrawer(), s->getCheckBoxDrawer(),  s->getRadioButtonDrawer(),
      s->getSliderDrawer(),    s->getCounterDrawer(),   s->getListHeaderDrawer(),
      s->getListBoxDrawer(),   s->getStatusBarDrawer(), s->getMenuDrawer(),
      s->getComboDrawer(),     s->getGroupBoxDrawer(),  s->getTabBoxDrawer()};
  for (size_t i = 0; i < 15; ++i) {
    EXPECT_NE(slots[i], nullptr) << "slot " << i;
    for (size_t j = 0; j < i; ++j) EXPECT_NE(slots[i], slots[j]);
  }
}

TEST(Skins, EverySkinFillsItsFifteenSlots) {
  skin::Thin* thin = skin::Thin::createPreset(3);
  expectEverySlot(thin);
  thin->release();
  skin::ThinWindow* window = skin::ThinWindow::createPreset(19);
  expectEverySlot(window);
  window->release();
}

TEST(Skins, NumbersOutsideTheTablesGiveNoSkin) {
  for (int n : {0, 5, 15, -1, 100}) EXPECT_EQ(skin::Thin::createPreset(n), nullptr) << n;
  for (int n : {0, 5, 14, 15, 20, -1}) EXPECT_EQ(skin::ThinWindow::createPreset(n), nullptr) << n;
}

TEST(Skins, AResetSkinnerGivesEverySkinAndDrawerBack) {
  Skinner* skinner = Skinner::take();
  skinner->setTypeName(u"ThinWindow");
  skinner->registerSkins();
  std::vector<ISkin*> skins;
  std::vector<s::gui::drawer::IWindow*> windows;
  for (int i = 0; i < skinner->getSkinCount(); ++i) {
    skins.push_back(skinner->getSkinAt(i));
    windows.push_back(skinner->getSkinAt(i)->getWindowDrawer());
  }
  skinner->selectSkin(0);
  skinner->release();  // back to its pool, reset
  EXPECT_EQ(std::u16string(skinner->getTypeName()), u"Basic");
  // The pools hand the given-back objects out again, last given back first, reset.
  std::vector<skin::ThinWindow*> again;
  for (size_t i = 0; i < skins.size(); ++i) again.push_back(skin::ThinWindow::take());
  for (skin::ThinWindow* s : again) {
    EXPECT_NE(std::find(skins.begin(), skins.end(), s), skins.end());
    EXPECT_EQ(s->getWindowDrawer(), nullptr);
    EXPECT_EQ(nameOf(s), u"");
  }
  for (skin::ThinWindow* s : again) s->release();
  std::vector<s::gui::drawer::window::win::Thin*> drawers;
  for (size_t i = 0; i < windows.size(); ++i)
    drawers.push_back(s::gui::drawer::window::win::Thin::take());
  for (auto* d : drawers) {
    EXPECT_NE(std::find(windows.begin(), windows.end(), d), windows.end());
    EXPECT_TRUE(d->isBackgroundTransparent());
  }
  for (auto* d : drawers) d->release();
}

TEST(ThemeFonts, LoaderRunsOnceFromManyThreadsAndFindsNoTheme) {
  std::vector<std::thread> threads;
  std::vector<int> answers(8, -1);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&answers, i] {
      LOGFONTW font{};
      font.lfHeight = 77;
      answers[static_cast<size_t>(i)] = s::gui::drawer::getThemeSystemFont(&font) ? 1
                                        : font.lfHeight == 77                     ? 0
                                                                                  : 2;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(answers, std::vector<int>(8, 0));
  s::gui::drawer::installThemeFontLookup();
  LOGFONTW font{};
  EXPECT_FALSE(s::gui::drawer::lookUpThemeFont(&font));
  s::gui::drawer::setThemeFontLookup(nullptr);
}

}  // namespace
