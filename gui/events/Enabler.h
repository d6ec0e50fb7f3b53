// The binding listener that enables its targets when its source reports.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/events/TargetListener.h"

namespace s::gui::events {

/// Enables every target, in order, on each event of its source.
class Enabler final : public TargetListener<&enableTarget> {
  S_POOLED_CLASS(Enabler, u"s_gui_events_Enabler")
  Enabler() = default;
};

}  // namespace s::gui::events
