// The binding listener that makes uneditable its targets when its source reports.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/events/TargetListener.h"

namespace s::gui::events {

/// Makes every target uneditable, in order, on each event of its source.
class UnEditabler final : public TargetListener<&makeTargetUneditable> {
  S_POOLED_CLASS(UnEditabler, u"s_gui_events_UnEditabler")
  UnEditabler() = default;
};

}  // namespace s::gui::events
