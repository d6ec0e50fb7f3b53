// Sharpness and convolution: the kernels of the levels, the levels that only copy, the in-place
// order against a plain reference on every shape and divisor, clamping per channel, and a level
// changed while filtering.
#include "imaging/filters/sharpness/Sharpness.h"

#include "imaging/filters/convolution/Convolution.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

using lumetra::imaging_test::pixelAt;
using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeAlphaRamp;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using s::image::filters::convolution::Convolution;
using s::image::filters::sharpness::Sharpness;
using s::image::win::BufferedImage;

namespace {

std::array<int32_t, 10> kernelOf(Sharpness* s) {
  std::array<int32_t, 10> k{};
  for (int i = 0; i < 9; ++i) k[static_cast<size_t>(i)] = s->getWeight(i);
  k[9] = s->getDivisor();
  return k;
}

/// The filter's result as a picture.
Picture filtered(Sharpness* s, const Picture& in, bool* hasAlpha = nullptr) {
  BufferedImage* image = toImage(in);
  BufferedImage* out = s->filter(image, nullptr);
  Picture p = toPicture(out);
  if (hasAlpha != nullptr) *hasAlpha = out->hasAlpha();
  out->release();
  image->release();
  return p;
}

/// The convolution written out plainly: one pixel at a time, reading the picture as it is being
/// overwritten, in C's truncating division.
Picture reference(Picture p, const std::array<int32_t, 9>& w, int32_t divisor) {
  for (int32_t y = 0; y < p.height; ++y) {
    for (int32_t x = 0; x < p.width; ++x) {
      uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        int64_t sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int32_t yy = std::clamp(y + dy, 0, p.height - 1);
            const int32_t xx = std::clamp(x + dx, 0, p.width - 1);
            sum += int64_t{w[static_cast<size_t>((dy + 1) * 3 + dx + 1)]} *
                   ((p.at(xx, yy) >> shift) & 0xFF);
          }
        }
        if (divisor != 0 && divisor != 1) sum /= divisor;
        out |= static_cast<uint32_t>(std::clamp<int64_t>(sum, 0, 255)) << shift;
      }
      p.at(x, y) = out;
    }
  }
  return p;
}

Picture applied(Convolution* k, Picture p) {
  std::vector<uint8_t*> rows;
  for (int32_t y = 0; y < p.height; ++y) {
    rows.push_back(reinterpret_cast<uint8_t*>(&p.pixels[static_cast<size_t>(y) * p.width]));
  }
  k->apply(rows.data(), p.width, p.height);
  return p;
}

}  // namespace

TEST(Sharpness, KernelsOfTheLevels) {
  Sharpness* s = Sharpness::take();
  EXPECT_EQ(std::u16string(u"Sharpness"), s->getKey());
  EXPECT_EQ(std::u16string(u"s_image_filters_sharpness_Sharpness"), s->getClassName());
  EXPECT_TRUE(s->isOwnedByList());
  EXPECT_FALSE(s->hasKernel());
  s->setLevel(-100);
  EXPECT_EQ((std::array<int32_t, 10>{100, 200, 100, 200, 400, 200, 100, 200, 100, 1600}),
            kernelOf(s));
  s->setLevel(80);
  EXPECT_EQ((std::array<int32_t, 10>{0, -144, 0, -144, 1100, -144, 0, -144, 0, 524}), kernelOf(s));
  s->setLevel(70);
  EXPECT_EQ(-126, s->getWeight(1));
  s->setLevel(152);
  EXPECT_EQ(8, s->getDivisor());
  // Where the divisor would reach 0 or below the filter copies.
  for (int32_t level : {153, 200, INT32_MAX, 0}) {
    s->setLevel(level);
    EXPECT_EQ(level, s->getLevel());
    EXPECT_FALSE(s->hasKernel()) << level;
  }
  // The strongest blurs stay within 32-bit sums.
  s->setLevel(INT32_MIN);
  EXPECT_TRUE(s->hasKernel());
  EXPECT_GT(s->getDivisor(), 0);
  s->setOwnedByList(false);
  s->release();
  Sharpness* again = Sharpness::take();
  EXPECT_TRUE(again->isOwnedByList());
  EXPECT_EQ(0, again->getLevel());
  EXPECT_FALSE(again->hasKernel());
  again->release();
}

