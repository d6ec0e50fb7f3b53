// The three-band equaliser: its samples against the pole form, the delayed identity at unity
// gains, the presets, the response against the one-pole cascade's formula, low sample rates, and
// both vector codes.
//
// Each crossover is a one-pole low-pass H(z) = c / (1 - (1 - c) z^-1), c = 2 sin(pi f / rate),
// four in a cascade; with Hl and Hh the cascades of the two crossovers the output is
// gl Hl + gm (Hh - Hl) + gh (z^-3 - Hh). Tones of a quarter of full scale, measured by projection
// over a second after half a second of settling, move by far less than 0.01 dB through the
// 16-bit rounding, so 0.1 dB is a safe margin.
#include "audio/filter/Equalizer.h"
#include "audio/filter/Simd.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
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

// The formula's response at `hz`.
double responseDb(const Equalizer& eq, double hz, int32_t rate) {
  return lumetra::filtertest::equalizerResponseDb(eq, hz, rate);
}

// The measured gain in dB of a mono tone through `eq`.
double measuredDb(Equalizer& eq, double hz, int32_t rate, double amplitude = 0.25) {
  const size_t frames = rate * 3 / 2;
  const std::vector<int16_t> in = makeTone(hz, amplitude, rate, frames, 1);
  const std::vector<int16_t> out = runBlocks(eq, in, false, rate);
  return decibels(amplitudeAt(channelOf(out.data(), frames, 1, 0), hz, rate, rate / 2, rate) /
                  amplitudeAt(channelOf(in.data(), frames, 1, 0), hz, rate, rate / 2, rate));
}

// The filter in the pole form its contract states, one sample at a time: per crossover four
// one-pole low-passes p += c (x - p), the first with the anti-denormal offset; the high band is
// the input three frames back minus the high cascade, the middle band what remains.
std::vector<int16_t> poleForm(const Equalizer& eq, const std::vector<int16_t>& in, int32_t channels,
                              int32_t rate) {
  const double cl = Equalizer::coefficient(eq.getLowFrequency(), rate);
  const double ch = Equalizer::coefficient(eq.getHighFrequency(), rate);
  const double anti = 1.0 / 4294967295.0;
  std::vector<int16_t> out(in.size());
  for (int32_t c = 0; c < channels; ++c) {
    double low[4] = {}, high[4] = {}, history[3] = {};
    for (size_t i = c; i < in.size(); i += channels) {
      const double x = in[i] < 0 ? in[i] / 32768.0 : in[i] / 32767.0;
      low[0] += cl * (x - low[0]) + anti;
      high[0] += ch * (x - high[0]) + anti;
      for (int k = 1; k < 4; ++k) {
        low[k] += cl * (low[k - 1] - low[k]);
        high[k] += ch * (high[k - 1] - high[k]);
      }
      const double delayed = history[2];
      history[2] = history[1];
      history[1] = history[0];
      history[0] = x;
      const double highBand = delayed - high[3];
      const double middle = delayed - (highBand + low[3]);
      const double y =
          eq.getLowGain() * low[3] + eq.getMiddleGain() * middle + eq.getHighGain() * highBand;
      double v = y >= 0.0 ? y * 32767.0 : y * 32768.0;
      v = std::clamp(v, -32768.0, 32767.0);
      out[i] = static_cast<int16_t>(v);
    }
  }
  return out;
}

