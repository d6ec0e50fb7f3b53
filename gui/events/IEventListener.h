// The listener interface through which windows, widgets and models report events.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::gui::events {

/// Receives numbered events from a source. What an id means depends on the kind of source: a
/// localizer sends 0 after its language changed; a window sends 1 when it closes and 20 after its
/// language changed. Sources never own their listeners: a listener that goes away removes itself
/// from every list it joined before it is released. `onEvent` runs on the thread that fires.
class IEventListener {
 public:
  virtual ~IEventListener() = default;
  virtual void onEvent(base::IObject* source, int32_t eventId) = 0;
};

}  // namespace s::gui::events