TEST(Sharpness, LevelsThatOnlyCopy) {
  const Picture ramp = makeAlphaRamp(19, 7);
  for (int32_t level : {0, 153, 200}) {
    Sharpness* s = Sharpness::takeLevel(level);
    bool alpha = false;
    EXPECT_EQ(ramp.pixels, filtered(s, ramp, &alpha).pixels) << level;
    EXPECT_TRUE(alpha);
    s->release();
  }
}

TEST(Sharpness, FixedPointsOfEveryKernel) {
  for (int32_t level : {-100, -37, -1, 1, 70, 80, 152}) {
    Sharpness* s = Sharpness::takeLevel(level);
    // A single pixel is all nine of its neighbours and keeps its value.
    const Picture one(1, 1, 0x80C01040u);
    EXPECT_EQ(one.pixels, filtered(s, one).pixels) << level;
    // A uniform picture stays uniform.
    const Picture flat(13, 9, 0xFF336699u);
    bool alpha = true;
    EXPECT_EQ(flat.pixels, filtered(s, flat, &alpha).pixels) << level;
    EXPECT_FALSE(alpha);
    s->release();
  }
}

TEST(Sharpness, ChannelsClampOnTheirOwn) {
  // A dark pixel amid white: each colour channel goes to 0 on its own; alpha stays 255.
  Picture p(5, 5, 0xFFFFFFFFu);
  p.at(2, 2) = 0xFF102030u;
  Sharpness* s = Sharpness::takeLevel(100);
  const Picture out = filtered(s, p);
  EXPECT_EQ(0xFF000000u, out.at(2, 2));
  // Its white neighbour to the right saw the dark pixel and overshoots: clamped to 255, never
  // wrapped round.
  EXPECT_EQ(0xFFFFFFFFu, out.at(3, 2));
  s->release();
}

TEST(Convolution, InPlaceOrderMatchesAPlainReference) {
  const Picture noise = makeNoise(23, 17, 9);
  const std::vector<std::array<int32_t, 9>> kernels = {
      {0, -144, 0, -144, 1100, -144, 0, -144, 0},
      {100, 200, 100, 200, 400, 200, 100, 200, 100},
      {1, 2, 3, 4, -5, 6, 7, 8, 9},
      {-3, 0, 1, 0, -1, 0, 0, 0, 0},  // a negative divisor truncates toward zero
  };
  for (const auto& w : kernels) {
    Convolution* k = Convolution::make(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]);
    int32_t sum = 0;
    for (int32_t v : w) sum += v;
    EXPECT_EQ(sum, k->getDivisor());
    EXPECT_EQ(reference(noise, w, sum).pixels, applied(k, noise).pixels);
    k->release();
  }
  // The order matters: filtering from a separate copy gives another picture.
  Convolution* blur = Convolution::make(1, 1, 1, 1, 1, 1, 1, 1, 1);
  const Picture inPlace = applied(blur, noise);
  Picture separate = noise;
  for (int32_t y = 0; y < noise.height; ++y) {
    for (int32_t x = 0; x < noise.width; ++x) {
      uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            sum += (noise.at(std::clamp(x + dx, 0, noise.width - 1),
                             std::clamp(y + dy, 0, noise.height - 1)) >>
                    shift) &
                   0xFF;
        out |= static_cast<uint32_t>(sum / 9) << shift;
      }
      separate.at(x, y) = out;
    }
  }
  EXPECT_NE(separate.pixels, inPlace.pixels);
  EXPECT_EQ(separate.at(0, 0), inPlace.at(0, 0));
  blur->release();
}

TEST(Convolution, EveryShapeAndKernelMatchesThePlainReference) {
  // Thin pictures repeat their own row or column as a neighbour, which then has been filtered
  // already; wide weights and large divisors reach the ends of 32-bit sums.
  const std::vector<std::array<int32_t, 9>> kernels = {
      {0, -144, 0, -144, 1100, -144, 0, -144, 0},
      {0, -274, 0, -274, 1100, -274, 0, -274, 0},  // divisor 4
      {100, 200, 100, 200, 400, 200, 100, 200, 100},
      {0, 1, 0, 1, -3, 1, 0, 1, 0},       // divisor 1: undivided
      {0, 0, 0, 0, 8421504, 0, 0, 0, 0},  // 255 times the sum just fits 32 bits
      {1, 0, 0, 0, 8421504, 0, 0, 0, 0},  // just past it
      {-40000, 70000, -40000, 70000, 1, 70000, -40000, 70000, -40000},
      {100000000, 200000000, 100000000, 200000000, 400, 200000000, 100000000, 200000000, 100000000},
  };
  const std::vector<std::array<int32_t, 2>> shapes = {{1, 1}, {1, 9}, {9, 1},  {2, 2},
                                                      {3, 3}, {2, 7}, {40, 3}, {17, 13}};
  for (const auto& w : kernels) {
    Convolution* k = Convolution::make(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]);
    ASSERT_NE(nullptr, k);
    for (const auto& [width, height] : shapes) {
      const Picture noise = makeNoise(width, height, static_cast<uint32_t>(width * 31 + height));
      EXPECT_EQ(reference(noise, w, k->getDivisor()).pixels, applied(k, noise).pixels)
          << w[0] << " " << w[4] << " on " << width << "x" << height;
    }
    k->release();
  }
}

