// JPEG images: quality of a round trip, the bitmap kept through write, flattening, and damaged
// or empty input and failing output answered without ending the process.
#include "imaging/jpg/win/Jpeg.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileOutputStream.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeGradient;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using s::col::_array::ArrayU08;
using s::image::jpg::win::Jpeg;
using s::image::win::BufferedImage;

namespace {

double psnr(const Picture& a, const Picture& b) {
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int c = 0; c < 24; c += 8) {
      const double d = static_cast<double>((a.pixels[i] >> c) & 0xFF) - ((b.pixels[i] >> c) & 0xFF);
      sum += d * d;
    }
  }
  const double mse = sum / (a.pixels.size() * 3.0);
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> encode(const Picture& p, int32_t quality) {
  BufferedImage* image = toImage(p);
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_TRUE(image->saveAsJpeg(bytes, quality, 255, 255, 255));
  std::vector<uint8_t> out(bytes->getItems(), bytes->getItems() + bytes->getCount());
  bytes->release();
  image->release();
  lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "jpeg",
                                  std::to_string(p.width) + "x" + std::to_string(p.height) + "q" +
                                      std::to_string(quality) + ".jpg",
                                  out);
  return out;
}

bool decode(Jpeg* jpeg, const std::vector<uint8_t>& file) {
  ArrayU08* bytes = ArrayU08::take();
  bytes->add(file.data(), static_cast<uint32_t>(file.size()));
  bytes->rewind();
  const bool ok = jpeg->read(bytes);
  bytes->release();
  return ok;
}

Picture decoded(Jpeg* jpeg) {
  BufferedImage* image = jpeg->getImage(0, nullptr);
  Picture p = toPicture(image);
  image->release();
  return p;
}

}  // namespace

TEST(Jpeg, RoundTripKeepsASmoothPictureClose) {
  const Picture smooth = makeGradient(96, 64);
  Jpeg* jpeg = Jpeg::take();
  ASSERT_TRUE(decode(jpeg, encode(smooth, 75)));
  EXPECT_EQ(96, jpeg->getWidth());
  EXPECT_EQ(64, jpeg->getHeight());
  Picture at75 = decoded(jpeg);
  EXPECT_GE(psnr(smooth, at75), 40.0);
  ASSERT_TRUE(decode(jpeg, encode(smooth, 95)));
  EXPECT_GE(psnr(smooth, decoded(jpeg)), 45.0);
  EXPECT_FALSE(jpeg->getImage(0, nullptr)->hasAlpha());
  jpeg->release();
}

TEST(Jpeg, WritingLeavesTheBitmapAsItWas) {
  BufferedImage* image = toImage(makeGradient(17, 5));
  Jpeg* jpeg = Jpeg::take();
  ASSERT_TRUE(jpeg->createFrom(image, 80, 0, 0, 0));
  EXPECT_EQ(80, jpeg->getQuality());
  const std::vector<uint8_t> before(jpeg->getBits(), jpeg->getBits() + jpeg->getStride() * 5);
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(jpeg->write(bytes));
  EXPECT_EQ(before, std::vector<uint8_t>(jpeg->getBits(), jpeg->getBits() + jpeg->getStride() * 5));
  jpeg->setQuality(140);
  EXPECT_EQ(100, jpeg->getQuality());
  bytes->release();
  jpeg->release();
  image->release();
}

TEST(Jpeg, TransparentPixelsBecomeTheBackground) {
  Picture p(16, 16, 0xFFFF0000u);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) p.at(x, y) = 0x00FF0000u;  // transparent red on the left
  BufferedImage* image = toImage(p);
  Jpeg* jpeg = Jpeg::take();
  ASSERT_TRUE(jpeg->createFrom(image, 95, 255, 255, 255));
  const uint8_t* row = jpeg->getLine(3);
  EXPECT_EQ(255, row[0]);
  EXPECT_EQ(255, row[1]);
  EXPECT_EQ(255, row[2]);
  EXPECT_EQ(0, row[15 * 3 + 0]);
  EXPECT_EQ(255, row[15 * 3 + 2]);
  jpeg->release();
  image->release();
}

TEST(Jpeg, DamagedInputAnswersWithoutEndingTheProcess) {
  Jpeg* jpeg = Jpeg::take();
  EXPECT_FALSE(decode(jpeg, {}));
  EXPECT_EQ(0, jpeg->getWidth());
  EXPECT_FALSE(decode(jpeg, {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 0x01}));
  EXPECT_FALSE(decode(jpeg, std::vector<uint8_t>(500, 0x42)));

  // A file cut inside the picture still gives the full size.
  const std::vector<uint8_t> whole = encode(makeNoise(64, 48, 2), 75);
  ASSERT_TRUE(decode(jpeg, std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2)));
  EXPECT_EQ(64, jpeg->getWidth());
  EXPECT_EQ(48, jpeg->getHeight());
  // Cut inside the header: refused, empty.
  EXPECT_FALSE(decode(jpeg, std::vector<uint8_t>(whole.begin(), whole.begin() + 100)));
  EXPECT_EQ(0, jpeg->getWidth());
  // A declared size beyond the limit: refused before anything is allocated.
  std::vector<uint8_t> huge = whole;
  for (size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  }
  EXPECT_FALSE(decode(jpeg, huge));

  // A stream that refuses bytes fails the write.
  ASSERT_TRUE(decode(jpeg, whole));
  auto* closed = s::file::win::FileOutputStream::take();
  EXPECT_FALSE(jpeg->write(closed));
  closed->release();
  jpeg->release();
}
