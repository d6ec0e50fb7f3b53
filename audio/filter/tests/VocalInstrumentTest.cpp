// The vocal or instrument filter: its set-ups, the level, boost and centring steps with their
// clamps, the order of the steps in both modes, and 8-bit samples around 128.
#include "audio/filter/Equalizer.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <vector>

using lumetra::filtertest::runBlocks;
using s::sound::filter::Equalizer;
using s::sound::filter::StereoEnhancer;
using s::sound::filter::VocalInstrument;

TEST(VocalInstrument, SetUpsChooseModeLevelsGainsAndCrossovers) {
  VocalInstrument* filter = VocalInstrument::take();
  const Equalizer& eq = filter->getEqualizer();
  auto setting = [&] {
    return std::vector<double>{eq.getLowGain(), eq.getMiddleGain(), eq.getHighGain(),
                               static_cast<double>(eq.getLowFrequency()),
                               static_cast<double>(eq.getHighFrequency())};
  };
  filter->setBoostAfter(true);
  filter->setInstrumentBoost(10, 10);
  EXPECT_TRUE(filter->isInstrumentMode());
  EXPECT_TRUE(filter->isBoostAfter());  // left as it was
  EXPECT_EQ(setting(), (std::vector<double>{1.25, 0, 1.25, 750, 7000}));
  EXPECT_NEAR(eq.getHighCoefficient(), 2.0 * std::sin(M_PI * 7000 / 44100), 1e-10);
  filter->setInstrumentBoost(4, 3);
  EXPECT_EQ(setting(), (std::vector<double>{1.1, 1 - 0.1 * 3, 1.1, 750, 7000}));
  for (auto [second, outer, low, high] : {std::tuple{0, 1.0, 880, 5000},
                                          {-1, 1.0, 880, 5000},
                                          {1, 0.0, 500, 9000},
                                          {2, 0.0, 500, 9000},
                                          {3, 0.0, 750, 7000}}) {
    filter->setVocalBoost(6, second);
    EXPECT_FALSE(filter->isInstrumentMode());
    EXPECT_EQ(filter->getSecondLevel(), second);
    EXPECT_EQ(setting(), (std::vector<double>{outer, 1.6, outer, 1.0 * low, 1.0 * high}))
        << "second level " << second;
  }
  filter->release();
}

TEST(VocalInstrument, LevelBoostAndCentringStepsTruncateAndClamp) {
  int16_t samples[6] = {1001, -1001, 32767, -32768, 30000, -30000};
  VocalInstrument::scaleLevel(10, samples, sizeof samples, 16);  // halves
  EXPECT_EQ(std::vector<int16_t>(samples, samples + 6),
            (std::vector<int16_t>{500, -500, 16383, -16384, 15000, -15000}));
  int16_t loud[4] = {30000, -30000, 1000, -1000};
  VocalInstrument::scaleLevel(-4, loud, sizeof loud, 16);  // x 1.2, clamped instead of wrapped
  EXPECT_EQ(std::vector<int16_t>(loud, loud + 4),
            (std::vector<int16_t>{32767, -32768, 1200, -1200}));
  uint8_t bytes[5] = {128, 255, 0, 250, 5};
  VocalInstrument::scaleLevel(10, bytes, 3, 8);
  VocalInstrument::scaleLevel(-4, bytes + 3, 2, 8);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{128, 191, 64, 255, 0}));

  // Second level 10 makes a frame mono at its mean, 5 goes half-way, beyond 10 clamps; 8-bit
  // blocks and second levels of 0 or less are left alone.
  int16_t frames[8] = {1000, -1000, 3000, 1000, 3000, 1000, 30000, -30000};
  VocalInstrument::centreStereo(10, frames, 8, 16);
  VocalInstrument::centreStereo(5, frames + 4, 4, 16);
  VocalInstrument::centreStereo(30, frames + 6, 4, 16);
  EXPECT_EQ(std::vector<int16_t>(frames, frames + 8),
            (std::vector<int16_t>{0, 0, 2000, 2000, 2500, 1500, -32768, 32767}));
  VocalInstrument::centreStereo(0, frames + 4, 4, 16);
  VocalInstrument::centreStereo(10, frames + 4, 4, 8);
  EXPECT_EQ(frames[4], 2500);
}

TEST(VocalInstrument, ModesRunTheirStepsInOrder) {
  const std::vector<int16_t> noise = lumetra::testlib::makeNoise(21, 0.9, 20000, 2);
  for (bool instrument : {true, false}) {
    for (bool stereo : {true, false}) {
      VocalInstrument* filter = VocalInstrument::take();
      Equalizer* eq = Equalizer::take();
      if (instrument) {
        filter->setInstrumentBoost(8, 6);
        filter->setBoostAfter(true);
        eq->setGains(1.2, 0.4, 1.2);
        eq->setCrossovers(750, 7000);
      } else {
        filter->setVocalBoost(10, 4);
        eq->setGains(0.0, 2.0, 0.0);
        eq->setCrossovers(750, 7000);
      }
      std::vector<int16_t> expected = noise;
      for (size_t at = 0; at < expected.size(); at += 2304) {
        int16_t* block = expected.data() + at;
        const int32_t bytes =
            static_cast<int32_t>(std::min<size_t>(2304, expected.size() - at) * 2);
        VocalInstrument::scaleLevel(instrument ? 8 : 10, block, bytes, 16);
        if (stereo && instrument) {
          StereoEnhancer::widenStereo(8, block, bytes, 16);
        } else if (stereo) {
          VocalInstrument::centreStereo(4, block, bytes, 16);
        }
        eq->process(block, bytes, stereo, 44100, 16);
        if (instrument) {
          VocalInstrument::scaleLevel(-4, block, bytes, 16);
        }
      }
      EXPECT_EQ(runBlocks(*filter, noise, stereo, 44100), expected)
          << (instrument ? "instrument, " : "vocal, ") << (stereo ? "stereo" : "mono");
      eq->release();
      filter->release();
    }
  }
}

TEST(VocalInstrument, EightBitSilenceStaysSilentInEveryMode) {
  // 8-bit PCM is unsigned around 128; taken as signed bytes it would come out shifted and
  // distorted. Silence stays 128 and a quiet frame stays near it.
  VocalInstrument* filter = VocalInstrument::take();
  for (int32_t mode = 0; mode < 3; ++mode) {
    if (mode < 2) {
      filter->setInstrumentBoost(mode == 0 ? 10 : 5, mode == 0 ? 10 : 0);
      filter->setBoostAfter(mode == 0);
    } else {
      filter->setVocalBoost(10, 10);
    }
    uint8_t block[8] = {128, 128, 128, 128, 132, 124, 130, 130};
    filter->process(block, sizeof block, true, 8000, 8);
    for (int32_t i = 0; i < 8; ++i) {
      EXPECT_LE(std::abs(block[i] - 128), i < 4 ? 0 : 6) << "mode " << mode << ", byte " << i;
    }
  }
  filter->release();
}
