// The kind of the image drawers, which place an image in a widget.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints an image into the rectangle, optionally stretched and framed; with overlay an image with
/// alpha is composed into the widget's back buffer instead of drawn through dc. Nothing without an
/// image.
class IImage : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, ::s::image::win::BufferedImage* backBuffer, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, ::s::image::IImage* image, bool stretch,
                     bool border, bool overlay) = 0;
};

}  // namespace s::gui::drawer