// The filter as it computed its samples before its poles were scaled and advanced two frames at
// a time, one sample at a time: per crossover four poles p = (1 - c) p + c x (the first with the
// anti-denormal offset added to c x), the bands mixed as (gl - gm) low + (gm - gh) highCascade
// + gh input, the sample taken as the vector code takes it.
std::vector<int16_t> previousForm(const Equalizer& eq, const std::vector<int16_t>& in,
                                  int32_t channels, int32_t rate) {
  const double cl = Equalizer::coefficient(eq.getLowFrequency(), rate);
  const double ch = Equalizer::coefficient(eq.getHighFrequency(), rate);
  const double keepLow = 1.0 - cl;
  const double keepHigh = 1.0 - ch;
  const double anti = 1.0 / 4294967295.0;
  const double lowWeight = eq.getLowGain() - eq.getMiddleGain();
  const double highCascadeWeight = eq.getMiddleGain() - eq.getHighGain();
  const double inputWeight = eq.getHighGain();
  std::vector<int16_t> out(in.size());
  for (int32_t c = 0; c < channels; ++c) {
    double low[4] = {}, high[4] = {}, history[3] = {};
    for (size_t i = c; i < in.size(); i += channels) {
      const double x = in[i] * (in[i] < 0 ? 1.0 / 32768.0 : 1.0 / 32767.0);
      low[0] = keepLow * low[0] + (cl * x + anti);
      high[0] = keepHigh * high[0] + (ch * x + anti);
      for (int k = 1; k < 4; ++k) {
        low[k] = keepLow * low[k] + cl * low[k - 1];
        high[k] = keepHigh * high[k] + ch * high[k - 1];
      }
      const double delayed = history[2];
      history[2] = history[1];
      history[1] = history[0];
      history[0] = x;
      const double y = lowWeight * low[3] + highCascadeWeight * high[3] + inputWeight * delayed;
      double v = y * (y >= 0.0 ? 32767.0 : 32768.0);
      v = v < 32767.0 ? v : 32767.0;
      v = v > -32768.0 ? v : -32768.0;
      out[i] = static_cast<int16_t>(v);
    }
  }
  return out;
}

// Loud noise, then a sine sweeping from 20 Hz to the top of the band, both clipping in the
// presets that boost.
std::vector<int16_t> noiseAndSweep(int32_t channels, int32_t rate) {
  const size_t noiseFrames = static_cast<size_t>(rate);
  const size_t sweepFrames = static_cast<size_t>(rate);
  std::vector<int16_t> out = makeNoise(21, 0.9, noiseFrames, channels);
  double phase = 0.0;
  for (size_t i = 0; i < sweepFrames; ++i) {
    const double hz = 20.0 + (0.5 * rate - 20.0) * static_cast<double>(i) / sweepFrames;
    phase += 2.0 * M_PI * hz / rate;
    for (int32_t c = 0; c < channels; ++c) {
      out.push_back(static_cast<int16_t>(std::lround(0.9 * 32767.0 * std::sin(phase + c))));
    }
  }
  return out;
}

}  // namespace

TEST(Equalizer, SamplesAreThoseOfThePoleFormWithinOneStep) {
  // Loud noise over a tone clips in every preset that boosts; the rates reach the limited
  // crossovers; blocks of 333 frames cut every vector group and chunk.
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  const struct {
    void (Equalizer::*set)(int32_t, int32_t);
    int32_t level, type;
  } presets[] = {{&Equalizer::setBassBoost, 5, 3},
                 {&Equalizer::setMiddleSuppress, 8, 5},
                 {&Equalizer::setHighOnly, 10, 1},
                 {&Equalizer::setBassOnly, 3, 1}};
  for (bool avx2 : {false, true}) {
    if (!simd::setUseAvx2(avx2)) {
      continue;  // the processor has no 256-bit code
    }
    for (int32_t channels : {1, 2}) {
      for (int32_t rate : {44100, 22050, 8000}) {
        for (const auto& p : presets) {
          std::vector<int16_t> in = makeNoise(4, 0.8, 30000, channels);
          const std::vector<int16_t> tone = makeTone(300.0, 0.3, rate, 30000, channels);
          for (size_t i = 0; i < in.size(); ++i) {
            in[i] = static_cast<int16_t>(std::clamp(in[i] + tone[i], -32768, 32767));
          }
          Equalizer* eq = Equalizer::take();
          (eq->*p.set)(p.level, p.type);
          const std::vector<int16_t> expected = poleForm(*eq, in, channels, rate);
          const std::vector<int16_t> out = runBlocks(*eq, in, channels == 2, rate, 4 * 333);
          eq->release();
          int32_t worst = 0;
          for (size_t i = 0; i < in.size(); ++i) {
            worst = std::max(worst, std::abs(out[i] - expected[i]));
          }
          EXPECT_LE(worst, 1) << (avx2 ? "256" : "128") << "-bit code, " << channels
                              << " channels at " << rate << " Hz, level " << p.level << " type "
                              << p.type;
        }
      }
    }
  }
  simd::setUseAvx2(defaultAvx2);
}

