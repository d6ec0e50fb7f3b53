// The thin tab-box drawer: it paints nothing, and its caption and page fonts take over their own
// settings; reset after reuse.
#include "skin/drawer/tabbox/win/Thin.h"

#include "gui/win/Font.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::Page;
using s::gui::drawer::tabbox::win::Thin;
using s::gui::win::Font;

TEST(TabBoxThin, PaintsNothingAndKeepsCaptionAndPageFontsApart) {
  Thin* drawer = Thin::take();
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_tabbox_win_Thin");
  Page page(40, 30);
  drawer->paint(&page.dc, 0, 0, 40, 30);
  EXPECT_TRUE(page.blank());

  drawer->getFontSetting()->setTextColor(10, 20, 30);
  drawer->getPageFontSetting()->setTextColor(40, 50, 60);
  Font caption, disabled, pageFont;
  drawer->applyToFonts(&caption, &disabled);
  drawer->applyToPageFonts(&pageFont);
  EXPECT_EQ(caption.getTextColor(), RGB(10, 20, 30));
  EXPECT_EQ(disabled.getTextColor(), RGB(161, 161, 146));
  EXPECT_EQ(pageFont.getTextColor(), RGB(40, 50, 60));

  EXPECT_EQ(drawer->setColor(300, 0, 0), 44);
  EXPECT_EQ(drawer->getColor(), RGB(44, 0, 0));
  drawer->release();
  Thin* again = Thin::take();
  EXPECT_EQ(again->getColor(), RGB(255, 255, 255));
  EXPECT_EQ(again->getFontSetting()->getTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(again->getPageFontSetting()->getTextColor(), RGB(0, 0, 0));
  again->release();
}

}  // namespace
