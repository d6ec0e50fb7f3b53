// The binding listener that makes editable its targets when its source reports.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/events/TargetListener.h"

namespace s::gui::events {

/// Makes every target editable, in order, on each event of its source.
class Editabler final : public TargetListener<&makeTargetEditable> {
  S_POOLED_CLASS(Editabler, u"s_gui_events_Editabler")
  Editabler() = default;
};

}  // namespace s::gui::events
