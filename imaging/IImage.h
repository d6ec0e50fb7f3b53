// The root interface of every image: a pixel buffer, a set of buffers or an encoded image.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::image {

/// An image of a width and a height in pixels (0 x 0 when empty). Images are pooled library
/// objects, used by one thread at a time.
class IImage : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual int32_t getWidth() = 0;
  virtual int32_t getHeight() = 0;
};

/// The branch of the pixel buffers.
class IImageBuffer : public IImage {};

/// An ordered set of pixel buffers with tags; built with the image sets.
class IBufferedImageSet;

}  // namespace s::image
