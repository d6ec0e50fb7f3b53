// The stereo enhancer: the widening against its integer formula with the limits written out
// branch by branch, 8-bit samples around 128, and the attenuation.
#include "audio/filter/StereoEnhancer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using s::sound::filter::StereoEnhancer;

TEST(StereoEnhancer, WideningFollowsTheIntegerFormulaAndItsLimits) {
  // Random frames, half of them near full scale with opposite signs, where the limits act.
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> any(-32768, 32767);
  std::vector<int16_t> frames = {32767, -32768, -32768, 32767, 32767, 32767, 0, 0};
  for (int32_t i = 0; i < 20000; ++i) {
    const int32_t left =
        i % 2 == 0 ? any(random) : (i % 4 == 1 ? 30000 : -30001) + any(random) % 2768;
    const int32_t right = i % 2 == 0 ? any(random) : -left + any(random) % 3000;
    frames.push_back(static_cast<int16_t>(left));
    frames.push_back(static_cast<int16_t>(std::clamp(right, -32768, 32767)));
  }
  for (int32_t level : {1, 7, 10, 20, 1000}) {
    std::vector<int16_t> block = frames;
    StereoEnhancer::widenStereo(level, block.data(), static_cast<int32_t>(block.size() * 2), 16);
    size_t wrong = 0;
    for (size_t i = 0; i < frames.size(); i += 2) {
      const int32_t left = frames[i];
      const int32_t right = frames[i + 1];
      const int32_t mean = static_cast<int32_t>(std::floor((left + right) / 2.0));
      int32_t side =
          static_cast<int32_t>(static_cast<float>(level) * 0.15f * static_cast<float>(left - mean));
      if (side > 0) {
        side = std::min({side, 32767 - left, right + 32768});
      } else {
        if (-side > left + 32768) {
          side = -32768 - left;
        }
        if (-side > 32767 - right) {
          side = right - 32767;
        }
      }
      wrong += block[i] != left + side || block[i + 1] != right - side;
    }
    EXPECT_EQ(wrong, 0u) << "level " << level;
  }
  // The documented example; equal channels stay; levels of 0 or less do nothing.
  int16_t wide[4] = {30000, -30000, 1234, 1234};
  StereoEnhancer::widenStereo(10, wide, sizeof wide, 16);
  EXPECT_EQ(std::vector<int16_t>(wide, wide + 4),
            (std::vector<int16_t>{32767, -32767, 1234, 1234}));
  StereoEnhancer::widenStereo(0, wide, sizeof wide, 16);
  StereoEnhancer::widenStereo(-3, wide, sizeof wide, 16);
  EXPECT_EQ(wide[1], -32767);

  // 8-bit samples are unsigned: silence stays 128, frames widen around it, within 0..255.
  uint8_t bytes[8] = {128, 128, 138, 118, 255, 0, 140, 140};
  StereoEnhancer::widenStereo(10, bytes, sizeof bytes, 8);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8),
            (std::vector<uint8_t>{128, 128, 153, 103, 255, 0, 140, 140}));  // 10 + 15 = 25
}

TEST(StereoEnhancer, ProcessWidensStereoBlocksAndAttenuatesOnRequest) {
  StereoEnhancer* enhancer = StereoEnhancer::take();
  EXPECT_EQ(enhancer->getLevel(), 10);
  EXPECT_FALSE(enhancer->isAttenuating());
  int16_t mono[2] = {1000, -3000};
  enhancer->process(mono, sizeof mono, false, 44100, 16);
  EXPECT_EQ(mono[1], -3000);

  // Level 7 with attenuation: the side grows by 1.05, then every sample is scaled by 0.9.
  enhancer->setLevel(7);
  enhancer->setAttenuate(true);
  int16_t stereo[4] = {1000, -1000, 20000, 20000};
  enhancer->process(stereo, sizeof stereo, true, 44100, 16);
  EXPECT_EQ(std::vector<int16_t>(stereo, stereo + 4),
            (std::vector<int16_t>{1845, -1845, 18000, 18000}));
  uint8_t eight[2] = {128, 128};  // attenuation is for 16-bit samples only
  enhancer->process(eight, 2, true, 44100, 8);
  EXPECT_EQ(eight[0], 128);
  enhancer->release();
}
