// The volume filter against its formula: sample x (percent + 100) / 100 in single precision,
// truncated toward zero and clamped to 16 bits.
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
  std::mt19937 random(7);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::vector<int16_t> source(10007);  // not a multiple of any vector width
  for (int16_t& v : source) {
    v = static_cast<int16_t>(any(random));
  }
  source[0] = -32768;
  source[1] = 32767;
  source[2] = 0;
  for (float percent : {0.0f, 100.0f, -100.0f, 30.0f, -25.0f, 0.5f, -99.9f, 250.0f, 12.345f}) {
    SCOPED_TRACE(percent);
    s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
    volume->setPercent(percent);
    std::vector<int16_t> block = source;
    volume->process(block.data(), static_cast<int32_t>(block.size() * 2), true, 44100, 16);
    size_t wrong = 0;
    for (size_t i = 0; i < block.size(); ++i) {
      if (block[i] != expected(source[i], percent)) {
        if (++wrong < 5) {
          ADD_FAILURE() << "sample " << source[i] << " gave " << block[i] << ", expected "
                        << expected(source[i], percent);
        }
      }
    }
    EXPECT_EQ(wrong, 0u);
    volume->release();
  }
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
