// The list-box drawers on a white canvas: the check-box and tree-glyph hits by level and scale,
// the row layout, the order of a row's painting (row colour, selection, drop mark, glyph, check
// box, icon, text) with the text extents it reports, the progress cell, the system-coloured and
// the thin drawers' colours, the thin one's forwarding and reset; and the list header.
#include "skin/drawer/listbox/win/Basic.h"
#include "skin/drawer/listbox/win/Thin.h"
#include "skin/drawer/listheader/win/Thin.h"

#include "gui/win/Font.h"
#include "imaging/win/BufferedImage.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::drawer::listbox::win::Basic;
using s::gui::win::Font;
using s::image::win::BufferedImage;

const COLORREF kBackground = RGB(51, 51, 51);
const COLORREF kLine = RGB(224, 224, 224);
const COLORREF kSelection = RGB(120, 120, 120);
const COLORREF kText = RGB(250, 250, 0);

class ListBoxDrawer : public testing::Test {
 protected:
  void SetUp() override {
    drawer = Basic::take();
    font.setTextColor(250, 250, 0);
    selected.setTextColor(0, 250, 250);
  }
  void TearDown() override { drawer->release(); }

  /// Paints one row of 200 x 18 with the given flags.
  void row(Page& page, bool selectedRow, bool fullRow, bool alternate, int32_t dropMark,
           int32_t side, int32_t level, bool tree, int32_t check, BufferedImage* target = nullptr,
           BufferedImage* icon = nullptr, int32_t progress = -1) {
    drawer->paintRow(&page.dc, target, 0, 0, 200, 18, 0, selectedRow, false, fullRow, alternate,
                     dropMark, side, false, u"Row", &font, &selected, level, tree, true, check,
                     icon, false, false, progress, -1, tl, tt, tr, tb);
  }

  Basic* drawer = nullptr;
  Font font;
  Font selected;
  int32_t tl = 0, tt = 0, tr = 0, tb = 0;
};

TEST_F(ListBoxDrawer, HitsOnTheTreeGlyphAndTheCheckBox) {
  AtScale scale(1);
  for (int x = 0; x < 50; ++x) {
    EXPECT_EQ(drawer->hitTreeGlyph(x, 5, 1), x >= 19 && x <= 31) << "x " << x;
    EXPECT_EQ(drawer->hitCheckBox(x, 5, true, 1), x >= 35 && x <= 49) << "x " << x;
    EXPECT_EQ(drawer->hitCheckBox(x, 5, false, 1), x >= 4 && x <= 18) << "levels need the tree";
  }
  EXPECT_FALSE(drawer->hitTreeGlyph(20, 0, 1));
  EXPECT_TRUE(drawer->hitTreeGlyph(20, 1, 1));
  EXPECT_TRUE(drawer->hitTreeGlyph(20, 15, 1));
  EXPECT_FALSE(drawer->hitTreeGlyph(20, 16, 1));
  AtScale twice(2);
  EXPECT_TRUE(drawer->hitTreeGlyph(38, 2, 1));
  EXPECT_FALSE(drawer->hitTreeGlyph(37, 2, 1));
  EXPECT_FALSE(drawer->hitTreeGlyph(38, 1, 1));
  EXPECT_TRUE(drawer->hitCheckBox(8, 31, false, 0));
  EXPECT_FALSE(drawer->hitCheckBox(38, 31, false, 0));
}

TEST_F(ListBoxDrawer, TheRowsPartsSitSideBySideAfterTheIndent) {
  AtScale scale(1);
  const Basic::RowLayout all = Basic::layoutRow(0, 0, 200, 19, 2, true, true, true);
  EXPECT_EQ(all.tree.left, 34);
  EXPECT_EQ(all.tree.right, 47);
  EXPECT_EQ(all.tree.top, 3);
  EXPECT_EQ(all.checkBox.left, 49);
  EXPECT_EQ(all.checkBox.right, 64);
  EXPECT_EQ(all.icon.left, 67);
  EXPECT_EQ(all.icon.top, 4);
  EXPECT_EQ(all.icon.bottom, 17);
  EXPECT_EQ(all.text.left, 83);
  EXPECT_EQ(all.text.right, 196);
  const Basic::RowLayout none = Basic::layoutRow(0, 0, 200, 19, 0, false, false, false);
  EXPECT_EQ(none.tree.right, none.tree.left) << "an empty part takes no room";
  EXPECT_EQ(none.text.left, 4);
}

