// The vocal or instrument filter: its set-ups, the level, boost and centring steps with their
// clamps, the order of the steps in both modes, and 8-bit samples around 128.
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using lumetra::filtertest::runBlocks;
using lumetra::testlib::makeNoise;
using s::sound::filter::Equalizer;
using s::sound::filter::StereoEnhancer;
using s::sound::filter::VocalInstrument;

namespace {

struct Setting {
  double low, middle, high;
  int32_t lowHz, highHz;
};

void expectSetting(VocalInstrument& filter, const Setting& s) {
  Equalizer& eq = filter.getEqualizer();
  EXPECT_NEAR(eq.getLowGain(), s.low, 1e-12);
  EXPECT_NEAR(eq.getMiddleGain(), s.middle, 1e-12);
  EXPECT_NEAR(eq.getHighGain(), s.high, 1e-12);
  EXPECT_EQ(eq.getLowFrequency(), s.lowHz);
  EXPECT_EQ(eq.getHighFrequency(), s.highHz);
  EXPECT_NEAR(eq.getLowCoefficient(), 2.0 * std::sin(M_PI * s.lowHz / 44100), 1e-10);
  EXPECT_NEAR(eq.getHighCoefficient(), 2.0 * std::sin(M_PI * s.highHz / 44100), 1e-10);
}

// The samples with `step` run on each block of 2304 samples, as runBlocks divides them.
template <class Step>
std::vector<int16_t> byBlocks(std::vector<int16_t> samples, Step step) {
  for (size_t at = 0; at < samples.size(); at += 2304) {
    step(samples.data() + at, static_cast<int32_t>(std::min<size_t>(2304, samples.size() - at) * 2));
  }
  return samples;
}

}  // namespace

TEST(VocalInstrument, SetUpsChooseModeLevelsGainsAndCrossovers) {
  VocalInstrument* filter = VocalInstrument::take();
  EXPECT_TRUE(filter->isInstrumentMode());
  EXPECT_EQ(filter->getLevel(), 10);
  EXPECT_EQ(filter->getSecondLevel(), 0);
  EXPECT_FALSE(filter->isBoostAfter());

  filter->setBoostAfter(true);
  filter->setInstrumentBoost(10, 10);
  EXPECT_TRUE(filter->isInstrumentMode());
  EXPECT_TRUE(filter->isBoostAfter());  // left as it was
  EXPECT_EQ(filter->getSecondLevel(), 10);
  expectSetting(*filter, {1.25, 0.0, 1.25, 750, 7000});
  filter->setInstrumentBoost(4, 3);
  expectSetting(*filter, {1.1, 0.7, 1.1, 750, 7000});

  const struct {
    int32_t second;
    Setting setting;
  } vocal[] = {{-1, {1, 1.6, 1, 880, 5000}}, {0, {1, 1.6, 1, 880, 5000}},
               {1, {0, 1.6, 0, 500, 9000}},  {2, {0, 1.6, 0, 500, 9000}},
               {3, {0, 1.6, 0, 750, 7000}},  {10, {0, 1.6, 0, 750, 7000}}};
  for (const auto& row : vocal) {
    SCOPED_TRACE(testing::Message() << "vocal 6/" << row.second);
    filter->setVocalBoost(6, row.second);
    EXPECT_FALSE(filter->isInstrumentMode());
    EXPECT_EQ(filter->getLevel(), 6);
    EXPECT_EQ(filter->getSecondLevel(), row.second);
    expectSetting(*filter, row.setting);
  }
  filter->release();
}

