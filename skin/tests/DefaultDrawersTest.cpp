// The default drawers skin/ gives the widgets.
#include "skin/DefaultDrawers.h"

#include "gui/drawer/DefaultDrawers.h"

#include <gtest/gtest.h>

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
  s::gui::drawer::setDefaultDrawers(saved);
}

}  // namespace
