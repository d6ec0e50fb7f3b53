// Fuzz target of the icon-entry reader (libFuzzer): any bytes must read or be refused without a
// crash, a read past the input or a leak; a refused entry leaves an empty image. What reads must
// decode, write out and read again to the same pixels.
#include "core/col/array/ArrayU08.h"
#include "imaging/ImageLimits.h"
#include "imaging/ico/win/IconImage.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using s::col::_array::ArrayU08;
using s::image::ico::win::IconImage;
using s::image::win::BufferedImage;

namespace {

bool samePixels(BufferedImage* a, BufferedImage* b) {
  if (a->getWidth() != b->getWidth() || a->getHeight() != b->getHeight()) {
    return false;
  }
  for (int32_t y = 0; y < a->getHeight(); ++y) {
    if (std::memcmp(a->getLine(y), b->getLine(y), static_cast<size_t>(a->getWidth()) * 4) != 0) {
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
  IconImage* icon = IconImage::take();
  if (!icon->read(bytes)) {
    FUZZ_CHECK(icon->getWidth() == 0 && icon->getBits() == nullptr);
  } else {
    BufferedImage* first = icon->getImage(0, nullptr);
    FUZZ_CHECK(first->getWidth() == icon->getWidth());
    ArrayU08* out = ArrayU08::take();
    if (icon->write(out)) {
      out->rewind();
      IconImage* again = IconImage::take();
      FUZZ_CHECK(again->read(out));
      BufferedImage* second = again->getImage(0, nullptr);
      FUZZ_CHECK(samePixels(first, second));
      second->release();
      again->release();
    }
    out->release();
    first->release();
  }
  icon->release();
  bytes->release();
  return 0;
}
