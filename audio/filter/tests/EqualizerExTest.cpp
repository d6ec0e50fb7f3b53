// The ten-band equaliser: flat bands as an identity, the sections against the cookbook peaking
// formula in double precision, the measured response of a boosted band, the vector pipeline
// against the sections run one by one, and the disabled state.
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/Simd.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

using lumetra::filtertest::amplitudeAt;
using lumetra::filtertest::decibels;
using lumetra::filtertest::runBlocks;
using lumetra::testlib::channelOf;
using lumetra::testlib::makeNoise;
using lumetra::testlib::makeTone;
using s::sound::filter::EqualizerEx;
namespace simd = s::sound::filter::simd;
using Section = EqualizerEx::Section;

namespace {

constexpr int32_t kRate = 44100;
constexpr float kCentres[10] = {100, 200, 400, 800, 1600, 3200, 6400, 12800, 14400, 16200};
constexpr float kBandwidths[10] = {1, 1, 1, 1, 1, 1, 1, 0.16666f, 0.16666f, 0.16666f};

// Every band at `gainDb`, at its own centre and bandwidth.
void setAllBands(EqualizerEx& eq, float gainDb) {
  for (int32_t k = 0; k < EqualizerEx::kBands; ++k) {
    ASSERT_TRUE(eq.setBand(k, eq.getBandFrequency(k), kBandwidths[k], gainDb));
  }
}

// The filter as the formulas say, one sample and one section at a time.
class DirectForm {
 public:
  explicit DirectForm(EqualizerEx& eq) {
    for (int32_t c = 0; c < 2; ++c) {
      for (int32_t k = 0; k < EqualizerEx::kBands; ++k) {
        m_sections[c][k] = eq.getSection(k, c);
      }
    }
  }

  int16_t run(int16_t sample, int32_t channel, float gain) {
    float x = sample < 0 ? sample / 32768.0f : sample / 32767.0f;
    for (Section& s : m_sections[channel]) {
      const float y = s.b0 * x + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
      s.x2 = s.x1;
      s.x1 = x;
      s.y2 = s.y1;
      s.y1 = y;
      x = y;
    }
    float v = x >= 0.0f ? x * gain * 32767.0f : x * gain * 32768.0f;
    v = std::max(-32768.0f, std::min(32767.0f, v));
    return static_cast<int16_t>(v);
  }

 private:
  Section m_sections[2][EqualizerEx::kBands];
};

// The response of the cookbook peaking section in double precision.
std::complex<double> peaking(double gainDb, double f0, double bw, double hz) {
  const double a = std::pow(10.0, gainDb / 40.0);
  const double w0 = 2.0 * M_PI * f0 / kRate;
  const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * bw * w0 / std::sin(w0));
  const std::complex<double> z1 = std::exp(std::complex<double>(0.0, -2.0 * M_PI * hz / kRate));
  const std::complex<double> num = (1.0 + alpha * a) - 2.0 * std::cos(w0) * z1 + (1.0 - alpha * a) * z1 * z1;
  const std::complex<double> den = (1.0 + alpha / a) - 2.0 * std::cos(w0) * z1 + (1.0 - alpha / a) * z1 * z1;
  return num / den;
}

}  // namespace

TEST(EqualizerEx, FlatBandsReturnEverySampleUpToRounding) {
  EqualizerEx* eq = EqualizerEx::take();
  EXPECT_TRUE(eq->isEnabled());
  EXPECT_EQ(eq->getOutputGain(), 1.0f);
  for (int32_t k = 0; k < 10; ++k) {
    EXPECT_EQ(eq->getBandFrequency(k), kCentres[k]);
  }
  // Every section is an identity in exact arithmetic. In single precision each one rounds, and
  // the sections at 100 and 200 Hz, whose poles lie close to 1, carry the rounding on for
  // hundreds of samples: a full-scale sample may come back a few steps off (about 1e-4 of full
  // scale), a sample of a tenth of full scale at most one step off.
  for (bool stereo : {true, false}) {
    for (double amplitude : {0.1, 1.0}) {
      std::vector<int16_t> in = makeNoise(3, amplitude, 30000, 2);
      in[10] = amplitude == 1.0 ? 32767 : 3276;
      in[11] = amplitude == 1.0 ? -32768 : -3277;
      const int32_t tolerance = amplitude == 1.0 ? 6 : 1;
      const std::vector<int16_t> out = runBlocks(*eq, in, stereo, kRate);
      size_t wrong = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        if (std::abs(out[i] - in[i]) > tolerance && ++wrong < 5) {
          ADD_FAILURE() << "sample " << i << ": " << out[i] << ", expected " << in[i];
        }
      }
      EXPECT_EQ(wrong, 0u) << (stereo ? "stereo" : "mono") << " at " << amplitude;
      eq->reset();
    }
  }

  // 8-bit blocks pass unchanged; a mono block of 2 bytes is one sample.
  uint8_t eight[2] = {3, 250};
  eq->setOutputGain(2.0f);
  eq->process(eight, 2, false, kRate, 8);
  EXPECT_EQ(eight[0], 3);
  EXPECT_EQ(eight[1], 250);
  int16_t one[2] = {1000, 1000};
  eq->process(one, 2, false, kRate, 16);
  EXPECT_NEAR(one[0], 2000, 2);
  EXPECT_EQ(one[1], 1000);
  eq->release();
}

