// The largest image any decoder makes.
#include "imaging/ImageLimits.h"

namespace s::image {

namespace {
int64_t s_pixelLimit = kMaxImagePixels;
}

bool isDecodableSize(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= s_pixelLimit;
}

int64_t decodablePixelLimit() { return s_pixelLimit; }

void setDecodablePixelLimit(int64_t pixels) {
  s_pixelLimit = pixels < kMaxImagePixels ? pixels : kMaxImagePixels;
}

}  // namespace s::image