TEST_F(ListBoxDrawer, RowColourSelectionAndDropMarks) {
  AtScale scale(1);
  Page plain(200, 18);
  row(plain, false, false, false, 0, 0, 0, false, 0);
  EXPECT_EQ(plain.color(100, 9), kBackground);
  EXPECT_EQ(tl, 4) << "the text starts after the inset";
  EXPECT_GT(tr, tl);
  EXPECT_GT(plain.count(kText), 0);
  Page alternate(200, 18);
  row(alternate, false, false, true, 0, 0, 0, false, 0);
  EXPECT_EQ(alternate.color(100, 9), kLine);

  Page sel(200, 18);
  row(sel, true, false, false, 0, 0, 0, false, 0);
  EXPECT_EQ(sel.color(4, 9), kSelection);
  EXPECT_EQ(sel.color(tr + 3, 9), kSelection) << "to the text's end and 4 more";
  EXPECT_EQ(sel.color(tr + 4, 9), kBackground);
  EXPECT_EQ(sel.color(2, 9), kBackground);
  EXPECT_EQ(sel.count(kText), 0) << "a selected row's text is in the selected font";
  Page full(200, 18);
  row(full, true, true, false, 0, 0, 0, false, 0);
  EXPECT_EQ(full.color(0, 0), kSelection);
  EXPECT_EQ(full.color(199, 17), kSelection);

  Page top(200, 18);
  row(top, false, false, false, 1, 0, 1, true, 0);
  EXPECT_EQ(top.color(34, 0), kSelection) << "indented by 15 n + 19";
  EXPECT_EQ(top.color(33, 0), kBackground);
  EXPECT_EQ(top.color(100, 1), kBackground) << "one pixel high";
  Page bottom(200, 18);
  drawer->paintRow(&bottom.dc, nullptr, 0, 0, 200, 18, 0, false, false, false, false, 1, 1, true,
                   u"Row", &font, &selected, 0, false, false, 0, nullptr, false, false, -1, -1, tl,
                   tt, tr, tb);
  EXPECT_EQ(bottom.color(0, 17), kSelection) << "wide, at the bottom, no indent without tree";
  EXPECT_EQ(bottom.color(0, 16), kSelection);
  EXPECT_EQ(bottom.color(0, 15), kBackground);
}

TEST_F(ListBoxDrawer, TreeGlyphsAndCheckBoxesInTheTextColour) {
  AtScale scale(1);
  Page tree(200, 18);
  row(tree, false, false, false, 0, 0, 0, true, 0);
  int inTree = 0;
  for (int y = 0; y < 18; ++y) {
    for (int x = 4; x < 17; ++x) inTree += tree.color(x, y) == kText ? 1 : 0;
  }
  EXPECT_GT(inTree, 0) << "the open node's glyph";

  for (int state = 1; state <= 3; ++state) {
    Page page(200, 18);
    row(page, false, false, false, 0, 0, 0, false, state);
    const Basic::RowLayout at = Basic::layoutRow(0, 0, 200, 18, 0, false, true, false);
    const int x = at.checkBox.left, y = at.checkBox.top;
    EXPECT_EQ(page.color(x, y), kText) << "the box in the text colour, state " << state;
    EXPECT_EQ(page.color(x + 1, y + 7), kText);
    EXPECT_EQ(page.color(x + 14, y + 14), kText);
    EXPECT_EQ(page.color(x + 2, y + 2), kBackground) << "inside in the row colour";
    EXPECT_EQ(page.color(x + 4, y + 4) == kText, state == 3) << "the mixed square";
    int marks = 0;
    for (int yy = y + 3; yy < y + 12; ++yy) {
      for (int xx = x + 3; xx < x + 12; ++xx) marks += page.color(xx, yy) == kText ? 1 : 0;
    }
    EXPECT_EQ(marks > 0, state >= 2) << "state " << state;
  }
}

