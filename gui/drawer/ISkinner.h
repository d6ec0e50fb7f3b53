// The skinner: the catalogue of skins with the current one, and who hears of a change.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

namespace s::gui::events {
class IEventListener;
}  // namespace s::gui::events

namespace s::gui::drawer {

class ISkin;

/// Keeps the current skin and tells its listeners of every change with `onEvent(skinner, 0)`;
/// listeners then fetch their drawers from `getCurrentSkin` again. The skinner does not own its
/// listeners: a window or widget removes itself before it goes away. Listeners may be added more
/// than once (no test for duplicates); `removeListener` takes out every entry of that listener.
class ISkinner : public base::IObject, public virtual thread::IPoolable {
 public:
  /// The current skin, or null before one was selected.
  virtual ISkin* getCurrentSkin() = 0;
  virtual void addListener(events::IEventListener* listener) = 0;
  virtual void removeListener(events::IEventListener* listener) = 0;
};

}  // namespace s::gui::drawer
