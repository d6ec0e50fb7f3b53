// The thin combo drawer on a white canvas: where the text, the separator and the arrow go in each
// button state at scales 1 and 2 (hashes, with the offsets checked), the frame colour reaching
// the button drawer, text colours in the font settings, reset after reuse, empty rectangles.
#include "skin/drawer/combo/win/Thin.h"

#include "gui/win/Font.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::drawer::combo::win::Thin;
using s::gui::win::Font;

const COLORREF kFrame = RGB(0, 0, 200);

bool reddish(uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) > 140 && ((rgb >> 8) & 0xFF) < 110 && (rgb & 0xFF) < 110;
}

/// The leftmost column holding the text's red ink; -1 when there is none.
int textLeft(const Page& page) {
  for (int x = 0; x < page.canvas.width(); ++x) {
    for (int y = 0; y < page.canvas.height(); ++y) {
      if (reddish(page.rgb(x, y))) return x;
    }
  }
  return -1;
}

/// The separator: the first column from `from` on with the frame colour in row y.
int separatorAt(const Page& page, int from, int y) {
  for (int x = from; x < page.canvas.width(); ++x) {
    if (page.color(x, y) == kFrame) return x;
  }
  return -1;
}

class ComboDrawer : public testing::Test {
 protected:
  void SetUp() override {
    drawer = Thin::take();
    drawer->setFrameColor(0, 0, 200);
    font.setTextColor(220, 0, 0);
  }
  void TearDown() override { drawer->release(); }
  Thin* drawer = nullptr;
  Font font;
};

TEST_F(ComboDrawer, TextSeparatorAndArrowMoveWithTheState) {
  const uint64_t hashes[2][3] = {
      {0x89052e0615ea3519ull, 0x2f55142cfd4a31e5ull, 0xc85e22fa95eaba49ull},
      {0x39d134d26511cef7ull, 0x1e87ec33bf855a4dull, 0xfd94ce1aee0e0fe3ull}};
  for (int32_t s : {1, 2}) {
    AtScale scale(static_cast<uint32_t>(s));
    const int width = 100 * s;
    const int height = 24 * s;
    int lefts[3] = {0, 0, 0};
    int separators[3] = {0, 0, 0};
    for (int state = 0; state < 3; ++state) {
      Page page(width, height);
      drawer->paint(&page.dc, 0, 0, width, height, state, u"Ab", &font, true);
      EXPECT_PAINTED(page.canvas, hashes[s - 1][state],
                     "combo_thin_s" + std::to_string(s) + "_state" + std::to_string(state));
      lefts[state] = textLeft(page);
      separators[state] = separatorAt(page, width - 20 * s, height / 2);
    }
    EXPECT_EQ(lefts[1], lefts[0] - s) << "raised: the text starts 3 s in, not 4 s";
    EXPECT_EQ(lefts[2], lefts[0] + s) << "pushed: 5 s in";
    EXPECT_EQ(separators[0], width - 15 * s + s);
    EXPECT_EQ(separators[1], separators[0] - s);
    EXPECT_EQ(separators[2], separators[0] + s) << "the arrow side moves right when pushed";
  }
}

TEST_F(ComboDrawer, TheSeparatorRunsFromTwoScaledPixelsBelowTheMovedTop) {
  AtScale scale(1);
  Page page(100, 24);
  drawer->paint(&page.dc, 0, 0, 100, 24, 0, nullptr, nullptr, true);
  // State 0 moves the top down and the bottom up by s: the separator spans 3 to 20.
  EXPECT_NE(page.color(86, 2), kFrame);
  EXPECT_EQ(page.color(86, 3), kFrame);
  EXPECT_EQ(page.color(86, 20), kFrame);
  EXPECT_NE(page.color(86, 21), kFrame);
  EXPECT_EQ(page.color(85, 12), page.color(87, 12)) << "one pixel wide";
  Page pushed(100, 24);
  drawer->paint(&pushed.dc, 0, 0, 100, 24, 2, nullptr, nullptr, true);
  EXPECT_NE(pushed.color(87, 3), kFrame);
  EXPECT_EQ(pushed.color(87, 4), kFrame);
  EXPECT_EQ(pushed.color(87, 21), kFrame);
}

TEST_F(ComboDrawer, ColoursResetAndEmptyRectangles) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_combo_win_Thin");
  EXPECT_EQ(drawer->getFrameColor(), kFrame);
  EXPECT_EQ(drawer->getButtonDrawer()->getFrameBlue(), 200) << "the button is framed alike";
  EXPECT_EQ(drawer->setTextColor(300, 1, 2), 44);
  EXPECT_EQ(drawer->setDisabledTextColor(3, 4, 5), 3);
  Font normal, disabled;
  drawer->applyToFonts(&normal, &disabled);
  EXPECT_EQ(normal.getTextColor(), RGB(44, 1, 2));
  EXPECT_EQ(disabled.getTextColor(), RGB(3, 4, 5));
  Page empty(40, 20);
  drawer->paint(&empty.dc, 10, 0, 10, 20, 0, u"x", &font, true);
  drawer->paint(&empty.dc, 0, 15, 40, 15, 1, u"x", &font, true);
  EXPECT_TRUE(empty.blank());

  drawer->release();
  drawer = Thin::take();
  EXPECT_EQ(drawer->getFrameColor(), RGB(0, 0, 0));
  EXPECT_EQ(drawer->getTextDrawer()->getLineMode(), 0);
  EXPECT_EQ(drawer->getTextDrawer()->getFontSetting()->getTextColor(), RGB(0, 0, 0));
}

}  // namespace
