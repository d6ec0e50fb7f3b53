// The basic menu drawer on a white canvas: the layout's running rectangles and sizes with the
// combo mode's additions; bar painting with the hot fill, the last entry at the right and as a
// link, the pressed shift; combo mode through the combo drawer; colours and reset; nothing for an
// empty rectangle.
#include "skin/drawer/menu/win/Basic.h"

#include "gui/win/Font.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::Page;
using s::gui::drawer::menu::win::Basic;
using s::gui::win::Font;

const COLORREF kSelection = RGB(0, 120, 0);

/// The width and height DrawText gives a one-line text in the font.
SIZE extentOf(const char16_t* text, Font& font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.m_hObject);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class MenuDrawer : public testing::Test {
 protected:
  void SetUp() override {
    drawer = Basic::take();
    drawer->setSelectionColor(0, 120, 0);
    font.setTextColor(0, 0, 0);
    hot.setTextColor(255, 255, 255);
  }
  void TearDown() override { drawer->release(); }

  void layOut(bool combo = false) {
    drawer->layout(nullptr, entries, rects, 3, &font, minW, minH, prefW, prefH, 6, 3, combo);
  }

  Basic* drawer = nullptr;
  Font font;
  Font hot;
  const WCHAR* entries[3] = {u"File", u"View", u"About"};
  RECT rects[3] = {};
  int32_t minW = -1, minH = -1, prefW = -1, prefH = -1;
};

TEST_F(MenuDrawer, LayoutRunsTheEntriesSideBySide) {
  layOut();
  int32_t x = 0;
  int32_t height = 0;
  for (int i = 0; i < 3; ++i) {
    const SIZE e = extentOf(entries[i], font);
    EXPECT_EQ(rects[i].left, x) << i;
    EXPECT_EQ(rects[i].right, x + 12 + e.cx) << i;
    EXPECT_EQ(rects[i].top, 0);
    x += 12 + e.cx;
    height = std::max<int32_t>(height, 6 + e.cy);
  }
  EXPECT_EQ(minW, x);
  EXPECT_EQ(prefW, x);
  EXPECT_EQ(minH, height);
  EXPECT_EQ(prefH, height);
  for (const RECT& r : rects) EXPECT_EQ(r.bottom, minH) << "every entry as high as the bar";

  const int32_t barW = minW, barH = minH;
  layOut(true);
  EXPECT_EQ(minW, barW + 15);
  EXPECT_EQ(prefW, barW + 15);
  EXPECT_EQ(minH, barH + 4);
  EXPECT_EQ(prefH, barH + 4);
  EXPECT_EQ(rects[2].bottom, barH) << "the rectangles themselves do not grow";

  drawer->layout(nullptr, entries, rects, 0, &font, minW, minH, prefW, prefH, 6, 3, false);
  EXPECT_EQ(minW, 0);
  EXPECT_EQ(minH, 0);
}

TEST_F(MenuDrawer, TheHotEntryIsFilledAndWrittenInTheSelectedFont) {
  layOut();
  Page page(200, minH);
  drawer->paint(&page.dc, 0, 0, 200, minH, entries, rects, 3, &font, &hot, 6, 3, 1, false, false,
                false, false);
  EXPECT_PAINTED(page.canvas, 0xf446058399ce284cull, "menu_basic_hot");
  for (int x = 0; x < 200; ++x) {
    const bool inHot = x >= rects[1].left && x < rects[1].right;
    EXPECT_EQ(page.color(x, 0) == kSelection, inHot) << "x " << x;
  }
  EXPECT_GT(page.count(RGB(255, 255, 255)), 0) << "the hot text in white on the fill";

  drawer->setFillHotEntry(false);
  Page unfilled(200, minH);
  drawer->paint(&unfilled.dc, 0, 0, 200, minH, entries, rects, 3, &font, &hot, 6, 3, 1, false,
                false, false, false);
  EXPECT_EQ(unfilled.count(kSelection), 0);
  Page none(200, minH);
  drawer->paint(&none.dc, 0, 0, 200, minH, entries, rects, 3, &font, &hot, 6, 3, -1, false, false,
                false, false);
  EXPECT_EQ(unfilled.canvas.hash(), none.canvas.hash()) << "unfilled, the hot entry looks plain";
}

