// Every colour of every preset as the skins' drawers read it back, against a copy of the
// preset tables kept here as plain triples (a slip in one of the 29 rows shows as the preset and
// the colour it is in).
#include "gui/IFontSetting.h"
#include "gui/drawer/ICounter.h"
#include "gui/drawer/IText.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/groupbox/win/Thin.h"
#include "skin/drawer/listbox/win/Thin.h"
#include "skin/drawer/scrollbar/win/Thin.h"
#include "skin/drawer/skin/Thin.h"
#include "skin/drawer/skin/ThinWindow.h"
#include "skin/drawer/slider/win/Thin.h"
#include "skin/drawer/window/win/Thin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace drawer = s::gui::drawer;

struct Triple {
  int r, g, b;
  COLORREF packed() const { return RGB(r, g, b); }
};

struct ThinRow {
  int number;
  const char16_t* name;
  Triple c[6];
};

struct ThinWindowRow {
  int number;
  const char16_t* name;
  Triple w[15];
};

// The tables keep one preset a line, as they are read against their source.
// clang-format off
const ThinRow kThinRows[] = {
    {1, u"Black", {{51, 51, 51}, {176, 176, 176}, {255, 255, 255}, {176, 176, 176}, {213, 235, 107}, {255, 165, 0}}},
    {2, u"Light Gray", {{240, 238, 228}, {0, 0, 0}, {0, 0, 0}, {176, 176, 176}, {176, 176, 176}, {255, 165, 0}}},
    {3, u"White", {{255, 255, 255}, {68, 68, 68}, {0, 0, 0}, {119, 119, 119}, {176, 176, 176}, {255, 165, 0}}},
    {4, u"Ivory", {{236, 233, 216}, {0, 0, 0}, {0, 0, 0}, {168, 162, 128}, {168, 162, 128}, {255, 165, 0}}},
    {6, u"Sky Blue", {{255, 255, 255}, {87, 133, 255}, {0, 0, 0}, {87, 133, 255}, {87, 133, 255}, {255, 165, 0}}},
    {7, u"Yellow", {{255, 255, 255}, {224, 206, 0}, {0, 0, 0}, {224, 206, 0}, {224, 206, 0}, {255, 165, 0}}},
    {8, u"Pink", {{255, 255, 255}, {255, 93, 162}, {0, 0, 0}, {255, 93, 162}, {255, 93, 162}, {255, 165, 0}}},
    {9, u"Salmon Red", {{255, 48, 92}, {255, 189, 203}, {255, 255, 255}, {255, 189, 203}, {255, 189, 203}, {255, 165, 0}}},
    {10, u"Green", {{255, 255, 255}, {143, 175, 17}, {0, 51, 0}, {143, 175, 17}, {143, 175, 17}, {255, 165, 0}}},
    {11, u"Khaki", {{62, 92, 0}, {146, 185, 65}, {255, 255, 255}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {12, u"Indigo", {{75, 0, 130}, {192, 125, 255}, {255, 255, 255}, {192, 125, 255}, {192, 125, 255}, {255, 165, 0}}},
    {13, u"Orange", {{255, 255, 255}, {221, 135, 2}, {0, 0, 0}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {14, u"Green2", {{213, 235, 107}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 165, 0}}},
};

// W1 window background, W2 window border, W3 disabled, W4 control frame, W5 group frame, W6 text,
// W7 text shade, W8 fill, W9 selection, W10 selected text, W11 list background, W12 list text,
// W13 list line, W14 and W15 the counter's colours.
const ThinWindowRow kThinWindowRows[] = {
    {1, u"Black", {{51, 51, 51}, {85, 85, 85}, {85, 85, 85}, {176, 176, 176}, {176, 176, 176}, {255, 255, 255}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {2, u"Ivory", {{242, 240, 230}, {0, 0, 0}, {170, 170, 170}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {238, 238, 238}, {176, 176, 176}, {176, 176, 176}, {240, 238, 228}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {176, 176, 176}, {255, 165, 0}}},
    {3, u"White", {{255, 255, 255}, {68, 68, 68}, {204, 204, 204}, {68, 68, 68}, {68, 68, 68}, {0, 0, 0}, {238, 238, 238}, {119, 119, 119}, {119, 119, 119}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {119, 119, 119}, {255, 165, 0}}},
    {4, u"Beige", {{236, 233, 216}, {0, 0, 0}, {170, 170, 170}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {238, 238, 238}, {168, 162, 128}, {168, 162, 128}, {236, 233, 216}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {168, 162, 128}, {255, 165, 0}}},
    {6, u"Sky Blue", {{194, 223, 255}, {87, 133, 255}, {87, 133, 255}, {87, 133, 255}, {87, 133, 255}, {0, 0, 0}, {238, 238, 238}, {87, 133, 255}, {87, 133, 255}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {87, 133, 255}, {255, 165, 0}}},
    {7, u"Yellow", {{252, 255, 91}, {224, 206, 0}, {224, 206, 0}, {224, 206, 0}, {224, 206, 0}, {0, 0, 0}, {238, 238, 238}, {224, 206, 0}, {224, 206, 0}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {168, 255, 83}, {255, 165, 0}}},
    {8, u"Pink", {{255, 194, 230}, {255, 93, 162}, {255, 93, 162}, {255, 93, 162}, {255, 93, 162}, {0, 0, 0}, {238, 238, 238}, {255, 93, 162}, {255, 93, 162}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 48, 92}, {255, 165, 0}}},
    {9, u"Salmon Red", {{255, 48, 92}, {255, 189, 203}, {255, 189, 203}, {255, 189, 203}, {255, 189, 203}, {255, 255, 255}, {51, 51, 51}, {255, 189, 203}, {255, 189, 203}, {255, 48, 92}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 194, 230}, {255, 165, 0}}},
    {10, u"Green", {{184, 255, 61}, {129, 160, 7}, {129, 160, 7}, {129, 160, 7}, {129, 160, 7}, {0, 0, 0}, {238, 238, 238}, {143, 175, 17}, {143, 175, 17}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {143, 175, 17}, {255, 165, 0}}},
    {11, u"Khaki", {{62, 92, 0}, {146, 185, 65}, {146, 185, 65}, {146, 185, 65}, {146, 185, 65}, {255, 255, 255}, {51, 51, 51}, {221, 135, 2}, {221, 135, 2}, {62, 92, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {12, u"Indigo", {{49, 0, 130}, {192, 125, 255}, {192, 125, 255}, {192, 125, 255}, {192, 125, 255}, {255, 255, 255}, {51, 51, 51}, {195, 158, 255}, {195, 158, 255}, {49, 0, 130}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {192, 125, 255}, {255, 165, 0}}},
    {13, u"Orange", {{255, 207, 61}, {221, 135, 2}, {221, 135, 2}, {221, 135, 2}, {221, 135, 2}, {0, 0, 0}, {238, 238, 238}, {221, 135, 2}, {221, 135, 2}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 255, 255}, {255, 165, 0}}},
    {16, u"Black II", {{51, 51, 51}, {85, 85, 85}, {85, 85, 85}, {176, 176, 176}, {176, 176, 176}, {221, 221, 221}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {17, u"Black Black", {{0, 0, 0}, {51, 51, 51}, {51, 51, 51}, {176, 176, 176}, {176, 176, 176}, {255, 255, 255}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {18, u"Black Black II", {{0, 0, 0}, {51, 51, 51}, {51, 51, 51}, {176, 176, 176}, {176, 176, 176}, {221, 221, 221}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {19, u"Classic LG", {{116, 116, 116}, {17, 17, 17}, {86, 86, 86}, {17, 17, 17}, {17, 17, 17}, {255, 255, 255}, {51, 51, 51}, {116, 116, 116}, {25, 25, 25}, {255, 255, 255}, {49, 49, 49}, {191, 191, 191}, {56, 56, 56}, {195, 234, 0}, {25, 25, 25}}},
};
// clang-format on

/// The colours a skin's drawers hold, read back through their getters.
struct ReadBack {
  COLORREF windowBackground, windowBorder;
  COLORREF text, disabledText, textShade;
  COLORREF scrollThumb, scrollTrack;
  COLORREF sliderThumb, sliderFill, sliderDisabled;
  COLORREF groupFrame;
  COLORREF counterFirst, counterSecond;
  COLORREF listBackground, listText, listSelection, listSelectedText, listLine;
};

ReadBack readBack(drawer::ISkin* skin) {
  ReadBack r{};
  auto* window = dynamic_cast<drawer::window::win::Thin*>(skin->getWindowDrawer());
  auto* scroll = dynamic_cast<drawer::scrollbar::win::Thin*>(skin->getScrollBarDrawer());
  auto* slider = dynamic_cast<drawer::slider::win::Thin*>(skin->getSliderDrawer());
  auto* group = dynamic_cast<drawer::groupbox::win::Thin*>(skin->getGroupBoxDrawer());
  auto* list = dynamic_cast<drawer::listbox::win::Thin*>(skin->getListBoxDrawer());
  drawer::ICounter* counter = skin->getCounterDrawer();
  drawer::IText* text = skin->getTextDrawer();
  EXPECT_TRUE(window && scroll && slider && group && list && counter && text)
      << "a skin lacks a drawer";
  if (!(window && scroll && slider && group && list && counter && text)) return r;
  r.windowBackground = window->getBackgroundColor();
  r.windowBorder =
      drawer::packColor(window->getBorderRed(), window->getBorderGreen(), window->getBorderBlue());
  r.text = text->getFontSetting()->getTextColor();
  r.disabledText = text->getDisabledFontSetting()->getTextColor();
  r.textShade = text->getFontSetting()->getEffectColor2();
  r.scrollThumb = scroll->getThumbColor();
  r.scrollTrack = scroll->getTrackColor();
  r.sliderThumb = slider->getThumbColor();
  r.sliderFill =
      drawer::packColor(slider->getFillRed(), slider->getFillGreen(), slider->getFillBlue());
  r.sliderDisabled = slider->getDisabledColor();
  r.groupFrame = group->getFrameColor();
  r.counterFirst =
      drawer::packColor(counter->getFirstRed(), counter->getFirstGreen(), counter->getFirstBlue());
  r.counterSecond = drawer::packColor(counter->getSecondRed(), counter->getSecondGreen(),
                                      counter->getSecondBlue());
  r.listBackground = list->getBackgroundColor();
  r.listText = list->getFontSetting()->getTextColor();
  r.listSelection = list->getSelectionColor();
  r.listSelectedText = list->getSelectedFontSetting()->getTextColor();
  r.listLine = list->getLineColor();
  return r;
}

TEST(PresetTable, EveryThinPresetHoldsItsSixColours) {
  for (const ThinRow& row : kThinRows) {
    drawer::skin::Thin* skin = drawer::skin::Thin::createPreset(row.number);
    ASSERT_NE(skin, nullptr) << row.number;
    SCOPED_TRACE(testing::Message() << "Thin preset " << row.number);
    EXPECT_EQ(std::u16string(skin->getName()), row.name);
    const ReadBack r = readBack(skin);
    const COLORREF background = row.c[0].packed(), frame = row.c[1].packed(),
                   text = row.c[2].packed();
    EXPECT_EQ(r.windowBackground, background);
    EXPECT_EQ(r.scrollTrack, background);
    EXPECT_EQ(r.listBackground, background);
    EXPECT_EQ(r.listSelectedText, background);
    EXPECT_EQ(r.windowBorder, frame);
    EXPECT_EQ(r.scrollThumb, frame);
    EXPECT_EQ(r.sliderThumb, frame);
    EXPECT_EQ(r.groupFrame, frame);
    EXPECT_EQ(r.listSelection, frame);
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.disabledText, text);
    EXPECT_EQ(r.listText, text);
    EXPECT_EQ(r.sliderFill, row.c[3].packed());
    EXPECT_EQ(r.counterFirst, row.c[4].packed());
    EXPECT_EQ(r.counterSecond, row.c[5].packed());
    EXPECT_EQ(r.listLine, RGB(243, 243, 243)) << "the one fixed list line colour";
    skin->release();
  }
}

TEST(PresetTable, EveryThinWindowPresetHoldsItsFifteenColours) {
  for (const ThinWindowRow& row : kThinWindowRows) {
    drawer::skin::ThinWindow* skin = drawer::skin::ThinWindow::createPreset(row.number);
    ASSERT_NE(skin, nullptr) << row.number;
    SCOPED_TRACE(testing::Message() << "ThinWindow preset " << row.number);
    EXPECT_EQ(std::u16string(skin->getName()), row.name);
    const ReadBack r = readBack(skin);
    auto w = [&row](int n) { return row.w[n - 1].packed(); };
    EXPECT_EQ(r.windowBackground, w(1));
    EXPECT_EQ(r.windowBorder, w(2));
    EXPECT_EQ(r.disabledText, w(3));
    EXPECT_EQ(r.sliderDisabled, w(3));
    EXPECT_EQ(r.scrollThumb, w(4));
    EXPECT_EQ(r.sliderThumb, w(4));
    EXPECT_EQ(r.groupFrame, w(5));
    EXPECT_EQ(r.text, w(6));
    EXPECT_EQ(r.textShade, w(7));
    EXPECT_EQ(r.scrollTrack, w(8));
    EXPECT_EQ(r.sliderFill, w(8));
    EXPECT_EQ(r.listSelection, w(9));
    EXPECT_EQ(r.listSelectedText, w(10));
    EXPECT_EQ(r.listBackground, w(11));
    EXPECT_EQ(r.listText, w(12));
    EXPECT_EQ(r.listLine, w(13));
    EXPECT_EQ(r.counterFirst, w(14));
    EXPECT_EQ(r.counterSecond, w(15));
    skin->release();
  }
}

}  // namespace