TEST_F(ListBoxDrawer, TheIconGoesIntoTheTargetImage) {
  AtScale scale(1);
  BufferedImage* target = BufferedImage::takeSized(200, 18);
  target->fill(255, 255, 255, 255);
  BufferedImage* icon = BufferedImage::takeSized(13, 13);
  icon->fill(255, 0, 0, 255);
  Page page(200, 18);
  row(page, false, false, false, 0, 0, 0, false, 0, target, icon);
  const Basic::RowLayout at = Basic::layoutRow(0, 0, 200, 18, 0, false, false, true);
  const uint8_t* pixel = target->getLine(at.icon.top) + at.icon.left * 4;
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[2], 0) << "blue from the icon at its box";
  EXPECT_EQ(tl, at.text.left) << "the text after the icon";
  icon->release();
  target->release();
}

TEST_F(ListBoxDrawer, AProgressCellShowsABarInAFramedField) {
  AtScale scale(1);
  struct Case {
    int32_t progress;
    COLORREF bar;
  };
  for (const Case& c :
       {Case{500, RGB(134, 196, 64)}, Case{2500, RGB(170, 170, 170)}, Case{4500, RGB(255, 0, 0)}}) {
    Page page(200, 18);
    row(page, false, false, false, 0, 0, 0, false, 0, nullptr, nullptr, c.progress);
    EXPECT_EQ(page.color(4, 1), RGB(240, 240, 240)) << c.progress;
    EXPECT_EQ(page.color(6, 3), c.bar) << c.progress;
    EXPECT_EQ(page.color(190, 3), RGB(255, 255, 255)) << "half the field, " << c.progress;
    EXPECT_EQ(page.count(kText), 0) << "the cell's text is white";
  }
}

