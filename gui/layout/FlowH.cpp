// The flowh layout object.
#include "gui/layout/FlowH.h"

#include "gui/IContainer.h"

namespace s::gui::layout {

FlowH* FlowH::getShared() {
  static FlowH* const s_shared = new FlowH();
  return s_shared;
}

void FlowH::layout(IContainer* container) { IContainer::layoutFlow(container, 0, 0, 0, 0); }

}  // namespace s::gui::layout
