// The default layout: one column, children aligned left and top, no gap.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/ILayoutManager.h"

namespace s::gui::layout {

/// The default layout: one column, children aligned left and top, no gap. Holds no state:
/// containers point to the shared instance (`getShared`, built on first use by any thread and kept
/// until the process ends) and never own it. Pooled (capacity 1000) like every layout object.
class Vertical final : public ILayoutManager, public virtual thread::IPoolable {
  S_POOLED_CLASS(Vertical, u"s_gui_layout_Vertical")

  Vertical() = default;
  void reset() override {}

  static Vertical* getShared();
  void layout(IContainer* container) override;
};

}  // namespace s::gui::layout