TEST_F(MenuDrawer, TheLastEntryAtTheRightAndAsALink) {
  layOut();
  Page right(300, minH);
  drawer->paint(&right.dc, 0, 0, 300, minH, entries, rects, 3, &font, &hot, 6, 3, -1, false, false,
                true, false);
  const int width = rects[2].right - rects[2].left;
  EXPECT_GT(right.inked().right, 300 - 12) << "moved against the right edge";
  for (int x = rects[2].left; x < 300 - width; ++x) {
    for (int y = 0; y < minH; ++y) ASSERT_TRUE(right.isPaper(x, y)) << "a gap before it";
  }
  // At the right, the hot last entry is not filled.
  Page hotRight(300, minH);
  drawer->paint(&hotRight.dc, 0, 0, 300, minH, entries, rects, 3, &font, &hot, 6, 3, 2, false,
                false, true, false);
  EXPECT_EQ(hotRight.count(kSelection), 0);

  Page link(200, minH);
  drawer->paint(&link.dc, 0, 0, 200, minH, entries, rects, 3, &font, &hot, 6, 3, 2, false, false,
                false, true);
  EXPECT_EQ(link.count(kSelection), 0) << "a link is never filled";
  EXPECT_GT(link.count(RGB(0, 0, 204)), 0) << "written in link blue";
  EXPECT_EQ(font.getTextColor(), RGB(0, 0, 0)) << "the font's colour comes back";
  EXPECT_FALSE(font.isUnderline()) << "and its underline";
  Page linkNotHot(200, minH);
  drawer->paint(&linkNotHot.dc, 0, 0, 200, minH, entries, rects, 3, &font, &hot, 6, 3, -1, false,
                false, false, true);
  EXPECT_NE(link.canvas.hash(), linkNotHot.canvas.hash()) << "underlined while hot";
}

TEST_F(MenuDrawer, ThePressedShiftMovesTheHotTextBothWays) {
  layOut();
  drawer->setShiftPressedEntry(true);
  drawer->setFillHotEntry(false);
  Page hovered(200, minH);
  drawer->paint(&hovered.dc, 0, 0, 200, minH, entries, rects, 1, &font, &hot, 6, 3, 0, false, false,
                false, false);
  Page pressed(200, minH);
  drawer->paint(&pressed.dc, 0, 0, 200, minH, entries, rects, 1, &font, &hot, 6, 3, 0, true, false,
                false, false);
  Page plain(200, minH);
  drawer->paint(&plain.dc, 0, 0, 200, minH, entries, rects, 1, &font, &hot, 6, 3, -1, false, false,
                false, false);
  EXPECT_EQ(hovered.inked().left, plain.inked().left - 1);
  EXPECT_EQ(pressed.inked().left, plain.inked().left + 1);
  EXPECT_EQ(pressed.inked().top, plain.inked().top + 1);
}

TEST_F(MenuDrawer, ComboModePaintsOneComboFace) {
  layOut(true);
  for (int hotIndex : {-1, 0}) {
    for (bool pressed : {false, true}) {
      Page menu(120, minH);
      drawer->paint(&menu.dc, 0, 0, 120, minH, entries, rects, 3, &font, &hot, 6, 3, hotIndex,
                    pressed, true, false, false);
      Page combo(120, minH);
      const int state = hotIndex != 0 ? 0 : (pressed ? 2 : 1);
      drawer->getComboDrawer()->paint(&combo.dc, 0, 0, 120, minH, state, u"File", &font, true);
      EXPECT_EQ(menu.canvas.hash(), combo.canvas.hash()) << hotIndex << " " << pressed;
      EXPECT_FALSE(menu.blank());
    }
  }
}

TEST_F(MenuDrawer, ColoursFontsAndResetAfterReuse) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_menu_win_Basic");
  drawer->release();
  drawer = Basic::take();
  EXPECT_EQ(drawer->getSelectionColor(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(drawer->getSelectedFontSetting()->getTextColor(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(drawer->getFontSetting()->getStyleCode(), -2);
  EXPECT_EQ(drawer->getSelectedFontSetting()->getStyleCode(), -2);
  EXPECT_TRUE(drawer->isFillHotEntry());
  EXPECT_FALSE(drawer->isShiftPressedEntry());
  ASSERT_NE(drawer->getComboDrawer(), nullptr);

  Basic* skinned = Basic::createWithColors(300, 2, 3, 4, 5, 6, 7, 8, 9);
  EXPECT_EQ(skinned->getFontSetting()->getTextColor(), RGB(44, 2, 3));
  EXPECT_EQ(skinned->getSelectionColor(), RGB(4, 5, 6));
  EXPECT_EQ(skinned->getSelectedFontSetting()->getTextColor(), RGB(7, 8, 9));
  EXPECT_FALSE(skinned->isFillHotEntry());
  EXPECT_TRUE(skinned->isShiftPressedEntry());
  Font entry, selected;
  skinned->applyToFonts(&entry, &selected);
  EXPECT_EQ(entry.getTextColor(), RGB(44, 2, 3));
  EXPECT_EQ(selected.getTextColor(), RGB(7, 8, 9));
  skinned->release();

  Page empty(100, 20);
  layOut();
  drawer->paint(&empty.dc, 0, 0, 0, 20, entries, rects, 3, &font, &hot, 6, 3, 0, false, false,
                false, false);
  drawer->paint(&empty.dc, 0, 0, 100, 20, entries, rects, 0, &font, &hot, 6, 3, 0, false, true,
                false, false);
  EXPECT_TRUE(empty.blank());
}

}  // namespace