TEST(EqualizerEx, SectionsFollowTheCookbookPeakingFormula) {
  for (float gainDb : {0.0f, 3.0f, -6.0f, 12.0f}) {
    for (int32_t k = 0; k < 10; ++k) {
      const float f0 = kCentres[k];
      const Section s = EqualizerEx::computeSection(gainDb, f0, 44100.0f, kBandwidths[k]);
      SCOPED_TRACE(testing::Message() << gainDb << " dB at " << f0 << " Hz");
      EXPECT_EQ(s.x1, 0.0f);
      EXPECT_EQ(s.y2, 0.0f);
      EXPECT_EQ(s.b1, s.a1);
      // The response of the float section against the double-precision formula, at the centre,
      // an octave off and far off.
      for (double hz : {static_cast<double>(f0), f0 * 2.0, f0 / 2.0, 20.0, 20000.0}) {
        const std::complex<double> z1 = std::exp(std::complex<double>(0.0, -2.0 * M_PI * hz / kRate));
        const double b0 = s.b0, b1 = s.b1, b2 = s.b2, a1 = s.a1, a2 = s.a2;
        const std::complex<double> ours =
            (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
        EXPECT_NEAR(decibels(std::abs(ours)), decibels(std::abs(peaking(gainDb, f0, kBandwidths[k], hz))), 0.01)
            << "at " << hz << " Hz";
      }
      EXPECT_NEAR(decibels(std::abs(peaking(gainDb, f0, kBandwidths[k], f0))), gainDb, 1e-9);
    }
  }
}

TEST(EqualizerEx, BoostedBandsGiveTheCascadesResponse) {
  // All bands +3 dB, then band 3 (800 Hz) at +9 dB and band 8 (14.4 kHz) at -6 dB: tones are
  // measured against the product of the ten cookbook responses, within 0.1 dB.
  EqualizerEx* eq = EqualizerEx::take();
  setAllBands(*eq, 3.0f);
  ASSERT_TRUE(eq->setBand(3, 800.0f, 1.0f, 9.0f));
  ASSERT_TRUE(eq->setBand(8, 14400.0f, 0.16666f, -6.0f));
  const float gains[10] = {3, 3, 3, 9, 3, 3, 3, 3, -6, 3};
  for (double hz : {60.0, 100.0, 800.0, 1000.0, 5000.0, 12800.0, 14400.0, 18000.0}) {
    eq->reset();
    setAllBands(*eq, 3.0f);
    eq->setBand(3, 800.0f, 1.0f, 9.0f);
    eq->setBand(8, 14400.0f, 0.16666f, -6.0f);
    std::complex<double> expected = 1.0;
    for (int32_t k = 0; k < 10; ++k) {
      expected *= peaking(gains[k], eq->getBandFrequency(k), kBandwidths[k], hz);
    }
    const size_t frames = kRate * 2;
    const std::vector<int16_t> in = makeTone(hz, 0.1, kRate, frames, 2);
    const std::vector<int16_t> out = runBlocks(*eq, in, true, kRate);
    for (int32_t c = 0; c < 2; ++c) {
      const double a = amplitudeAt(channelOf(in.data(), frames, 2, c), hz, kRate, kRate, kRate);
      const double b = amplitudeAt(channelOf(out.data(), frames, 2, c), hz, kRate, kRate, kRate);
      EXPECT_NEAR(decibels(b / a), decibels(std::abs(expected)), 0.1) << hz << " Hz, channel " << c;
    }
  }
  eq->release();
}

TEST(EqualizerEx, VectorPipelineMatchesTheSectionsOneByOneBitForBit) {
  // Blocks from 1 frame (fewer than the ten sections the pipeline staggers) to thousands, mono
  // and stereo, with gains that make every section work and an output gain that clamps.
  const bool defaultAvx2 = simd::useAvx2();
  for (bool avx2 : {false, true}) {
    if (!simd::setUseAvx2(avx2)) {
      continue;  // the processor cannot run it
    }
    for (bool stereo : {true, false}) {
      SCOPED_TRACE(testing::Message() << (avx2 ? "256" : "128") << "-bit code, " << (stereo ? "stereo" : "mono"));
      EqualizerEx* eq = EqualizerEx::take();
      std::mt19937 random(17);
      std::uniform_real_distribution<float> anyGain(-12.0f, 12.0f);
      for (int32_t k = 0; k < 10; ++k) {
        ASSERT_TRUE(eq->setBand(k, eq->getBandFrequency(k), kBandwidths[k], anyGain(random)));
      }
      eq->setOutputGain(1.7f);
      DirectForm direct(*eq);
      std::vector<int16_t> samples = makeNoise(23, 0.6, 40000, 2);
      const std::vector<int16_t> in = samples;
      const int32_t channels = stereo ? 2 : 1;
      size_t at = 0;
      for (size_t frames = 1; at < samples.size(); frames = frames * 7 % 2503 + 1) {
        const size_t n = std::min(frames * channels, samples.size() - at);
        eq->process(samples.data() + at, static_cast<int32_t>(2 * n), stereo, kRate, 16);
        at += n;
      }
      size_t wrong = 0;
      size_t clamped = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        const int16_t expected = direct.run(in[i], static_cast<int32_t>(i % channels), 1.7f);
        clamped += expected == 32767 || expected == -32768;
        if (samples[i] != expected && ++wrong < 5) {
          ADD_FAILURE() << "sample " << i << ": " << samples[i] << ", expected " << expected;
        }
      }
      EXPECT_EQ(wrong, 0u);
      EXPECT_GT(clamped, 0u);  // the clamp was reached
      eq->release();
    }
  }
  simd::setUseAvx2(defaultAvx2);
}

