// The ten-band equaliser: flat bands as an identity, boosted bands against the cookbook peaking
// formula, the vector pipeline against the sections run one by one, and the disabled state.
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/Simd.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

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

namespace {

constexpr int32_t kRate = 44100;
constexpr const float* kBandwidths = EqualizerEx::kBandwidths;

// Band k at gains[k] dB, at its own centre and bandwidth.
void setBands(EqualizerEx& eq, const float* gains) {
  for (int32_t k = 0; k < EqualizerEx::kBands; ++k) {
    ASSERT_TRUE(eq.setBand(k, eq.getBandFrequency(k), kBandwidths[k], gains[k]));
  }
}

// The cookbook peaking section in double precision.
std::complex<double> peaking(double gainDb, double f0, double bw, double hz) {
  const double a = std::pow(10.0, gainDb / 40.0);
  const double w0 = 2.0 * M_PI * f0 / kRate;
  const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * bw * w0 / std::sin(w0));
  const std::complex<double> z = std::polar(1.0, -2.0 * M_PI * hz / kRate);
  return ((1.0 + alpha * a) - 2.0 * std::cos(w0) * z + (1.0 - alpha * a) * z * z) /
         ((1.0 + alpha / a) - 2.0 * std::cos(w0) * z + (1.0 - alpha / a) * z * z);
}

}  // namespace

TEST(EqualizerEx, FlatBandsReturnEverySampleUpToRounding) {
  // Every section is an identity in exact arithmetic. In single precision each one rounds, and
  // the sections at 100 and 200 Hz, whose poles lie close to 1, carry the rounding on for
  // hundreds of samples: a full-scale sample may come back a few steps off (about 1e-4 of full
  // scale), a sample of a tenth of full scale at most one step off.
  EqualizerEx* eq = EqualizerEx::take();
  EXPECT_EQ(eq->getBandFrequency(0), 100.0f);
  EXPECT_EQ(eq->getBandFrequency(9), 16200.0f);
  for (bool stereo : {true, false}) {
    for (double amplitude : {0.1, 1.0}) {
      eq->reset();
      const std::vector<int16_t> in = makeNoise(3, amplitude, 30000, 2);
      const std::vector<int16_t> out = runBlocks(*eq, in, stereo, kRate);
      size_t wrong = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        wrong += std::abs(out[i] - in[i]) > (amplitude == 1.0 ? 6 : 1);
      }
      EXPECT_EQ(wrong, 0u) << (stereo ? "stereo" : "mono") << " at " << amplitude;
    }
  }
  // 8-bit blocks pass unchanged; a mono block of 2 bytes is one sample.
  eq->setOutputGain(2.0f);
  uint8_t eight[2] = {3, 250};
  eq->process(eight, 2, false, kRate, 8);
  EXPECT_EQ(eight[1], 250);
  int16_t one[2] = {1000, 1000};
  eq->process(one, 2, false, kRate, 16);
  EXPECT_NEAR(one[0], 2000, 2);
  EXPECT_EQ(one[1], 1000);
  eq->release();
}

TEST(EqualizerEx, BoostedBandsGiveTheCookbookResponse) {
  // Tones through bands at +3 dB, with 800 Hz at +9 dB and 14.4 kHz at -6 dB, against the product
  // of the ten cookbook sections, within 0.1 dB.
  const float gains[10] = {3, 3, 3, 9, 3, 3, 3, 3, -6, 3};
  for (double hz : {60.0, 100.0, 800.0, 1000.0, 5000.0, 12800.0, 14400.0, 18000.0}) {
    EqualizerEx* eq = EqualizerEx::take();
    setBands(*eq, gains);
    std::complex<double> expected = 1.0;
    for (int32_t k = 0; k < 10; ++k) {
      expected *= peaking(gains[k], eq->getBandFrequency(k), kBandwidths[k], hz);
    }
    const std::vector<int16_t> in = makeTone(hz, 0.1, kRate, 2 * kRate, 2);
    const std::vector<int16_t> out = runBlocks(*eq, in, true, kRate);
    eq->release();
    for (int32_t c = 0; c < 2; ++c) {
      const double a = amplitudeAt(channelOf(in.data(), 2 * kRate, 2, c), hz, kRate, kRate, kRate);
      const double b = amplitudeAt(channelOf(out.data(), 2 * kRate, 2, c), hz, kRate, kRate, kRate);
      EXPECT_NEAR(decibels(b / a), decibels(std::abs(expected)), 0.1) << hz << " Hz, channel " << c;
    }
  }
}

