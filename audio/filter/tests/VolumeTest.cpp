// The volume filter against its formula: sample x (percent + 100) / 100 in single precision,
// truncated toward zero and clamped to 16 bits.
#include "audio/filter/Simd.h"
#include "audio/filter/Volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

int16_t expected(int16_t sample, float percent) {
  const float gain = (percent + 100.0f) / 100.0f;
  const float product = std::trunc(static_cast<float>(sample) * gain);
  return static_cast<int16_t>(std::fmax(-32768.0f, std::fmin(32767.0f, product)));
}

}  // namespace

TEST(Volume, EverySampleFollowsTheFormulaBitForBit) {
  // Both vector codes against the scalar formula: random samples with both extremes, gains that
  // clip on both sides (a negative gain turns -32768 into a positive overflow), a NaN gain, and
  // blocks that start at odd addresses and end inside a vector group.
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::vector<int16_t> source(10007);  // not a multiple of any vector width
  for (int16_t& v : source) {
    v = static_cast<int16_t>(any(random));
  }
  source[0] = -32768;
  source[1] = 32767;
  source[2] = 0;
  for (size_t i = 3; i < source.size(); i += 97) {
    source[i] = i % 2 == 0 ? -32768 : 32767;
  }
  for (bool avx2 : {false, true}) {
    if (!simd::setUseAvx2(avx2)) {
      continue;  // the processor has no 256-bit code
    }
    for (float percent : {0.0f, 100.0f, -100.0f, 30.0f, -25.0f, 0.5f, -99.9f, 250.0f, 12.345f,
                          -250.0f, 1e30f, -1e30f, NAN}) {
      SCOPED_TRACE(testing::Message() << (avx2 ? "256" : "128") << "-bit code, " << percent);
      s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
      volume->setPercent(percent);
      for (size_t offset : {0, 1, 3}) {
        std::vector<uint8_t> bytes(1 + 2 * source.size());
        std::memcpy(bytes.data() + offset % 2, source.data() + offset / 2,
                    2 * (source.size() - offset / 2));
        const size_t count = source.size() - offset / 2 - 5;
        volume->process(bytes.data() + offset % 2, static_cast<int32_t>(2 * count), true, 44100,
                        16);
        size_t wrong = 0;
        for (size_t i = 0; i < count; ++i) {
          int16_t got;
          std::memcpy(&got, bytes.data() + offset % 2 + 2 * i, 2);
          const int16_t in = source[offset / 2 + i];
          if (got != expected(in, percent) && ++wrong < 5) {
            ADD_FAILURE() << "sample " << in << " gave " << got << ", expected "
                          << expected(in, percent) << " (offset " << offset << ")";
          }
        }
        EXPECT_EQ(wrong, 0u);
      }
      volume->release();
    }
  }
  simd::setUseAvx2(defaultAvx2);
}

TEST(Volume, DoublingClampsAndEdgesAreLeftAlone) {
  s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
  EXPECT_TRUE(volume->isEnabled());
  EXPECT_EQ(volume->getPercent(), 0.0f);

  // +100 %: doubles, clamping at both ends. The block starts at an odd address and has an odd
  // byte count: the last byte is not half of a sample and stays as it is.
  std::vector<uint8_t> bytes(1 + 4 * 2 + 1);
  const int16_t samples[4] = {20000, -20000, 1234, -1};
  std::memcpy(bytes.data() + 1, samples, sizeof samples);
  bytes.back() = 0xAB;
  volume->setPercent(100.0f);
  volume->process(bytes.data() + 1, 9, false, 44100, 16);
  int16_t out[4];
  std::memcpy(out, bytes.data() + 1, sizeof out);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -32768);
  EXPECT_EQ(out[2], 2468);
  EXPECT_EQ(out[3], -2);
  EXPECT_EQ(bytes.back(), 0xAB);

  // 8-bit blocks pass unchanged.
  uint8_t eight[4] = {0, 128, 200, 255};
  volume->setPercent(100.0f);
  volume->process(eight, 4, true, 44100, 8);
  EXPECT_EQ(eight[0], 0);
  EXPECT_EQ(eight[2], 200);
  EXPECT_EQ(eight[3], 255);
  volume->release();
}