TEST(Convolution, DivisionTruncatesForEveryDivisor) {
  // Random kernels of every size of divisor, on noise with runs of 0 and 255 so that sums also
  // land on exact multiples of the divisor and on both clamps.
  Picture p = makeNoise(29, 11, 5);
  for (size_t i = 0; i < p.pixels.size(); i += 7) p.pixels[i] = (i / 7) % 2 == 0 ? 0 : 0xFFFFFFFFu;
  uint32_t state = 12345;
  const auto next = [&state](int32_t range) {
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(range));
  };
  for (int round = 0; round < 300; ++round) {
    const int32_t scale = round < 100 ? 10 : round < 200 ? 3000 : 900000;
    std::array<int32_t, 9> w{};
    for (int32_t& weight : w) weight = next(2 * scale + 1) - scale;
    w[4] = next(4 * scale) + 1;
    Convolution* k = Convolution::make(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]);
    ASSERT_NE(nullptr, k);
    EXPECT_EQ(reference(p, w, k->getDivisor()).pixels, applied(k, p).pixels) << round;
    k->release();
  }
}

TEST(Convolution, ZeroSumAndIdentity) {
  // Weights that sum to 0 stay undivided: an edge finder, clamped.
  Convolution* edges = Convolution::make(0, -1, 0, -1, 4, -1, 0, -1, 0);
  EXPECT_EQ(0, edges->getDivisor());
  Picture p(3, 3, 0xFF101010u);
  p.at(1, 1) = 0xFF202020u;
  const Picture out = applied(edges, p);
  EXPECT_NE(p.pixels, out.pixels);
  EXPECT_EQ(reference(p, {0, -1, 0, -1, 4, -1, 0, -1, 0}, 0).pixels, out.pixels);
  edges->release();
  // A reset kernel is the identity.
  Convolution* identity = Convolution::take();
  EXPECT_EQ(1, identity->getWeight(4));
  EXPECT_EQ(1, identity->getDivisor());
  const Picture noise = makeNoise(7, 5, 1);
  EXPECT_EQ(noise.pixels, applied(identity, noise).pixels);
  identity->release();
}

TEST(Sharpness, WorksInTheImagesFilterList) {
  const Picture noise = makeNoise(31, 11, 4);
  BufferedImage* image = toImage(noise);
  Sharpness* s = Sharpness::takeLevel(80);
  image->addFilter(s);
  int32_t index = -1;
  EXPECT_TRUE(image->findFilter(Sharpness::key(), &index));
  EXPECT_EQ(0, index);
  BufferedImage* result = image->applyFilters();
  ASSERT_NE(nullptr, result);
  EXPECT_EQ(reference(noise, {0, -144, 0, -144, 1100, -144, 0, -144, 0}, 524).pixels,
            toPicture(result).pixels);
  image->release();  // releases the filter it owns
}

TEST(Sharpness, LevelChangesWhileAnotherThreadFilters) {
  const Picture noise = makeNoise(64, 32, 3);
  Sharpness* s = Sharpness::takeLevel(-100);
  const Picture blurred = filtered(s, noise);
  s->setLevel(80);
  const Picture sharpened = filtered(s, noise);
  std::atomic<bool> stop{false};
  std::thread changer([&] {
    for (int i = 0; !stop; ++i) s->setLevel(i % 2 == 0 ? -100 : 80);
  });
  BufferedImage* image = toImage(noise);
  BufferedImage* out = BufferedImage::take();
  int mismatches = 0;
  for (int i = 0; i < 200; ++i) {
    s->filter(image, out);
    const Picture p = toPicture(out);
    if (p.pixels != blurred.pixels && p.pixels != sharpened.pixels) ++mismatches;
  }
  stop = true;
  changer.join();
  EXPECT_EQ(0, mismatches);
  out->release();
  image->release();
  s->release();
}
