// Fuzz target of the PNG reader (libFuzzer): any bytes must read or be refused without a crash,
// a read past the input, a leak or the end of the process. What reads must decode, write out and
// read back to the same pixels (the format is lossless on its own data).
#include "core/col/array/ArrayU08.h"
#include "imaging/ImageLimits.h"
#include "imaging/png/win/Png.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using s::col::_array::ArrayU08;
using s::image::png::win::Png;
using s::image::win::BufferedImage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool s_limited = [] {
    s::image::setDecodablePixelLimit(int64_t{1} << 22);
    return true;
  }();
  (void)s_limited;
  if (size > 1 << 22) {
    return 0;
  }
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->add(data, static_cast<uint32_t>(size));
  bytes->rewind();
  Png* png = Png::take();
  if (png->read(bytes)) {
    const int32_t width = png->getWidth();
    const int32_t height = png->getHeight();
    FUZZ_CHECK(width > 0 && height > 0);
    BufferedImage* image = png->getImage(0, nullptr);
    FUZZ_CHECK(image->getWidth() == width && image->getHeight() == height);
    ArrayU08* out = ArrayU08::take();
    out->clear();
    FUZZ_CHECK(png->write(out));
    out->rewind();
    Png* again = Png::take();
    FUZZ_CHECK(again->read(out));
    FUZZ_CHECK(again->getWidth() == width && again->getHeight() == height);
    for (int32_t y = 0; y < height; ++y) {
      FUZZ_CHECK(std::memcmp(png->getLine(y), again->getLine(y), static_cast<size_t>(width) * 4) ==
                 0);
    }
    again->release();
    out->release();
    image->release();
  }
  png->release();
  bytes->release();
  return 0;
}
