// Fuzz target of the JPEG reader (libFuzzer): any bytes must read or be refused without a crash,
// a read past the input, a leak or the end of the process. What reads must decode and write out.
#include "core/col/array/ArrayU08.h"
#include "imaging/ImageLimits.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>

using s::col::_array::ArrayU08;
using s::image::jpg::win::Jpeg;
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
  Jpeg* jpeg = Jpeg::take();
  if (jpeg->read(bytes)) {
    FUZZ_CHECK(jpeg->getWidth() > 0 && jpeg->getHeight() > 0);
    BufferedImage* image = jpeg->getImage(0, nullptr);
    FUZZ_CHECK(image->getWidth() == jpeg->getWidth());
    ArrayU08* out = ArrayU08::take();
    FUZZ_CHECK(jpeg->write(out));
    out->release();
    image->release();
  }
  jpeg->release();
  bytes->release();
  return 0;
}
