// The pile layout object.
#include "gui/layout/Pile.h"

#include "gui/IContainer.h"

namespace s::gui::layout {

Pile* Pile::getShared() {
  static Pile* const s_shared = new Pile();
  return s_shared;
}

void Pile::layout(IContainer* container) { IContainer::layoutPile(container, 0, 0); }

}  // namespace s::gui::layout