TEST(VocalInstrument, LevelBoostAndCentringStepsTruncateAndClamp) {
  // Level 10 halves, level 0 keeps, -4 is the boost by 1.2, clamped at both ends.
  int16_t samples[6] = {1001, -1001, 32767, -32768, 30000, -30000};
  VocalInstrument::scaleLevel(0, samples, sizeof samples, 16);
  EXPECT_EQ(samples[0], 1001);
  VocalInstrument::scaleLevel(10, samples, sizeof samples, 16);
  EXPECT_EQ(std::vector<int16_t>(samples, samples + 6),
            (std::vector<int16_t>{500, -500, 16383, -16384, 15000, -15000}));
  int16_t loud[4] = {30000, -30000, 1000, -1000};
  VocalInstrument::scaleLevel(-4, loud, sizeof loud, 16);
  EXPECT_EQ(std::vector<int16_t>(loud, loud + 4), (std::vector<int16_t>{32767, -32768, 1200, -1200}));

  // 8-bit samples scale around 128 and clamp to the byte.
  uint8_t bytes[5] = {128, 255, 0, 138, 118};
  VocalInstrument::scaleLevel(10, bytes, sizeof bytes, 8);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{128, 191, 64, 133, 123}));
  uint8_t edge[2] = {250, 5};
  VocalInstrument::scaleLevel(-4, edge, sizeof edge, 8);
  EXPECT_EQ(edge[0], 255);
  EXPECT_EQ(edge[1], 0);

  // Centring: second level 10 makes a frame mono at its mean, 5 goes half-way; 8-bit blocks and
  // second levels of 0 or less are left alone; beyond 10 the results are clamped.
  int16_t frames[6] = {1000, -1000, 3000, 1000, 30000, -30000};
  VocalInstrument::centreStereo(10, frames, 8, 16);
  EXPECT_EQ(std::vector<int16_t>(frames, frames + 4), (std::vector<int16_t>{0, 0, 2000, 2000}));
  int16_t half[2] = {3000, 1000};
  VocalInstrument::centreStereo(5, half, sizeof half, 16);
  EXPECT_EQ(half[0], 2500);
  EXPECT_EQ(half[1], 1500);
  VocalInstrument::centreStereo(0, half, sizeof half, 16);
  VocalInstrument::centreStereo(10, half, sizeof half, 8);
  EXPECT_EQ(half[0], 2500);
  int16_t far[2] = {30000, -30000};
  VocalInstrument::centreStereo(30, far, sizeof far, 16);
  EXPECT_EQ(far[0], -32768);
  EXPECT_EQ(far[1], 32767);
}

TEST(VocalInstrument, ModesRunTheirStepsInOrder) {
  const std::vector<int16_t> noise = makeNoise(21, 0.9, 20000, 2);
  for (bool stereo : {true, false}) {
    SCOPED_TRACE(stereo ? "stereo" : "mono");
    // Instrument mode: scaled by level, widened (stereo only), equalised, boosted by 1.2.
    VocalInstrument* filter = VocalInstrument::take();
    filter->setInstrumentBoost(8, 6);
    filter->setBoostAfter(true);
    Equalizer* eq = Equalizer::take();
    eq->setGains(1.2, 0.4, 1.2);
    eq->setCrossovers(750, 7000);
    std::vector<int16_t> expected = byBlocks(noise, [&](int16_t* block, int32_t bytes) {
      VocalInstrument::scaleLevel(8, block, bytes, 16);
      if (stereo) {
        StereoEnhancer::widenStereo(8, block, bytes, 16);
      }
      eq->process(block, bytes, stereo, 44100, 16);
      VocalInstrument::scaleLevel(-4, block, bytes, 16);
    });
    EXPECT_EQ(runBlocks(*filter, noise, stereo, 44100), expected);
    eq->release();
    filter->release();

    // Vocal mode: scaled by level, centred (stereo only), equalised.
    filter = VocalInstrument::take();
    filter->setVocalBoost(10, 4);
    eq = Equalizer::take();
    eq->setGains(0.0, 2.0, 0.0);
    eq->setCrossovers(750, 7000);
    expected = byBlocks(noise, [&](int16_t* block, int32_t bytes) {
      VocalInstrument::scaleLevel(10, block, bytes, 16);
      if (stereo) {
        VocalInstrument::centreStereo(4, block, bytes, 16);
      }
      eq->process(block, bytes, stereo, 44100, 16);
    });
    EXPECT_EQ(runBlocks(*filter, noise, stereo, 44100), expected);
    eq->release();
    filter->release();
  }
}

TEST(VocalInstrument, EightBitSilenceStaysSilentInEveryMode) {
  // 8-bit PCM is unsigned: 128 is silence. Taken as signed bytes it would come out shifted and
  // distorted; here silence stays 128 and a quiet frame stays near it.
  VocalInstrument* filter = VocalInstrument::take();
  for (int32_t mode = 0; mode < 3; ++mode) {
    if (mode == 0) {
      filter->setInstrumentBoost(10, 10);
      filter->setBoostAfter(true);  // Soft Breeze
    } else if (mode == 1) {
      filter->setInstrumentBoost(5, 0);
      filter->setBoostAfter(false);
    } else {
      filter->setVocalBoost(10, 10);
    }
    uint8_t block[8] = {128, 128, 128, 128, 132, 124, 130, 130};
    filter->process(block, sizeof block, true, 8000, 8);
    for (int32_t i = 0; i < 4; ++i) {
      EXPECT_EQ(block[i], 128) << "mode " << mode << ", byte " << i;
    }
    for (int32_t i = 4; i < 8; ++i) {
      EXPECT_LE(std::abs(block[i] - 128), 6) << "mode " << mode << ", byte " << i;
    }
  }
  filter->release();
}
