// The vertical layout object.
#include "gui/layout/Vertical.h"

#include "gui/IContainer.h"

namespace s::gui::layout {

Vertical* Vertical::getShared() {
  static Vertical* const s_shared = new Vertical();
  return s_shared;
}

void Vertical::layout(IContainer* container) { IContainer::layoutColumn(container, 0, 0, 0); }

}  // namespace s::gui::layout
