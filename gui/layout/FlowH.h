// Rows that wrap at the container's width, aligned left and top, without gaps.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/ILayoutManager.h"

namespace s::gui::layout {

/// Rows that wrap at the container's width, aligned left and top, without gaps. Holds no state:
/// containers point to the shared instance (`getShared`, built on first use by any thread and kept
/// until the process ends) and never own it. Pooled (capacity 1000) like every layout object.
class FlowH final : public ILayoutManager, public virtual thread::IPoolable {
  S_POOLED_CLASS(FlowH, u"s_gui_layout_FlowH")

  FlowH() = default;
  void reset() override {}

  static FlowH* getShared();
  void layout(IContainer* container) override;
};

}  // namespace s::gui::layout
