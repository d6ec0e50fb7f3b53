// Imaging's calls in platform's table.
#include "imaging/win/PlatformHooks.h"

#include "imaging/win/BufferedImage.h"
#include "platform/ImagingHooks.h"

namespace s::image {

namespace {

win::BufferedImage* takeImage(int32_t width, int32_t height) {
  win::BufferedImage* image = win::BufferedImage::take();
  if (image == nullptr) return nullptr;
  if (image->allocate(width, height) == 0 || image->getHBitmap() == nullptr) {
    image->release();
    return nullptr;
  }
  return image;
}

HBITMAP getBitmap(win::BufferedImage* image) { return image->getHBitmap(); }

void makeOpaque(win::BufferedImage* image) {
  const int32_t width = image->getWidth();
  for (int32_t y = 0; y < image->getHeight(); ++y) {
    uint8_t* line = image->getLine(y);
    for (int32_t x = 0; x < width; ++x) line[x * 4 + 3] = 0xFF;
  }
  image->setHasAlpha(false);
}

void release(win::BufferedImage* image) { image->release(); }

}  // namespace

void installPlatformHooks() {
  platform::ImagingHooks hooks;
  hooks.takeImage = &takeImage;
  hooks.getBitmap = &getBitmap;
  hooks.makeOpaque = &makeOpaque;
  hooks.release = &release;
  platform::setImagingHooks(hooks);
}

}  // namespace s::image
