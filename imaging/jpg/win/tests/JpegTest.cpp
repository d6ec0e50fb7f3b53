// JPEG images: quality of a round trip, pixels against libjpeg's own tools, the same bytes from
// every way to a picture, the picture kept through hand-overs and write, flattening, and damaged
// or empty input and failing output answered without ending the process.
#include "imaging/jpg/win/Jpeg.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileOutputStream.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
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

std::vector<uint8_t> written(Jpeg* jpeg) {
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_TRUE(jpeg->write(bytes));
  std::vector<uint8_t> out(bytes->getItems(), bytes->getItems() + bytes->getCount());
  bytes->release();
  return out;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The 24-bit bitmap rows as a picture (opaque).
Picture bitmapPicture(Jpeg* jpeg) {
  Picture p(jpeg->getWidth(), jpeg->getHeight());
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* row = jpeg->getLine(y);
    for (int32_t x = 0; x < p.width; ++x) {
      p.at(x, y) = 0xFF000000u | (uint32_t{row[3 * x + 2]} << 16) |
                   (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    }
  }
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

TEST(Jpeg, DecodedPixelsAreThoseOfLibjpegsOwnTools) {
  // Colour, grey and progressive files made by cjpeg: every pixel as djpeg writes it.
  if (lumetra::testlib::run({"cjpeg", "-version"}).exitCode == 127) {
    GTEST_SKIP() << "cjpeg is not installed (script/bootstrap installs libjpeg-turbo-progs)";
  }
  lumetra::testlib::TempDir dir;
  const std::string source = dir.file("source.ppm").string();
  ASSERT_TRUE(lumetra::testlib::writePpm(source, makeNoise(67, 41, 9)));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"-grayscale"}, {"-progressive"}, {"-quality", "95"}}) {
    std::string name = "picture";
    for (const std::string& option : options) name += option;
    SCOPED_TRACE(name);
    const std::string jpg = dir.file(name + ".jpg").string();
    const std::string ppm = dir.file(name + ".ppm").string();
    std::vector<std::string> encode = {"cjpeg"};
    encode.insert(encode.end(), options.begin(), options.end());
    encode.insert(encode.end(), {"-outfile", jpg, source});
    ASSERT_EQ(0, lumetra::testlib::run(encode).exitCode);
    ASSERT_EQ(0, lumetra::testlib::run({"djpeg", "-pnm", "-outfile", ppm, jpg}).exitCode);
    const Picture expected = lumetra::testlib::readPnm(ppm);
    Jpeg* jpeg = Jpeg::take();
    ASSERT_TRUE(decode(jpeg, fileBytes(jpg)));
    const Picture ours = decoded(jpeg);
    ASSERT_EQ(ours.width, expected.width);
    ASSERT_EQ(ours.height, expected.height);
    for (size_t i = 0; i < ours.pixels.size(); ++i) {
      ASSERT_EQ(ours.pixels[i], expected.pixels[i] | 0xFF000000u) << "pixel " << i;
    }
    jpeg->release();
  }
}

TEST(Jpeg, EveryWayToAPictureGivesTheSameBytes) {
  // Straight from an image's rows (with spare capacity), through the codec's rows, through its
  // 24-bit bitmap: the same pixels give the same file. A picture with alpha is flattened first.
  for (const bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "with alpha" : "opaque");
    Picture p = makeNoise(45, 29, 4);
    for (int32_t y = 0; y < p.height; ++y) {
      for (int32_t x = 0; x < p.width; ++x) {
        const uint32_t a = alpha ? static_cast<uint32_t>((x * 255) / (p.width - 1)) : 255u;
        p.at(x, y) = (p.at(x, y) & 0x00FFFFFFu) | (a << 24);
      }
    }
    BufferedImage* image = toImage(p);
    image->setHasAlpha(alpha);
    ArrayU08* straight = ArrayU08::take();
    ASSERT_TRUE(image->saveAsJpeg(straight, 85, 20, 40, 60));
    const std::vector<uint8_t> first(straight->getItems(),
                                     straight->getItems() + straight->getCount());
    straight->release();

    Jpeg* rows = Jpeg::take();
    ASSERT_TRUE(rows->createFrom(image, 85, 20, 40, 60));
    EXPECT_EQ(written(rows), first) << "through the codec's rows";

    // The bitmap made from those rows, then written from the bitmap.
    const Picture flat = bitmapPicture(rows);
    EXPECT_EQ(written(rows), first) << "through the bitmap";
    Jpeg* filled = Jpeg::take();
    ASSERT_TRUE(filled->createDib(flat.width, flat.height));
    filled->setQuality(85);
    for (int32_t y = 0; y < flat.height; ++y) {
      uint8_t* row = filled->getLine(y);
      for (int32_t x = 0; x < flat.width; ++x) {
        const uint32_t v = flat.at(x, y);
        row[3 * x] = static_cast<uint8_t>(v);
        row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
      }
    }
    EXPECT_EQ(written(filled), first) << "through a bitmap filled by hand";
    filled->release();
    rows->release();
    image->release();
  }
}

TEST(Jpeg, APictureHandedOverStaysTheCodecs) {
  // getImage hands the decoded rows over; the codec still has the picture for every later call,
  // and a second read reuses what came back in exchange.
  const std::vector<uint8_t> file = encode(makeNoise(53, 37, 6), 80);
  Jpeg* jpeg = Jpeg::take();
  ASSERT_TRUE(decode(jpeg, file));
  const Picture first = decoded(jpeg);
  BufferedImage* target = BufferedImage::takeSized(200, 100);
  ASSERT_EQ(jpeg->getImage(0, target), target);
  EXPECT_EQ(toPicture(target).pixels, first.pixels);
  EXPECT_EQ(decoded(jpeg).pixels, first.pixels);
  const std::vector<uint8_t> again = written(jpeg);
  EXPECT_FALSE(again.empty());
  EXPECT_EQ(jpeg->getWidth(), 53);
  EXPECT_EQ(jpeg->getBitCount(), 24);
  EXPECT_EQ(bitmapPicture(jpeg).pixels, first.pixels);
  EXPECT_EQ(decoded(jpeg).pixels, first.pixels) << "from the bitmap";
  EXPECT_EQ(written(jpeg), again);

  // Another picture into the same codec and target.
  const std::vector<uint8_t> other = encode(makeGradient(31, 17), 90);
  ASSERT_TRUE(decode(jpeg, other));
  const Picture second = decoded(jpeg);
  EXPECT_EQ(second.width, 31);
  jpeg->getImage(0, target);
  EXPECT_EQ(toPicture(target).pixels, second.pixels);
  EXPECT_EQ(decoded(jpeg).pixels, second.pixels);
  target->release();
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
