// The three-band equaliser on synthetic signals: the delayed identity at unity gains, the presets'
// settings, the response against the one-pole cascade's formula, low sample rates, and the shapes
// of blocks.
//
// The analytic response: each crossover is a one-pole low-pass H(z) = c / (1 - (1 - c) z^-1) with
// c = 2 sin(pi f / rate), four in a cascade; with Hl and Hh the cascades of the two crossovers the
// output is gl Hl + gm (Hh - Hl) + gh (z^-3 - Hh). Tones of a quarter of full scale are measured
// by projection over a second after half a second of settling; the 16-bit rounding of input and
// output then moves a measured gain by far less than 0.01 dB, so 0.1 dB is a safe margin.
#include "audio/filter/Equalizer.h"
#include "audio/filter/Simd.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

using lumetra::filtertest::amplitudeAt;
using lumetra::filtertest::decibels;
using lumetra::filtertest::runBlocks;
using lumetra::testlib::channelOf;
using lumetra::testlib::makeNoise;
using lumetra::testlib::makeTone;
using s::sound::filter::Equalizer;

namespace {

constexpr int32_t kRate = 44100;

// The cascade's response at `hz`, with the crossovers limited as the filter limits them.
double responseDb(const Equalizer& eq, double hz, int32_t rate) {
  const double w = 2.0 * M_PI * hz / rate;
  const std::complex<double> zi = std::exp(std::complex<double>(0.0, -w));
  auto cascade = [&](int32_t crossover) {
    const double share = std::min(static_cast<double>(crossover) / rate, 0.205);
    const double c = 2.0 * std::sin(M_PI * share);
    return std::pow(c / (1.0 - (1.0 - c) * zi), 4);
  };
  const std::complex<double> low = cascade(eq.getLowFrequency());
  const std::complex<double> high = cascade(eq.getHighFrequency());
  const std::complex<double> y = eq.getLowGain() * low + eq.getMiddleGain() * (high - low) +
                                 eq.getHighGain() * (zi * zi * zi - high);
  return decibels(std::abs(y));
}

// The measured gain in dB of a tone of `hz` at `amplitude` through `eq` (mono).
double measuredDb(Equalizer& eq, double hz, int32_t rate, double amplitude = 0.25) {
  const size_t frames = rate * 3 / 2;
  const std::vector<int16_t> in = makeTone(hz, amplitude, rate, frames, 1);
  const std::vector<int16_t> out = runBlocks(eq, in, false, rate);
  const size_t first = rate / 2;
  const double a = amplitudeAt(channelOf(in.data(), frames, 1, 0), hz, rate, first, rate);
  // The output lags by up to three frames; a delay does not change the amplitude.
  const double b = amplitudeAt(channelOf(out.data(), frames, 1, 0), hz, rate, first, rate);
  return decibels(b / a);
}

}  // namespace

TEST(Equalizer, UnityGainsGiveTheInputDelayedByThreeFrames) {
  for (int32_t channels : {1, 2}) {
    for (size_t blockBytes : {size_t{4608}, size_t{4 * 311}, size_t{4}}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, blocks of " << blockBytes);
      std::vector<int16_t> in = makeNoise(11, 1.0, 20000, channels);
      in[100] = 32767;
      in[101] = -32768;
      Equalizer* eq = Equalizer::take();
      const std::vector<int16_t> out = runBlocks(*eq, in, channels == 2, kRate, blockBytes);
      eq->release();
      size_t wrong = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        const size_t lag = 3 * channels;
        const int32_t expected = i < lag ? 0 : in[i - lag];
        if (std::abs(out[i] - expected) > 1 && ++wrong < 5) {
          ADD_FAILURE() << "sample " << i << ": " << out[i] << ", expected " << expected;
        }
      }
      EXPECT_EQ(wrong, 0u);
    }
  }
}