TEST(Equalizer, SamplesAreThoseOfThePreviousFormWithinOneStep) {
  // Every preset kind and type at two levels, mono and stereo, at 44.1 and 8 kHz, every vector
  // code, in blocks of 333 frames that cut every pair of frames, group and chunk.
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  void (Equalizer::*const setters[])(int32_t, int32_t) = {
      &Equalizer::setBassBoost,   &Equalizer::setBassSuppress,   &Equalizer::setBassOnly,
      &Equalizer::setMiddleBoost, &Equalizer::setMiddleSuppress, &Equalizer::setMiddleOnly,
      &Equalizer::setHighBoost,   &Equalizer::setHighSuppress,   &Equalizer::setHighOnly};
  int32_t worst = 0;
  size_t differing = 0;
  size_t total = 0;
  for (bool avx2 : {false, true}) {
    if (!simd::setUseAvx2(avx2)) {
      continue;  // the processor has no 256-bit code
    }
    for (int32_t channels : {1, 2}) {
      for (int32_t rate : {44100, 8000}) {
        const std::vector<int16_t> in = noiseAndSweep(channels, rate);
        for (size_t s = 0; s < std::size(setters); ++s) {
          for (int32_t type = 1; type <= 5; ++type) {
            for (int32_t level : {4, 10}) {
              Equalizer* eq = Equalizer::take();
              void (Equalizer::*set)(int32_t, int32_t) = setters[s];
              (eq->*set)(level, type);
              const std::vector<int16_t> expected = previousForm(*eq, in, channels, rate);
              const std::vector<int16_t> out = runBlocks(*eq, in, channels == 2, rate, 4 * 333);
              eq->release();
              int32_t here = 0;
              for (size_t i = 0; i < in.size(); ++i) {
                const int32_t d = std::abs(out[i] - expected[i]);
                here = std::max(here, d);
                differing += d != 0;
              }
              total += in.size();
              worst = std::max(worst, here);
              EXPECT_LE(here, 1) << (avx2 ? "256" : "128") << "-bit code, " << channels
                                 << " channels at " << rate << " Hz, setter " << s << " type "
                                 << type << " level " << level;
            }
          }
        }
      }
    }
  }
  simd::setUseAvx2(defaultAvx2);
  std::printf("largest difference from the previous form: %d (%zu of %zu samples differ)\n", worst,
              differing, total);
}

TEST(Equalizer, UnityGainsGiveTheInputDelayedByThreeFrames) {
  for (int32_t channels : {1, 2}) {
    for (size_t blockBytes : {size_t{4608}, size_t{4 * 311}, size_t{4}}) {
      const std::vector<int16_t> in = makeNoise(11, 1.0, 20000, channels);
      Equalizer* eq = Equalizer::take();
      const std::vector<int16_t> out = runBlocks(*eq, in, channels == 2, kRate, blockBytes);
      eq->release();
      size_t wrong = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        const int32_t expected = i < 3u * channels ? 0 : in[i - 3 * channels];
        wrong += std::abs(out[i] - expected) > 1;
      }
      EXPECT_EQ(wrong, 0u) << channels << " channels, blocks of " << blockBytes;
    }
  }
  // A stereo block of 6 bytes is one frame; its last two bytes are left alone.
  Equalizer* eq = Equalizer::take();
  int16_t odd[3] = {12000, -12000, 777};
  eq->process(odd, 6, true, kRate, 16);
  EXPECT_EQ(std::vector<int16_t>(odd, odd + 3), (std::vector<int16_t>{0, 0, 777}));
  // 8-bit blocks, other widths and rates of 0 or less pass unchanged.
  eq->setBassBoost(10, 1);
  int16_t block[2] = {100, 200};
  eq->process(block, 4, true, kRate, 8);
  eq->process(block, 4, true, 0, 16);
  eq->process(block, 4, true, kRate, 24);
  EXPECT_EQ(std::vector<int16_t>(block, block + 2), (std::vector<int16_t>{100, 200}));
  eq->release();
}

