// Fills the icon archive's table of imaging calls with the icon image codec.
#include "imaging/ico/ArchiveCalls.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/ico/win/IconImage.h"
#include "imaging/win/BufferedImage.h"
#include "platform/archive/icon/IconImaging.h"

namespace s::image::ico {

namespace {

IIconImage* readIconImage(col::_array::ArrayU08* bytes) {
  win::IconImage* icon = win::IconImage::take();
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

image::win::BufferedImage* decodeEntry(col::_array::ArrayU08* bytes) {
  IIconImage* icon = readIconImage(bytes);
  if (icon == nullptr) {
    return nullptr;
  }
  image::win::BufferedImage* image = icon->getImage(0, nullptr);
  icon->release();
  return image;
}

}  // namespace

void installArchiveCalls() {
  archive::icon::IconImaging calls;
  calls.decodeEntry = &decodeEntry;
  calls.readIconImage = &readIconImage;
  archive::icon::setIconImaging(calls);
}

}  // namespace s::image::ico