TEST(Equalizer, PresetsSetTheirGainsAndCrossovers) {
  using Setter = void (Equalizer::*)(int32_t, int32_t);
  const int32_t bass[5][2] = {{500, 5000}, {880, 5000}, {1500, 5000}, {3000, 5000}, {5000, 5000}};
  const int32_t middle[5][2] = {{1500, 3000}, {1000, 4000}, {880, 5000}, {750, 7000}, {500, 9000}};
  const int32_t high[5][2] = {{880, 9000}, {880, 7000}, {880, 5000}, {880, 4000}, {880, 3000}};
  struct Row {
    const char* name;
    Setter set;
    double low, middle, high;
    const int32_t (*crossovers)[2];
  };
  const Row rows[] = {
      {"setBassBoost", &Equalizer::setBassBoost, 1.4, 1.0, 1.0, bass},
      {"setBassSuppress", &Equalizer::setBassSuppress, 0.6, 1.0, 1.0, bass},
      {"setBassOnly", &Equalizer::setBassOnly, 1.4, 0.0, 0.0, bass},
      {"setMiddleBoost", &Equalizer::setMiddleBoost, 1.0, 1.4, 1.0, middle},
      {"setMiddleSuppress", &Equalizer::setMiddleSuppress, 1.0, 0.6, 1.0, middle},
      {"setMiddleOnly", &Equalizer::setMiddleOnly, 0.0, 1.4, 0.0, middle},
      {"setHighBoost", &Equalizer::setHighBoost, 1.0, 1.0, 1.4, high},
      {"setHighSuppress", &Equalizer::setHighSuppress, 1.0, 1.0, 0.6, high},
      {"setHighOnly", &Equalizer::setHighOnly, 0.0, 0.0, 1.4, high},
  };
  Equalizer* eq = Equalizer::take();
  for (const Row& row : rows) {
    for (int32_t type = 1; type <= 5; ++type) {
      SCOPED_TRACE(testing::Message() << row.name << " type " << type);
      (eq->*row.set)(4, type);
      EXPECT_NEAR(eq->getLowGain(), row.low, 1e-12);
      EXPECT_NEAR(eq->getMiddleGain(), row.middle, 1e-12);
      EXPECT_NEAR(eq->getHighGain(), row.high, 1e-12);
      EXPECT_EQ(eq->getLowFrequency(), row.crossovers[type - 1][0]);
      EXPECT_EQ(eq->getHighFrequency(), row.crossovers[type - 1][1]);
      EXPECT_NEAR(eq->getLowCoefficient(), 2.0 * std::sin(M_PI * row.crossovers[type - 1][0] / 44100),
                  1e-10);
      EXPECT_NEAR(eq->getHighCoefficient(),
                  2.0 * std::sin(M_PI * row.crossovers[type - 1][1] / 44100), 1e-10);
    }
    // Types outside 1 to 5 change the gains only: the crossovers of type 2 stay.
    for (int32_t type : {0, 6, -1}) {
      (eq->*row.set)(4, 2);
      (eq->*row.set)(9, type);
      EXPECT_EQ(eq->getLowFrequency(), row.crossovers[1][0]);
      EXPECT_EQ(eq->getHighFrequency(), row.crossovers[1][1]);
      EXPECT_NEAR(eq->getLowCoefficient(), 2.0 * std::sin(M_PI * row.crossovers[1][0] / 44100),
                  1e-10);
      // Level 9 moves each changed gain 9/4 as far from 1 as level 4 did.
      auto at9 = [](double at4) { return at4 == 0.0 ? 0.0 : 1.0 + (at4 - 1.0) * 9.0 / 4.0; };
      EXPECT_NEAR(eq->getLowGain(), at9(row.low), 1e-12);
      EXPECT_NEAR(eq->getMiddleGain(), at9(row.middle), 1e-12);
      EXPECT_NEAR(eq->getHighGain(), at9(row.high), 1e-12);
    }
  }
  eq->release();
}

TEST(Equalizer, ResponseFollowsTheOnePoleCascade) {
  struct Case {
    const char* name;
    void (Equalizer::*set)(int32_t, int32_t);
    int32_t level, type;
  };
  const Case cases[] = {
      {"bass boost 5/3", &Equalizer::setBassBoost, 5, 3},
      {"bass suppress 8/2", &Equalizer::setBassSuppress, 8, 2},
      {"middle boost 10/4", &Equalizer::setMiddleBoost, 10, 4},
      {"high boost 7/1", &Equalizer::setHighBoost, 7, 1},
      {"high suppress 5/5", &Equalizer::setHighSuppress, 5, 5},
  };
  for (const Case& c : cases) {
    for (double hz : {50.0, 100.0, 200.0, 500.0, 880.0, 1000.0, 2000.0, 5000.0, 10000.0, 15000.0}) {
      Equalizer* eq = Equalizer::take();
      (eq->*c.set)(c.level, c.type);
      const double expected = responseDb(*eq, hz, kRate);
      EXPECT_NEAR(measuredDb(*eq, hz, kRate), expected, 0.1) << c.name << " at " << hz << " Hz";
      eq->release();
    }
  }
}

