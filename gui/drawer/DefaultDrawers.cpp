// The installed default drawer factories.
#include "gui/drawer/DefaultDrawers.h"

#include <mutex>

namespace s::gui::drawer {

namespace {
std::mutex s_lock;
DefaultDrawers s_drawers;

DefaultDrawers current() {
  std::lock_guard<std::mutex> hold(s_lock);
  return s_drawers;
}
}  // namespace

DefaultDrawers setDefaultDrawers(const DefaultDrawers& drawers) {
  std::lock_guard<std::mutex> hold(s_lock);
  DefaultDrawers previous = s_drawers;
  s_drawers = drawers;
  return previous;
}

DefaultDrawers getDefaultDrawers() { return current(); }

text::IBasic* takeDefaultTextDrawer() {
  auto take = current().takeText;
  return take != nullptr ? take() : nullptr;
}

groupbox::IBasic* takeDefaultGroupBoxDrawer() {
  auto take = current().takeGroupBox;
  return take != nullptr ? take() : nullptr;
}

menu::IBasic* takeDefaultMenuDrawer() {
  auto take = current().takeMenu;
  return take != nullptr ? take() : nullptr;
}

statusbar::IBasic* takeDefaultStatusBarDrawer() {
  auto take = current().takeStatusBar;
  return take != nullptr ? take() : nullptr;
}

image::IBasic* takeDefaultImageDrawer() {
  auto take = current().takeImage;
  return take != nullptr ? take() : nullptr;
}

}  // namespace s::gui::drawer
