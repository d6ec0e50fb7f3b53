// The binding listener that disables its targets when its source reports.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/events/TargetListener.h"

namespace s::gui::events {

/// Disables every target, in order, on each event of its source.
class Disabler final : public TargetListener<&disableTarget> {
  S_POOLED_CLASS(Disabler, u"s_gui_events_Disabler")
  Disabler() = default;
};

}  // namespace s::gui::events
