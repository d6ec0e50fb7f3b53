// Imaging's calls in platform's table.
#include "imaging/win/PlatformHooks.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/ico/win/IconImage.h"
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

ico::IIconImage* readIconImage(col::_array::ArrayU08* bytes) {
  ico::win::IconImage* icon = ico::win::IconImage::take();
  if (icon == nullptr) {
    return nullptr;
  }
  bytes->rewind();
  const bool ok = icon->read(bytes);
  bytes->rewind();
  if (!ok) {
    icon->release();
    return nullptr;
  }
  return icon;
}

win::BufferedImage* decodeIconEntry(col::_array::ArrayU08* bytes) {
  ico::IIconImage* icon = readIconImage(bytes);
  if (icon == nullptr) {
    return nullptr;
  }
  win::BufferedImage* image = icon->getImage(0, nullptr);
  icon->release();
  return image;
}

}  // namespace

void installPlatformHooks() {
  platform::ImagingHooks hooks;
  hooks.takeImage = &takeImage;
  hooks.getBitmap = &getBitmap;
  hooks.makeOpaque = &makeOpaque;
  hooks.release = &release;
  hooks.decodeIconEntry = &decodeIconEntry;
  hooks.readIconImage = &readIconImage;
  platform::setImagingHooks(hooks);
}

}  // namespace s::image
