// The visible children on top of each other, at the top left.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/ILayoutManager.h"

namespace s::gui::layout {

/// The visible children on top of each other, at the top left. Holds no state: containers
/// point to the shared instance (`getShared`, built on first use by any thread and kept until
/// the process ends) and never own it. Pooled (capacity 1000) like every layout object.
class Pile final : public ILayoutManager, public virtual thread::IPoolable {
  S_POOLED_CLASS(Pile, u"s_gui_layout_Pile")

  Pile() = default;
  void reset() override {}

  static Pile* getShared();
  void layout(IContainer* container) override;
};

}  // namespace s::gui::layout
