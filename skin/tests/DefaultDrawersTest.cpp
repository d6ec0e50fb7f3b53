// The default drawers skin/ gives the widgets.
#include "skin/DefaultDrawers.h"

#include "gui/drawer/DefaultDrawers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DefaultDrawers, EmptyUntilInstalledThenFreshDrawersFromTheirPools) {
  const s::gui::drawer::DefaultDrawers saved =
      s::gui::drawer::setDefaultDrawers(s::gui::drawer::DefaultDrawers{});
  EXPECT_EQ(s::gui::drawer::takeDefaultTextDrawer(), nullptr);
  EXPECT_EQ(s::gui::drawer::takeDefaultGroupBoxDrawer(), nullptr);

  s::skin::installDefaultDrawers();
  s::gui::drawer::text::IBasic* first = s::gui::drawer::takeDefaultTextDrawer();
  s::gui::drawer::text::IBasic* second = s::gui::drawer::takeDefaultTextDrawer();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  first->release();
  second->release();

  // Each widget kind with a drawer of its own gets the basic drawer of its kind.
  auto* groupBox = s::gui::drawer::takeDefaultGroupBoxDrawer();
  auto* statusBar = s::gui::drawer::takeDefaultStatusBarDrawer();
  auto* image = s::gui::drawer::takeDefaultImageDrawer();
  auto* menu = s::gui::drawer::takeDefaultMenuDrawer();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(std::u16string(menu->getClassName()), u"s_gui_drawer_menu_win_Basic");
  menu->release();
  ASSERT_NE(groupBox, nullptr);
  ASSERT_NE(statusBar, nullptr);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(std::u16string(groupBox->getClassName()), u"s_gui_drawer_groupbox_win_Basic");
  EXPECT_EQ(std::u16string(statusBar->getClassName()), u"s_gui_drawer_statusbar_win_Basic");
  EXPECT_EQ(std::u16string(image->getClassName()), u"s_gui_drawer_image_win_Basic");
  groupBox->release();
  statusBar->release();
  image->release();
  s::gui::drawer::setDefaultDrawers(saved);
}

}  // namespace