TEST(EqualizerEx, VectorPipelineMatchesTheSectionsOneByOneBitForBit) {
  // Blocks from 1 frame (fewer than the ten sections the pipeline staggers) to thousands, mono
  // and stereo, both vector codes, random band gains, and an output gain that clamps.
  namespace simd = s::sound::filter::simd;
  const bool defaultAvx2 = simd::useAvx2();
  std::mt19937 random(17);
  std::uniform_real_distribution<float> anyGain(-12.0f, 12.0f);
  float gains[10];
  for (float& g : gains) {
    g = anyGain(random);
  }
  for (bool avx2 : {false, true}) {
    for (int32_t channels : {1, 2}) {
      if (!simd::setUseAvx2(avx2)) {
        continue;  // the processor has no 256-bit code
      }
      EqualizerEx* eq = EqualizerEx::take();
      setBands(*eq, gains);
      eq->setOutputGain(1.7f);
      EqualizerEx::Section sections[2][10];
      for (int32_t k = 0; k < 10; ++k) {
        sections[0][k] = eq->getSection(k, 0);
        sections[1][k] = eq->getSection(k, 1);
      }
      const std::vector<int16_t> in = makeNoise(23, 0.6, 40000, 2);
      std::vector<int16_t> samples = in;
      for (size_t at = 0, frames = 1; at < samples.size(); frames = frames * 7 % 2503 + 1) {
        const size_t n = std::min(frames * channels, samples.size() - at);
        eq->process(samples.data() + at, static_cast<int32_t>(2 * n), channels == 2, kRate, 16);
        at += n;
      }
      eq->release();
      size_t wrong = 0;
      size_t clamped = 0;
      for (size_t i = 0; i < in.size(); ++i) {
        float x = in[i] < 0 ? in[i] / 32768.0f : in[i] / 32767.0f;
        for (EqualizerEx::Section& s : sections[i % channels]) {
          const float y = s.b0 * x + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
          s.x2 = s.x1;
          s.x1 = x;
          s.y2 = s.y1;
          s.y1 = x = y;
        }
        const float v = x >= 0.0f ? x * 1.7f * 32767.0f : x * 1.7f * 32768.0f;
        const int16_t expected = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
        clamped += expected == 32767 || expected == -32768;
        wrong += samples[i] != expected;
      }
      EXPECT_EQ(wrong, 0u) << (avx2 ? "256" : "128") << "-bit code, " << channels << " channels";
      EXPECT_GT(clamped, 0u);
    }
  }
  simd::setUseAvx2(defaultAvx2);
}

TEST(EqualizerEx, DisabledSectionsAdvanceAndSamplesStay) {
  EqualizerEx* on = EqualizerEx::take();
  EqualizerEx* off = EqualizerEx::take();
  const float gains[10] = {6, 6, 6, 6, 6, 6, 6, 6, 6, 6};
  setBands(*on, gains);
  setBands(*off, gains);
  off->setEnabled(0);
  const std::vector<int16_t> first = makeNoise(9, 0.1, 3000, 2);
  EXPECT_NE(runBlocks(*on, first, true, kRate), first);
  EXPECT_EQ(runBlocks(*off, first, true, kRate), first);
  // Enabled again, it goes on as if it had filtered all along.
  off->setEnabled(1);
  const std::vector<int16_t> second = makeNoise(10, 0.1, 3000, 2);
  EXPECT_EQ(runBlocks(*on, second, true, kRate), runBlocks(*off, second, true, kRate));

  // Bands that cannot be built are refused.
  EXPECT_FALSE(on->setBand(10, 1000.0f, 1.0f));
  EXPECT_FALSE(on->setBand(2, 22050.0f, 1.0f));
  EXPECT_FALSE(on->setBand(2, 400.0f, 1.0f, NAN));
  on->release();
  off->release();
}
