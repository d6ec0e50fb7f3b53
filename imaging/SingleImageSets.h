// Image sets of the formats that hold one image.
#pragma once

#include <cstdint>

namespace s::image {

class IBufferedImageSet;
class IEncodedImage;

/// `getImageSet` of a single-image format: a new set (the caller releases it) holding the
/// decoded image keyed `key`, with delay and mode 0; null when out of memory.
IBufferedImageSet* singleImageSet(IEncodedImage* image, int32_t key);

}  // namespace s::image
