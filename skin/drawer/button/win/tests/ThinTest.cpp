// The thin button drawer: its reset values after reuse, the setters' low-8-bit rule, the frame
// and glyph colour rules, the content shift when pressed, glyphs before labels, and the label
// rectangle of a flat button.
#include "skin/drawer/button/win/Thin.h"

#include "gui/IFontSetting.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

namespace {

using s::gui::drawer::button::win::Thin;

constexpr uint32_t kPaper = 0xFFFFFFFF;

class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  /// The smallest rectangle of pixels in `color` (RRGGBB); empty when there are none.
  RECT extent(uint32_t color) const {
    RECT box{canvas.width(), canvas.height(), 0, 0};
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        if (rgb(x, y) != color) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    return box.right == 0 ? RECT{0, 0, 0, 0} : box;
  }
  Canvas canvas;
  CDC dc;
};

class ButtonDrawer : public testing::Test {
 protected:
  void SetUp() override {
    drawer = Thin::take();
    drawer->setBorderShaded(false);  // every edge in the frame colour, so colours read back plainly
  }
  void TearDown() override { drawer->release(); }
  Thin* drawer = nullptr;
};

TEST_F(ButtonDrawer, ReuseRestoresEveryResetValue) {
  drawer->setAccentColor(1, 2, 3);
  drawer->setFirstFlag(false);
  drawer->setSecondFlag(false);
  drawer->setShiftWhenPressed(true);
  drawer->setStyle(2);
  drawer->setFrameColor(1, 1, 1);
  drawer->setDisabledColor(1, 1, 1);
  drawer->setToggledFrameColor(1, 1, 1);
  drawer->setToggledBackgroundColor(1, 1, 1);
  drawer->getLabelDrawer()->setLineMode(0);
  drawer->getFontSetting()->setTextColor(9, 9, 9);
  drawer->release();
  drawer = Thin::take();
  EXPECT_EQ(drawer->getAccentColor(), 0x6BEBD5u);
  EXPECT_TRUE(drawer->getFirstFlag());
  EXPECT_TRUE(drawer->getSecondFlag());
  EXPECT_FALSE(drawer->getShiftWhenPressed());
  EXPECT_EQ(drawer->getStyle(), 1);
  EXPECT_EQ(drawer->getFrameRed() * 65536 + drawer->getFrameGreen() * 256 + drawer->getFrameBlue(),
            0x787878);
  EXPECT_EQ(drawer->getDisabledRed(), 0x78);
  EXPECT_EQ(drawer->getToggledFrameColor(), 0x787878u);
  EXPECT_EQ(drawer->getToggledBackgroundRed(), 0x78);
  EXPECT_EQ(drawer->getLabelDrawer()->getLineMode(), 1);
  EXPECT_EQ(drawer->getSecondTextDrawer()->getLineMode(), 1);
  EXPECT_NE(drawer->getFontSetting()->getTextColor(), 0x090909u);
  EXPECT_TRUE(drawer->getBorderDrawer()->isShaded());

  EXPECT_EQ(drawer->setFrameColor(300, 20, 5), 44);
  EXPECT_EQ(drawer->getFrameRed(), 44);
  EXPECT_EQ(drawer->getFrameGreen(), 20);
  EXPECT_EQ(drawer->getFrameBlue(), 5);
  EXPECT_EQ(drawer->setToggledBackgroundColor(-1, 256, 7), 255);
  EXPECT_EQ(drawer->getToggledBackgroundGreen(), 0);

  Thin* made = Thin::createWithColor(10, 20, 30);
  EXPECT_FALSE(made->getFirstFlag());
  EXPECT_TRUE(made->getSecondFlag());
  EXPECT_TRUE(made->getShiftWhenPressed());
  EXPECT_EQ(made->getFrameBlue(), 30);
  made->release();
}

TEST_F(ButtonDrawer, DisabledButtonsTakeTheDisabledColourForFrameAndGlyph) {
  drawer->setFrameColor(0, 0, 200);
  drawer->setDisabledColor(200, 0, 0);
  Page enabled(30, 30);
  drawer->paint(&enabled.dc, 0, 0, 30, 30, 0, u"#X", true, nullptr, true, false, true);
  EXPECT_EQ(enabled.rgb(0, 15), 0x0000C8u);
  EXPECT_EQ(enabled.extent(0xC80000).right, 0);
  Page disabled(30, 30);
  drawer->paint(&disabled.dc, 0, 0, 30, 30, 0, u"#X", true, nullptr, false, false, true);
  EXPECT_EQ(disabled.rgb(0, 15), 0xC80000u);
  // The glyph sits in the content rectangle (inset by 2) in the same colour.
  const RECT glyph = disabled.extent(0xC80000);
  EXPECT_EQ(disabled.rgb(15, 15), 0xC80000u);
  EXPECT_EQ(glyph.left, 0);
  EXPECT_EQ(disabled.extent(0x0000C8).right, 0);
}