TEST(Equalizer, PresetsSetTheirGainsAndCrossovers) {
  const int32_t bass[5][2] = {{500, 5000}, {880, 5000}, {1500, 5000}, {3000, 5000}, {5000, 5000}};
  const int32_t middle[5][2] = {{1500, 3000}, {1000, 4000}, {880, 5000}, {750, 7000}, {500, 9000}};
  const int32_t high[5][2] = {{880, 9000}, {880, 7000}, {880, 5000}, {880, 4000}, {880, 3000}};
  const struct {
    void (Equalizer::*set)(int32_t, int32_t);
    double low, middle, high;  // at level 4
    const int32_t (*crossovers)[2];
  } rows[] = {
      {&Equalizer::setBassBoost, 1.4, 1, 1, bass},
      {&Equalizer::setBassSuppress, 0.6, 1, 1, bass},
      {&Equalizer::setBassOnly, 1.4, 0, 0, bass},
      {&Equalizer::setMiddleBoost, 1, 1.4, 1, middle},
      {&Equalizer::setMiddleSuppress, 1, 0.6, 1, middle},
      {&Equalizer::setMiddleOnly, 0, 1.4, 0, middle},
      {&Equalizer::setHighBoost, 1, 1, 1.4, high},
      {&Equalizer::setHighSuppress, 1, 1, 0.6, high},
      {&Equalizer::setHighOnly, 0, 0, 1.4, high},
  };
  Equalizer* eq = Equalizer::take();
  for (size_t r = 0; r < std::size(rows); ++r) {
    // Types 0 and 6 keep the crossovers of the type before.
    for (int32_t type : {1, 2, 3, 4, 5, 0, 6}) {
      SCOPED_TRACE(testing::Message() << "row " << r << ", type " << type);
      // The setter goes through a local: GCC 12 with -fsanitize=bounds miscompiles the call
      // through a member-function pointer read from rows[r] and reports the row index as far
      // out of bounds.
      void (Equalizer::*set)(int32_t, int32_t) = rows[r].set;
      (eq->*set)(4, type);
      const int32_t* f = rows[r].crossovers[type >= 1 && type <= 5 ? type - 1 : 4];
      EXPECT_NEAR(eq->getLowGain(), rows[r].low, 1e-12);
      EXPECT_NEAR(eq->getMiddleGain(), rows[r].middle, 1e-12);
      EXPECT_NEAR(eq->getHighGain(), rows[r].high, 1e-12);
      EXPECT_EQ(eq->getLowFrequency(), f[0]);
      EXPECT_EQ(eq->getHighFrequency(), f[1]);
    }
  }
  eq->release();
}

TEST(Equalizer, ResponseFollowsTheOnePoleCascade) {
  const struct {
    void (Equalizer::*set)(int32_t, int32_t);
    int32_t level, type;
  } presets[] = {{&Equalizer::setBassBoost, 5, 3},
                 {&Equalizer::setBassSuppress, 8, 2},
                 {&Equalizer::setMiddleBoost, 10, 4},
                 {&Equalizer::setHighBoost, 7, 1},
                 {&Equalizer::setHighSuppress, 5, 5}};
  for (const auto& p : presets) {
    for (double hz : {50.0, 100.0, 200.0, 500.0, 880.0, 1000.0, 2000.0, 5000.0, 10000.0, 15000.0}) {
      Equalizer* eq = Equalizer::take();
      (eq->*p.set)(p.level, p.type);
      EXPECT_NEAR(measuredDb(*eq, hz, kRate), responseDb(*eq, hz, kRate), 0.1)
          << "level " << p.level << " type " << p.type << " at " << hz << " Hz";
      eq->release();
    }
  }
}

