// Octree colour reduction: palettes of few colours, runs of leaves, the transparent index, 4-bit
// packing and random pictures from a fixed seed.
#include "imaging/filters/reduction/Quantizer.h"

#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using lumetra::imaging_test::toImage;
using lumetra::testlib::makeFewColours;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using s::image::filters::reduction::Quantizer;
using s::image::win::BufferedImage;

namespace {

int distance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int c = 0; c < 24; c += 8) {
    const int x = static_cast<int>((a >> c) & 0xFF) - static_cast<int>((b >> c) & 0xFF);
    d += x * x;
  }
  return d;
}

}  // namespace

TEST(Quantizer, FewColoursAreKeptExactlyAndMapped) {
  Picture p(3, 2);
  p.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF0000FFu, 0xFFFF0000u, 0xFF00FF00u};
  BufferedImage* image = toImage(p);
  Quantizer* q = Quantizer::take();
  q->build(image, 256);
  EXPECT_EQ(256, q->getColourCount());
  ASSERT_EQ(3, q->getBuiltCount());
  // Depth first in child order: blue (index 1), green (2), red (4).
  EXPECT_EQ(0x000000FFu, q->getPalette()[0]);
  EXPECT_EQ(0x0000FF00u, q->getPalette()[1]);
  EXPECT_EQ(0x00FF0000u, q->getPalette()[2]);
  EXPECT_EQ(0u, q->getPalette()[3]);
  std::vector<uint8_t> out(3);
  q->mapRow(p.pixels.data(), 3, out.data(), 8);
  EXPECT_EQ((std::vector<uint8_t>{2, 1, 0}), out);
  // With 4 bits a row of 3 pixels fills 2 bytes, the last low nibble 0.
  std::vector<uint8_t> packed(2, 0xEE);
  q->mapRow(p.pixels.data(), 3, packed.data(), 4);
  EXPECT_EQ((std::vector<uint8_t>{0x21, 0x00}), packed);
  q->release();
  image->release();
}

TEST(Quantizer, TransparentPixelsAndTheHasAlphaFlag) {
  Picture p(4, 1);
  p.pixels = {0x00FF0000u, 0x80FF0000u, 0xFF00FF00u, 0x00000000u};
  BufferedImage* image = toImage(p);
  Quantizer* q = Quantizer::take();
  q->build(image, 16);
  // The half-transparent red counts in the palette but maps to the transparent index.
  ASSERT_EQ(2, q->getBuiltCount());
  std::vector<uint8_t> out(4);
  q->mapRow(p.pixels.data(), 4, out.data(), 8);
  EXPECT_EQ((std::vector<uint8_t>{16, 16, 0, 16}), out);

  // Without has-alpha the alpha bytes carry no meaning: a painted buffer with alpha 0 is opaque.
  image->setHasAlpha(false);
  q->build(image, 16);
  EXPECT_EQ(3, q->getBuiltCount());
  q->mapRow(p.pixels.data(), 4, out.data(), 8);
  EXPECT_EQ(q->getPalette()[out[0]], 0x00FF0000u);
  EXPECT_EQ(out[0], out[1]);

  Picture clear(5, 5, 0x00123456u);
  BufferedImage* none = toImage(clear);
  q->build(none, 8);
  EXPECT_EQ(0, q->getBuiltCount());
  q->mapRow(clear.pixels.data(), 2, out.data(), 8);
  EXPECT_EQ(8, out[0]);
  q->release();
  none->release();
  image->release();
}

TEST(Quantizer, FewerColoursThanLeavesMergeRuns) {
  const Picture p = makeFewColours(30, 30, 40, 7);
  BufferedImage* image = toImage(p);
  Quantizer* q = Quantizer::take();
  q->build(image, 2);
  EXPECT_LE(q->getLeafCount(), 16u);  // one reduction may merge several leaves at once
  EXPECT_GT(q->getLeafCount(), 2u);
  EXPECT_EQ(2, q->getBuiltCount());
  EXPECT_NE(q->getPalette()[0], q->getPalette()[1]);
  q->release();
  image->release();
}

TEST(Quantizer, RandomPicturesGetAtMostTheColoursAskedEachMappedToItsNearest) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    for (int32_t colours : {16, 64, 256}) {
      const Picture p = makeNoise(40, 30, seed);
      BufferedImage* image = toImage(p);
      Quantizer* q = Quantizer::take();
      q->build(image, colours);
      ASSERT_GE(q->getBuiltCount(), 1);
      ASSERT_LE(q->getBuiltCount(), colours);
      std::vector<uint8_t> out(p.pixels.size());
      q->mapRow(p.pixels.data(), static_cast<int32_t>(p.pixels.size()), out.data(), 8);
      for (size_t i = 0; i < p.pixels.size(); ++i) {
        ASSERT_LT(out[i], q->getBuiltCount());
        const int mine = distance(p.pixels[i], q->getPalette()[out[i]]);
        for (int32_t k = 0; k < q->getBuiltCount(); ++k) {
          ASSERT_LE(mine, distance(p.pixels[i], q->getPalette()[k])) << seed << " " << colours;
        }
      }
      q->release();
      image->release();
    }
  }
}
