// Fuzz target of the GIF reader (libFuzzer): any bytes must read or be refused without a crash,
// a read past the input or a leak. What reads must give a picture of every frame and an image
// set, write out, and read again to the same frames, palettes, tags and pixels.
#include "core/col/array/ArrayU08.h"
#include "imaging/ImageLimits.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/gif/win/Gif.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using s::col::_array::ArrayU08;
using s::image::bmp::win::Bitmap;
using s::image::gif::win::Gif;
using s::image::win::BufferedImage;

namespace {

bool sameFrame(Bitmap* a, Bitmap* b) {
  if (a->getWidth() != b->getWidth() || a->getHeight() != b->getHeight() ||
      a->getBitCount() != b->getBitCount() ||
      std::memcmp(a->getColorTable(), b->getColorTable(), 256 * sizeof(RGBQUAD)) != 0) {
    return false;
  }
  for (int32_t y = 0; y < a->getHeight(); ++y) {
    if (std::memcmp(a->getLine(y), b->getLine(y), static_cast<size_t>(a->getWidth())) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool s_limited = [] {
    s::image::setDecodablePixelLimit(int64_t{1} << 22);
    return true;
  }();
  (void)s_limited;
  if (size > 1 << 24) {
    return 0;
  }
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->add(data, static_cast<uint32_t>(size));
  bytes->rewind();
  Gif* gif = Gif::take();
  gif->read(bytes);
  if (gif->hasFrames()) {
    for (int32_t i = 0; i < gif->getFrameCount(); ++i) {
      BufferedImage* image = gif->getImage(i, nullptr);
      FUZZ_CHECK(image != nullptr && image->getWidth() == gif->getFrame(i)->getWidth());
      image->release();
    }
    FUZZ_CHECK(gif->getImage(gif->getFrameCount(), nullptr) == nullptr);
    auto* set = gif->getImageSet();
    FUZZ_CHECK(set != nullptr && set->getImageCount() == gif->getFrameCount());
    set->release();
    ArrayU08* out = ArrayU08::take();
    FUZZ_CHECK(gif->write(out));
    out->rewind();
    Gif* again = Gif::take();
    FUZZ_CHECK(again->read(out));
    FUZZ_CHECK(again->getFrameCount() == gif->getFrameCount());
    FUZZ_CHECK(again->getLoopCount() == gif->getLoopCount());
    for (int32_t i = 0; i < gif->getFrameCount(); ++i) {
      FUZZ_CHECK(sameFrame(gif->getFrame(i), again->getFrame(i)));
      FUZZ_CHECK(again->getTransparentIndex(i) == gif->getTransparentIndex(i));
      FUZZ_CHECK(again->getDisposal(i) == gif->getDisposal(i));
      FUZZ_CHECK(again->getFrameDelay(i) == gif->getFrameDelay(i));
    }
    again->release();
    out->release();
  }
  gif->release();
  bytes->release();
  return 0;
}