TEST(Equalizer, LowRateSourcesKeepAStableBoundedResponse) {
  // 9000 Hz lies above the whole band of an 8 kHz source (the plain coefficient would be negative
  // and the recursion would diverge); near the top of a 16 or 22.05 kHz source the plain cascade
  // would lift the band by 100 dB. Crossovers stop at 0.205 of the rate.
  EXPECT_EQ(Equalizer::coefficient(9000, 8000), Equalizer::coefficient(1640, 8000));
  EXPECT_EQ(Equalizer::coefficient(9000, 44100), 2.0 * std::sin(9000.0 / 44100 * 3.14159265359));
  EXPECT_EQ(Equalizer::coefficient(-500, 44100), 0.0);
  for (int32_t rate : {8000, 11025, 16000, 22050}) {
    Equalizer* eq = Equalizer::take();
    eq->setHighBoost(10, 1);
    const double top = 0.45 * rate;
    const double gain = measuredDb(*eq, top, rate, 0.01);
    EXPECT_NEAR(gain, responseDb(*eq, top, rate), 0.1) << rate << " Hz";
    EXPECT_LT(gain, 20.0) << rate << " Hz";
    // Noise through the preset whose crossover lies furthest up stays far from full scale.
    eq->setMiddleBoost(10, 5);
    int32_t peak = 0;
    for (int16_t v : runBlocks(*eq, makeNoise(5, 0.05, rate * 2, 2), true, rate)) {
      peak = std::max(peak, std::abs(static_cast<int32_t>(v)));
    }
    EXPECT_LT(peak, 16384) << rate << " Hz";
    eq->release();
  }
}

TEST(Equalizer, BothVectorCodesGiveTheSameSamples) {
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  if (!simd::setUseAvx2(true)) {
    GTEST_SKIP() << "the processor has no 256-bit code to compare";
  }
  // Presets of each kind, and crossovers of 0 (a cascade that holds still).
  const struct {
    double low, middle, high;
    int32_t lowFrequency, highFrequency;
  } setups[] = {{1.7, 1.0, 1.0, 750, 7000}, {1.5, 1.0, 1.0, 1500, 5000}, {0.0, 1.8, 0.0, 500, 9000},
                {1.0, 1.0, 0.3, 880, 3000}, {1.4, 0.6, 1.2, 0, 5000},    {1.4, 0.6, 1.2, 880, 0}};
  for (const auto& setup : setups) {
    for (int32_t rate : {44100, 8000}) {
      for (bool stereo : {true, false}) {
        std::vector<int16_t> results[2];
        for (bool avx2 : {false, true}) {
          simd::setUseAvx2(avx2);
          Equalizer* eq = Equalizer::take();
          eq->setGains(setup.low, setup.middle, setup.high);
          eq->setCrossovers(setup.lowFrequency, setup.highFrequency);
          // Blocks of 333 frames: not a multiple of any vector width, across chunk boundaries.
          results[avx2] = runBlocks(*eq, makeNoise(8, 0.9, 9000, 2), stereo, rate, 4 * 333);
          eq->release();
        }
        EXPECT_EQ(results[0], results[1])
            << (stereo ? "stereo" : "mono") << " at " << rate << " Hz, crossovers "
            << setup.lowFrequency << " and " << setup.highFrequency;
        // The crossovers of 0 against the previous form.
        if (setup.lowFrequency == 0 || setup.highFrequency == 0) {
          Equalizer* eq = Equalizer::take();
          eq->setGains(setup.low, setup.middle, setup.high);
          eq->setCrossovers(setup.lowFrequency, setup.highFrequency);
          const int32_t channels = stereo ? 2 : 1;
          const std::vector<int16_t> expected =
              previousForm(*eq, makeNoise(8, 0.9, 9000, 2), channels, rate);
          eq->release();
          int32_t worst = 0;
          for (size_t i = 0; i < expected.size(); ++i) {
            worst = std::max(worst, std::abs(results[1][i] - expected[i]));
          }
          EXPECT_LE(worst, 1) << (stereo ? "stereo" : "mono") << " at " << rate << " Hz";
        }
      }
    }
  }
  simd::setUseAvx2(defaultAvx2);
}
