// The default drawers that skin/ provides to the widgets below it.
#include "skin/DefaultDrawers.h"

#include "gui/drawer/DefaultDrawers.h"
#include "skin/drawer/text/win/Basic.h"

namespace s::skin {

namespace {
gui::drawer::text::IBasic* takeText() { return gui::drawer::text::win::Basic::take(); }
}  // namespace

void installDefaultDrawers() {
  gui::drawer::DefaultDrawers drawers = gui::drawer::getDefaultDrawers();
  drawers.takeText = &takeText;
  gui::drawer::setDefaultDrawers(drawers);
}

}  // namespace s::skin