TEST(Equalizer, LowRateSourcesKeepAStableBoundedResponse) {
  // A crossover of 9000 Hz lies above the whole band of an 8 kHz source; 7000 Hz and 9000 Hz
  // crossovers sit near the top of a 16 or 22.05 kHz source. The filter limits them to 0.205 of
  // the rate, so the response near the top of the band stays near what 44.1 kHz gives.
  EXPECT_EQ(Equalizer::coefficient(9000, 8000), Equalizer::coefficient(1640, 8000));
  EXPECT_EQ(Equalizer::coefficient(9000, 44100), 2.0 * std::sin(9000.0 / 44100 * 3.14159265359));
  EXPECT_EQ(Equalizer::coefficient(0, 44100), 0.0);
  EXPECT_EQ(Equalizer::coefficient(-500, 44100), 0.0);

  for (int32_t rate : {8000, 11025, 16000, 22050}) {
    for (int32_t type : {1, 2}) {
      SCOPED_TRACE(testing::Message() << rate << " Hz, high boost 10/" << type);
      Equalizer* eq = Equalizer::take();
      eq->setHighBoost(10, type);
      const double top = 0.45 * rate;
      const double gain = measuredDb(*eq, top, rate, 0.01);
      EXPECT_NEAR(gain, responseDb(*eq, top, rate), 0.1);
      EXPECT_LT(gain, 20.0);
      eq->release();
    }
    // Noise through the preset whose crossover lies furthest up: bounded, never full scale.
    Equalizer* eq = Equalizer::take();
    eq->setMiddleBoost(10, 5);
    const std::vector<int16_t> out = runBlocks(*eq, makeNoise(5, 0.05, rate * 2, 2), true, rate);
    eq->release();
    int32_t peak = 0;
    for (int16_t v : out) {
      peak = std::max(peak, std::abs(static_cast<int32_t>(v)));
    }
    EXPECT_LT(peak, 16384) << rate << " Hz";
  }
}

TEST(Equalizer, BothVectorCodesGiveTheSameSamples) {
  // The 128-bit code runs everywhere; the 256-bit code where the processor has it. Both do the
  // same operations lane by lane, so the samples must be equal, mono and stereo, over blocks that
  // are not multiples of the vector widths.
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  if (!simd::setUseAvx2(true)) {
    GTEST_SKIP() << "the processor has no 256-bit code to compare";
  }
  for (bool stereo : {true, false}) {
    std::vector<int16_t> results[2];
    for (bool avx2 : {false, true}) {
      simd::setUseAvx2(avx2);
      Equalizer* eq = Equalizer::take();
      eq->setMiddleBoost(7, 4);
      results[avx2] = runBlocks(*eq, makeNoise(8, 0.9, 9000, 2), stereo, kRate, 4 * 333);
      eq->release();
    }
    EXPECT_EQ(results[0], results[1]) << (stereo ? "stereo" : "mono");
  }
  simd::setUseAvx2(defaultAvx2);
}

TEST(Equalizer, BlockShapesWidthsAndRates) {
  // With unity gains the output is the input three frames late: a mono block of 6 bytes holds
  // three samples, so the second block gives back the first.
  Equalizer* eq = Equalizer::take();
  int16_t first[3] = {1000, -2000, 3000};
  int16_t second[3] = {4, 5, 6};
  eq->process(first, 6, false, kRate, 16);
  eq->process(second, 6, false, kRate, 16);
  EXPECT_LE(std::abs(second[0] - 1000), 1);
  EXPECT_LE(std::abs(second[1] + 2000), 1);
  EXPECT_LE(std::abs(second[2] - 3000), 1);
  eq->release();

  // A stereo block of 6 bytes is one frame; the last two bytes are left alone. The frame goes
  // in and silence comes out (the three frames before it were silent).
  eq = Equalizer::take();
  int16_t stereo[3] = {12000, -12000, 777};
  eq->process(stereo, 6, true, kRate, 16);
  EXPECT_LE(std::abs(stereo[0]), 1);
  EXPECT_LE(std::abs(stereo[1]), 1);
  EXPECT_EQ(stereo[2], 777);

  // 8-bit blocks, other widths and rates of 0 or less pass unchanged.
  eq->setBassBoost(10, 1);
  uint8_t eight[4] = {0, 128, 200, 255};
  eq->process(eight, 4, true, kRate, 8);
  EXPECT_EQ(std::vector<uint8_t>(eight, eight + 4), (std::vector<uint8_t>{0, 128, 200, 255}));
  int16_t block[4] = {100, 200, 300, 400};
  eq->process(block, 8, true, 0, 16);
  eq->process(block, 8, true, kRate, 24);
  EXPECT_EQ(std::vector<int16_t>(block, block + 4), (std::vector<int16_t>{100, 200, 300, 400}));
  eq->release();
}
