// The paint-only base of every drawer: the object that knows how one kind of widget looks.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

class CDC;

namespace s::gui::drawer {

/// Paints one kind of widget into a device context (the back buffer's memory context) over the
/// rectangle from (left, top) to (right, bottom), in pixels from the context's origin; nothing
/// when the rectangle is empty. Drawers come from pools (capacity 1000); a widget holds its
/// drawer as a pair (drawer, owned) and gives back only an owned one.
class IDrawer : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
};

}  // namespace s::gui::drawer