TEST_F(ListBoxDrawer, ColoursForPlainListsAndReset) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_listbox_win_Basic");
  EXPECT_EQ(drawer->getSelectionColor(), kSelection);
  EXPECT_EQ(drawer->getBackgroundColor(), kBackground);
  EXPECT_EQ(drawer->getLineColor(), kLine);
  Basic* plain = Basic::createWithSystemColors();
  EXPECT_EQ(plain->getBackgroundColor(), RGB(255, 255, 255));
  EXPECT_EQ(plain->getFontSetting()->getTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(plain->getSelectionColor(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(plain->getSelectedFontSetting()->getTextColor(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(plain->getLineRed(), 238);
  EXPECT_EQ(plain->setLineColor(300, 1, 1), 44);
  Font normal, chosen;
  plain->applyToFonts(&normal, &chosen);
  EXPECT_EQ(chosen.getTextColor(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  plain->release();
  Page empty(50, 20);
  drawer->paintBackground(&empty.dc, 0, 0, 0, 20);
  drawer->paintRow(&empty.dc, nullptr, 0, 5, 50, 5, 0, true, true, true, true, 1, 0, true, u"x",
                   &font, &selected, 0, true, true, 2, nullptr, false, false, 500, 0, tl, tt, tr,
                   tb);
  EXPECT_TRUE(empty.blank());
  drawer->paintBackground(&empty.dc, 0, 0, 50, 20);
  EXPECT_EQ(empty.count(kBackground), 1000);
}

TEST(ListBoxThin, ForwardsToItsInnerDrawerWithItsOwnColours) {
  using s::gui::drawer::listbox::win::Thin;
  Thin* thin = Thin::take();
  EXPECT_EQ(std::u16string(thin->getClassName()), u"s_gui_drawer_listbox_win_Thin");
  s::gui::drawer::listbox::IBasic* inner = thin->getInnerDrawer();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(thin->getSelectionColor(), RGB(120, 120, 120));
  EXPECT_EQ(thin->getBackgroundColor(), RGB(51, 51, 51));
  EXPECT_EQ(thin->getLineColor(), RGB(243, 243, 243));
  thin->setBackgroundColor(1, 2, 3);
  EXPECT_EQ(inner->getBackgroundColor(), RGB(1, 2, 3));
  EXPECT_EQ(thin->getFontSetting(), inner->getFontSetting());
  EXPECT_EQ(thin->getSelectedFontSetting(), inner->getSelectedFontSetting());
  EXPECT_EQ(thin->hitTreeGlyph(20, 5, 1), inner->hitTreeGlyph(20, 5, 1));
  Page viaThin(40, 20), viaInner(40, 20);
  thin->paintBackground(&viaThin.dc, 0, 0, 40, 20);
  inner->paintBackground(&viaInner.dc, 0, 0, 40, 20);
  EXPECT_EQ(viaThin.canvas.hash(), viaInner.canvas.hash());
  thin->release();

  Thin* coloured =
      Thin::createWithColors(10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42, 50, 51, 52);
  EXPECT_EQ(coloured->getBackgroundColor(), RGB(10, 11, 12));
  EXPECT_EQ(coloured->getFontSetting()->getTextColor(), RGB(20, 21, 22));
  EXPECT_EQ(coloured->getSelectionColor(), RGB(30, 31, 32));
  EXPECT_EQ(coloured->getSelectedFontSetting()->getTextColor(), RGB(40, 41, 42));
  EXPECT_EQ(coloured->getLineColor(), RGB(50, 51, 52));
  coloured->release();
  Thin* again = Thin::take();
  EXPECT_EQ(again->getBackgroundColor(), RGB(51, 51, 51)) << "reset recolours the inner drawer";
  EXPECT_EQ(again->getLineColor(), RGB(243, 243, 243));
  again->release();
}

TEST(ListHeaderThin, FillsTheBandAndPaintsCaptionsAsButtons) {
  using s::gui::drawer::listheader::win::Thin;
  AtScale scale(1);
  Thin* header = Thin::take();
  EXPECT_EQ(std::u16string(header->getClassName()), u"s_gui_drawer_listheader_win_Thin");
  EXPECT_EQ(header->getRowHeight(), 22);
  EXPECT_EQ(header->getFillRed(), 51);
  EXPECT_EQ(header->getBackgroundRed(), 120);
  EXPECT_TRUE(header->isPressedShift());
  EXPECT_EQ(header->getButtonDrawer()->getStyle(), 0);
  EXPECT_TRUE(header->getButtonDrawer()->getShiftWhenPressed());
  Page band(60, 22);
  header->paint(&band.dc, 0, 0, 60, 22, false, 0, 0, 0);
  EXPECT_EQ(band.count(RGB(51, 51, 51)), 60 * 22);
  header->paint(&band.dc, 0, 0, 60, 22, true, 9, 8, 7);
  EXPECT_EQ(band.count(RGB(9, 8, 7)), 60 * 22);

  header->setBackgroundColor(200, 0, 0);
  EXPECT_EQ(header->getButtonDrawer()->getFrameRed(), 200) << "the captions' frame colour";
  header->setPressedShift(false);
  EXPECT_FALSE(header->getButtonDrawer()->getShiftWhenPressed());
  Font font;
  header->applyToFonts(&font, nullptr);
  Page caption(60, 22);
  header->paintText(&caption.dc, 0, 0, 60, 22, 1, u"Name", &font);
  EXPECT_PAINTED(caption.canvas, 0x02aeae661ceb9e52ull, "listheader_thin_caption");
  EXPECT_FALSE(caption.blank());
  Page empty(60, 22);
  header->paintText(&empty.dc, 0, 0, 0, 22, 1, u"Name", &font);
  header->paint(&empty.dc, 0, 0, 60, 0, false, 0, 0, 0);
  EXPECT_TRUE(empty.blank());
  header->setRowHeight(30);
  header->release();
  Thin* again = Thin::take();
  EXPECT_EQ(again->getRowHeight(), 22);
  EXPECT_EQ(again->getBackgroundRed(), 120);
  again->release();
}

}  // namespace
