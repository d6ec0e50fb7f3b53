// The two-pass scaler: its weight lists, exactness where nothing changes, accuracy against a
// double-precision reference, spare capacity, zero sizes and scaling from two threads.
#include "imaging/filters/scale/BilinearFilter.h"

#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeGradient;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using s::image::filters::scale::BilinearFilter;
using s::image::filters::scale::Contribution;
using s::image::win::BufferedImage;

namespace {

struct Weights {
  int32_t first;
  int32_t last;
  std::vector<int32_t> w;
};

std::vector<Weights> table(double scale, int32_t dst, int32_t src) {
  BilinearFilter::lockTable();
  std::vector<Weights> out;
  if (BilinearFilter::shared()->buildContributions(scale, dst, src)) {
    const Contribution* t = BilinearFilter::sharedTable();
    for (int32_t i = 0; i < dst; ++i) {
      const int32_t* r = t->getRecord(i);
      out.push_back({r[0], r[1], std::vector<int32_t>(r + 2, r + 2 + (r[1] - r[0] + 1))});
    }
  }
  BilinearFilter::unlockTable();
  return out;
}

/// The same resampling in doubles: the tent weights, normalised, per pass.
Picture reference(const Picture& in, int32_t w, int32_t h) {
  auto pass = [](int32_t src, int32_t dst) {
    const double scale = static_cast<double>(dst) / src;
    const double width = scale < 1 ? 1 / scale : 1, f = scale < 1 ? scale : 1;
    std::vector<std::vector<std::pair<int32_t, double>>> rows(static_cast<size_t>(dst));
    for (int32_t i = 0; i < dst; ++i) {
      const double c = i / scale;
      double total = 0;
      for (int32_t j = std::max(0, static_cast<int32_t>(std::floor(c - width)));
           j <= std::min(src - 1, static_cast<int32_t>(std::ceil(c + width))); ++j) {
        const double wt = std::max(0.0, 1 - std::fabs((c - j) * f)) * f;
        if (wt > 0) rows[static_cast<size_t>(i)].push_back({j, wt}), total += wt;
      }
      if (rows[static_cast<size_t>(i)].empty())
        rows[static_cast<size_t>(i)].push_back({src - 1, 1});
      for (auto& p : rows[static_cast<size_t>(i)]) p.second /= total > 0 ? total : 1;
    }
    return rows;
  };
  const auto hx = pass(in.width, w), vy = pass(in.height, h);
  std::vector<double> mid(static_cast<size_t>(w) * in.height * 4);
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t x = 0; x < w; ++x)
      for (auto [j, wt] : hx[static_cast<size_t>(x)])
        for (int c = 0; c < 4; ++c)
          mid[(static_cast<size_t>(y) * w + x) * 4 + c] += wt * ((in.at(j, y) >> (8 * c)) & 0xFF);
  Picture out(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) {
        double s = 0;
        for (auto [j, wt] : vy[static_cast<size_t>(y)])
          s += wt * mid[(static_cast<size_t>(j) * w + x) * 4 + c];
        v |= static_cast<uint32_t>(std::lround(std::clamp(s, 0.0, 255.0))) << (8 * c);
      }
      out.at(x, y) = v;
    }
  return out;
}

Picture scaled(const Picture& in, int32_t w, int32_t h, int32_t spare = 5) {
  BufferedImage* source = toImage(in, spare);
  BufferedImage* target = BufferedImage::takeSized(w + spare + 2, h + 1);
  BilinearFilter::shared()->scale(in.width, in.height, source, w, h, target);
  Picture out = toPicture(target);
  source->release();
  target->release();
  return out;
}

}  // namespace

