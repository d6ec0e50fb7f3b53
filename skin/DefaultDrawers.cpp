// The default drawers that skin/ provides to the widgets below it.
#include "skin/DefaultDrawers.h"

#include "gui/drawer/DefaultDrawers.h"
#include "skin/drawer/groupbox/win/Basic.h"
#include "skin/drawer/image/win/Basic.h"
#include "skin/drawer/menu/win/Basic.h"
#include "skin/drawer/statusbar/win/Basic.h"
#include "skin/drawer/text/win/Basic.h"

namespace s::skin {

namespace {
gui::drawer::text::IBasic* takeText() { return gui::drawer::text::win::Basic::take(); }
gui::drawer::groupbox::IBasic* takeGroupBox() { return gui::drawer::groupbox::win::Basic::take(); }
gui::drawer::statusbar::IBasic* takeStatusBar() {
  return gui::drawer::statusbar::win::Basic::take();
}
gui::drawer::image::IBasic* takeImage() { return gui::drawer::image::win::Basic::take(); }
gui::drawer::menu::IBasic* takeMenu() { return gui::drawer::menu::win::Basic::take(); }
}  // namespace

void installDefaultDrawers() {
  gui::drawer::DefaultDrawers drawers = gui::drawer::getDefaultDrawers();
  drawers.takeText = &takeText;
  drawers.takeGroupBox = &takeGroupBox;
  drawers.takeStatusBar = &takeStatusBar;
  drawers.takeImage = &takeImage;
  drawers.takeMenu = &takeMenu;
  gui::drawer::setDefaultDrawers(drawers);
}

}  // namespace s::skin