TEST(EqualizerEx, DisabledSectionsAdvanceAndSamplesStay) {
  EqualizerEx* on = EqualizerEx::take();
  EqualizerEx* off = EqualizerEx::take();
  setAllBands(*on, 6.0f);
  setAllBands(*off, 6.0f);
  off->setEnabled(0);
  std::vector<int16_t> a = makeNoise(9, 0.1, 3000, 2);
  std::vector<int16_t> b = a;
  const std::vector<int16_t> in = a;
  on->process(a.data(), 6000 * 2, true, kRate, 16);
  off->process(b.data(), 6000 * 2, true, kRate, 16);
  EXPECT_EQ(b, in);
  EXPECT_NE(a, in);
  // Enabled again, it goes on as if it had filtered all along.
  off->setEnabled(1);
  std::vector<int16_t> c = makeNoise(10, 0.1, 3000, 2);
  std::vector<int16_t> d = c;
  on->process(c.data(), 6000 * 2, true, kRate, 16);
  off->process(d.data(), 6000 * 2, true, kRate, 16);
  EXPECT_EQ(c, d);

  // Bands that cannot be built are refused and change nothing.
  const Section before = on->getSection(2, 0);
  EXPECT_FALSE(on->setBand(10, 1000.0f, 1.0f));
  EXPECT_FALSE(on->setBand(-1, 1000.0f, 1.0f));
  EXPECT_FALSE(on->setBand(2, 0.0f, 1.0f));
  EXPECT_FALSE(on->setBand(2, 22050.0f, 1.0f));
  EXPECT_FALSE(on->setBand(2, 400.0f, 0.0f));
  EXPECT_FALSE(on->setBand(2, 400.0f, 1.0f, NAN));
  EXPECT_EQ(on->getSection(2, 0).b0, before.b0);
  EXPECT_EQ(on->getBandFrequency(2), 400.0f);
  on->release();
  off->release();
}