TEST(BilinearFilter, WeightListsOfDoublingAndHalving) {
  const auto up = table(2.0, 4, 2);
  ASSERT_EQ(4u, up.size());
  EXPECT_EQ(0, up[0].first);
  EXPECT_EQ(0, up[0].last);
  EXPECT_EQ(0, up[1].first);
  EXPECT_EQ(1, up[1].last);
  EXPECT_EQ((std::vector<int32_t>{32768, 32768}), up[1].w);
  EXPECT_EQ(1, up[2].first);
  EXPECT_EQ(1, up[2].last);
  EXPECT_EQ(1, up[3].first);  // centre 1.5: source 1 alone
  EXPECT_EQ(1, up[3].last);

  // Halving widens the support to two sources on each side: weights 0.25, 0.5, 0.25 inside.
  const auto down = table(0.5, 4, 8);
  ASSERT_EQ(4u, down.size());
  EXPECT_EQ(1, down[1].first);
  EXPECT_EQ(3, down[1].last);
  EXPECT_EQ((std::vector<int32_t>{16384, 32768, 16384}), down[1].w);

  for (auto [dst, src] : {std::pair{7, 3}, {3, 7}, {16, 256}, {1080, 2160}, {1, 5}, {5, 1}}) {
    for (const Weights& r : table(static_cast<double>(dst) / src, dst, src)) {
      int64_t sum = 0;
      for (int32_t w : r.w) sum += w;
      EXPECT_LE(sum, 65536);
      EXPECT_GE(sum, 65536 - static_cast<int64_t>(r.w.size())) << dst << " from " << src;
      EXPECT_GE(r.first, 0);
      EXPECT_LT(r.last, src);
    }
  }
  EXPECT_TRUE(table(0.0, 0, 5).empty());
  EXPECT_TRUE(table(1.0, 5, 0).empty());
}

TEST(BilinearFilter, EqualSizesAreExactAndUniformStaysUniform) {
  const Picture noise = makeNoise(13, 9, 3);
  EXPECT_EQ(noise.pixels, scaled(noise, 13, 9).pixels);
  const Picture flat(17, 11, 0x80402010u);
  for (auto [w, h] : {std::pair{5, 3}, {40, 23}, {17, 30}, {1, 1}}) {
    EXPECT_EQ(std::vector<uint32_t>(static_cast<size_t>(w) * h, 0x80402010u),
              scaled(flat, w, h).pixels)
        << w << " x " << h;
  }
}

TEST(BilinearFilter, FollowsADoublePrecisionReferenceWithSpareCapacity) {
  const Picture in = makeGradient(37, 29);
  for (auto [w, h] : {std::pair{18, 14}, {74, 58}, {10, 40}, {5, 5}, {37, 12}}) {
    const Picture ours = scaled(in, w, h), ref = reference(in, w, h);
    for (size_t i = 0; i < ours.pixels.size(); ++i) {
      for (int c = 0; c < 32; c += 8) {
        const int a = static_cast<int>((ours.pixels[i] >> c) & 0xFF);
        const int b = static_cast<int>((ref.pixels[i] >> c) & 0xFF);
        ASSERT_LE(std::abs(a - b), 1) << w << " x " << h << " pixel " << i;
      }
    }
  }
}

TEST(BilinearFilter, ZeroSizesScaleToNothing) {
  BufferedImage* source = toImage(makeGradient(8, 8));
  BufferedImage* target = BufferedImage::takeSized(4, 4);
  BilinearFilter::shared()->scale(8, 8, source, 0, 4, target);
  EXPECT_EQ(0, target->getWidth());
  BilinearFilter::shared()->scale(0, 8, source, 4, 4, target);
  EXPECT_EQ(0, target->getWidth());
  BufferedImage* empty = BufferedImage::take();
  BilinearFilter::shared()->scale(8, 8, empty, 4, 4, target);
  EXPECT_EQ(0, target->getHeight());
  empty->release();
  source->release();
  target->release();
}

TEST(BilinearFilter, TwoThreadsGetWhatEachGetsAlone) {
  const Picture a = makeNoise(64, 48, 1), b = makeGradient(50, 70);
  const Picture aloneA = scaled(a, 23, 31), aloneB = scaled(b, 90, 20);
  bool sameA = true, sameB = true;
  std::thread first([&] {
    for (int i = 0; i < 30; ++i) sameA = sameA && scaled(a, 23, 31).pixels == aloneA.pixels;
  });
  std::thread second([&] {
    for (int i = 0; i < 30; ++i) sameB = sameB && scaled(b, 90, 20).pixels == aloneB.pixels;
  });
  first.join();
  second.join();
  EXPECT_TRUE(sameA);
  EXPECT_TRUE(sameB);
}
