// The stereo enhancer: the widening against its integer formula with the limits written out
// branch by branch, its limits near full scale, 8-bit samples around 128, and the attenuation.
#include "audio/filter/StereoEnhancer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using s::sound::filter::StereoEnhancer;

namespace {

// One frame widened as the formula says: the side of the left channel from the mean, scaled and
// truncated, then limited case by case so that neither channel leaves the range.
std::pair<int32_t, int32_t> widened(int32_t left, int32_t right, int32_t level) {
  const float factor = static_cast<float>(level) * 0.15f;
  const int32_t mean = static_cast<int32_t>(std::floor((left + right) / 2.0));
  int32_t side = static_cast<int32_t>(std::trunc(factor * static_cast<float>(left - mean)));
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
  return {left + side, right - side};
}

}  // namespace

TEST(StereoEnhancer, WideningFollowsTheIntegerFormulaAndItsLimits) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> any(-32768, 32767);
  std::uniform_int_distribution<int32_t> loud(28000, 32767);
  std::vector<int16_t> frames;
  for (int32_t i = 0; i < 20000; ++i) {
    // Half of the frames near full scale with opposite signs, where the limits act.
    const bool nearEdge = i % 2 == 0;
    const int32_t left = nearEdge ? loud(random) * (i % 4 == 0 ? 1 : -1) - (i % 4 == 0 ? 0 : 1) : any(random);
    const int32_t right = nearEdge ? -left + any(random) % 3000 : any(random);
    frames.push_back(static_cast<int16_t>(left));
    frames.push_back(static_cast<int16_t>(std::clamp(right, -32768, 32767)));
  }
  frames.insert(frames.end(), {32767, -32768, -32768, 32767, 32767, 32767, -32768, -32768, 0, 0});
  for (int32_t level : {1, 3, 7, 10, 20, 1000}) {
    std::vector<int16_t> block = frames;
    StereoEnhancer::widenStereo(level, block.data(), static_cast<int32_t>(block.size() * 2), 16);
    size_t wrong = 0;
    for (size_t i = 0; i < frames.size(); i += 2) {
      const auto [l, r] = widened(frames[i], frames[i + 1], level);
      if ((block[i] != l || block[i + 1] != r) && ++wrong < 5) {
        ADD_FAILURE() << "level " << level << ", (" << frames[i] << ", " << frames[i + 1] << ") gave ("
                      << block[i] << ", " << block[i + 1] << "), expected (" << l << ", " << r << ")";
      }
    }
    EXPECT_EQ(wrong, 0u) << "level " << level;
  }

  // The documented example, a mono frame, and levels that do nothing.
  int16_t wide[6] = {30000, -30000, 1234, 1234, -5, 7};
  StereoEnhancer::widenStereo(10, wide, sizeof wide, 16);
  EXPECT_EQ(wide[0], 32767);
  EXPECT_EQ(wide[1], -32767);
  EXPECT_EQ(wide[2], 1234);
  EXPECT_EQ(wide[3], 1234);
  int16_t same[2] = {100, -100};
  StereoEnhancer::widenStereo(0, same, sizeof same, 16);
  StereoEnhancer::widenStereo(-3, same, sizeof same, 16);
  EXPECT_EQ(same[0], 100);
  EXPECT_EQ(same[1], -100);
}

TEST(StereoEnhancer, EightBitSamplesWidenAroundOneHundredTwentyEight) {
  // Silence (128) stays silence; a frame is widened on the 16-bit scale and brought back toward
  // zero; the limits keep the bytes within 0..255.
  uint8_t frames[8] = {128, 128, 138, 118, 255, 0, 140, 140};
  StereoEnhancer::widenStereo(10, frames, sizeof frames, 8);
  EXPECT_EQ(frames[0], 128);
  EXPECT_EQ(frames[1], 128);
  EXPECT_EQ(frames[2], 128 + 25);  // 2560 + 1.5 x 2560 = 6400 -> 25
  EXPECT_EQ(frames[3], 128 - 25);
  EXPECT_EQ(frames[4], 255);
  EXPECT_EQ(frames[5], 0);
  EXPECT_EQ(frames[6], 140);
  EXPECT_EQ(frames[7], 140);
}

TEST(StereoEnhancer, ProcessWidensStereoBlocksAndAttenuatesOnRequest) {
  StereoEnhancer* enhancer = StereoEnhancer::take();
  EXPECT_TRUE(enhancer->isEnabled());
  EXPECT_EQ(enhancer->getLevel(), 10);
  EXPECT_FALSE(enhancer->isAttenuating());

  // Mono blocks pass unchanged.
  int16_t mono[4] = {1000, -3000, 5, 32767};
  enhancer->process(mono, sizeof mono, false, 44100, 16);
  EXPECT_EQ(std::vector<int16_t>(mono, mono + 4), (std::vector<int16_t>{1000, -3000, 5, 32767}));

  // Level 7 with attenuation: side x 1.05, then every sample x 0.9 toward zero.
  enhancer->setLevel(7);
  enhancer->setAttenuate(true);
  int16_t stereo[4] = {1000, -1000, 20000, 20000};
  enhancer->process(stereo, sizeof stereo, true, 44100, 16);
  EXPECT_EQ(stereo[0], static_cast<int16_t>((1000 + 1050) * 0.9f));
  EXPECT_EQ(stereo[1], static_cast<int16_t>((-1000 - 1050) * 0.9f));
  EXPECT_EQ(stereo[2], 18000);
  EXPECT_EQ(stereo[3], 18000);

  // Attenuation is for 16-bit samples only.
  uint8_t eight[2] = {128, 128};
  enhancer->process(eight, 2, true, 44100, 8);
  EXPECT_EQ(eight[0], 128);
  enhancer->release();
  EXPECT_EQ(enhancer->getLevel(), 10);  // reset on its way back to the pool
}
