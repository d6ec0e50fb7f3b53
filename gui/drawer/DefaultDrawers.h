// The default drawer hook: how widgets below the skins take the drawer they paint with while no
// skin drawer is set.
#pragma once

#include "gui/drawer/groupbox/IBasic.h"
#include "gui/drawer/image/IBasic.h"
#include "gui/drawer/menu/IBasic.h"
#include "gui/drawer/statusbar/IBasic.h"
#include "gui/drawer/text/IBasic.h"

namespace s::gui::drawer {

/// One factory per widget kind that keeps a drawer of its own. Each answers a fresh drawer from
/// its pool, which the widget releases when it is released, or null when no skin library filled
/// the entry. skin/ fills the table at start-up (`s::skin::installDefaultDrawers`); tests may
/// install recording drawers instead.
struct DefaultDrawers {
  text::IBasic* (*takeText)() = nullptr;
  groupbox::IBasic* (*takeGroupBox)() = nullptr;
  menu::IBasic* (*takeMenu)() = nullptr;
  statusbar::IBasic* (*takeStatusBar)() = nullptr;
  image::IBasic* (*takeImage)() = nullptr;
};

/// Installs the table (entries left null stay empty) and answers the previous one. Meant for
/// start-up, before the first widget is built; reading is safe from every UI thread.
DefaultDrawers setDefaultDrawers(const DefaultDrawers& drawers);

/// The installed table.
DefaultDrawers getDefaultDrawers();

/// Conveniences that ask the installed table; null when the entry is empty.
text::IBasic* takeDefaultTextDrawer();
groupbox::IBasic* takeDefaultGroupBoxDrawer();
menu::IBasic* takeDefaultMenuDrawer();
statusbar::IBasic* takeDefaultStatusBarDrawer();
image::IBasic* takeDefaultImageDrawer();

}  // namespace s::gui::drawer