TEST_F(ButtonDrawer, PressedContentSitsTwoScaleUnitsLowerAndFurtherRightThanHovered) {
  drawer->setShiftWhenPressed(true);
  drawer->setFrameColor(0, 0, 200);
  auto glyphBox = [&](int state) {
    Page page(40, 40);
    // Inactive and flat: no frame, so only the glyph is painted.
    drawer->paint(&page.dc, 0, 0, 40, 40, state, u"#Stop", false, nullptr, true, false, false);
    return page.extent(0x0000C8);
  };
  const RECT hovered = glyphBox(1);
  const RECT pressed = glyphBox(2);
  ASSERT_NE(hovered.right, 0);
  EXPECT_EQ(pressed.left - hovered.left, 2);
  EXPECT_EQ(pressed.top - hovered.top, 2);
  // A toggled button exchanges the two.
  Page page(40, 40);
  drawer->paint(&page.dc, 0, 0, 40, 40, 2, u"#Stop", false, nullptr, true, true, false);
  EXPECT_EQ(page.extent(0x787878).left, 0);  // the toggled fill and frame in the toggled colours
}

TEST_F(ButtonDrawer, FramesFollowActiveToggledAndFramed) {
  drawer->setFrameColor(0, 0, 200);
  drawer->setToggledFrameColor(0, 200, 0);
  drawer->setToggledBackgroundColor(200, 0, 0);
  {
    // Inactive, untoggled, framed: look 3 has no bottom band.
    Page page(20, 10);
    drawer->paint(&page.dc, 0, 0, 20, 10, 0, nullptr, false, nullptr, true, false, true);
    EXPECT_EQ(page.rgb(10, 0), 0x0000C8u);
    EXPECT_EQ(page.rgb(10, 9), 0xFFFFFFu);
  }
  {
    // Flat and inactive: nothing at all.
    Page page(20, 10);
    drawer->paint(&page.dc, 0, 0, 20, 10, 0, u"", false, nullptr, true, false, false);
    EXPECT_EQ(page.extent(0xFFFFFF).right - page.extent(0xFFFFFF).left, 20);
    EXPECT_EQ(page.extent(0x0000C8).right, 0);
  }
  {
    // Active and toggled: the inside filled with the toggled background, framed in the toggled
    // frame colour.
    Page page(20, 10);
    drawer->paint(&page.dc, 0, 0, 20, 10, 0, nullptr, true, nullptr, true, true, true);
    EXPECT_EQ(page.rgb(10, 5), 0xC80000u);
    EXPECT_EQ(page.rgb(10, 0), 0x00C800u);
  }
  {
    // Inactive, toggled and framed: the fill starts one row lower.
    Page page(20, 10);
    drawer->paint(&page.dc, 0, 0, 20, 10, 0, nullptr, false, nullptr, true, true, true);
    EXPECT_EQ(page.rgb(10, 0), 0xFFFFFFu);
    EXPECT_EQ(page.rgb(10, 1), 0x00C800u);
  }
  // An empty rectangle paints nothing.
  Page page(20, 10);
  drawer->paint(&page.dc, 5, 5, 5, 9, 0, u"#X", true, nullptr, true, false, true);
  EXPECT_EQ(page.extent(0x0000C8).right, 0);
}

TEST_F(ButtonDrawer, PaintGlyphAnswersWhetherItDrew) {
  Page page(20, 20);
  EXPECT_TRUE(drawer->paintGlyph(&page.dc, 0, 0, 20, 20, u"#Down", 0, 0, 200));
  EXPECT_NE(page.extent(0x0000C8).right, 0);
  Page none(20, 20);
  EXPECT_FALSE(drawer->paintGlyph(&none.dc, 0, 0, 20, 20, u"OK", 0, 0, 200));
  EXPECT_FALSE(drawer->paintGlyph(&none.dc, 0, 0, 20, 20, u"#", 0, 0, 200));
  EXPECT_EQ(none.extent(0xFFFFFF).right - none.extent(0xFFFFFF).left, 20);
}

}  // namespace
