// Every filter's output on fixed signals, pinned by a hash of its bytes. The filters promise the
// same samples whatever builds them: GCC or clang, with or without sanitizers, with 128-bit,
// 256-bit or 512-bit vector code, and whether the pitch shifter runs its channels on one thread
// or two.
// A changed hash means changed samples; the message prints the new hash. A deliberate change of a
// filter's output updates its hash here, with the reason in the commit.
#include "audio/filter/Equalizer.h"
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/Octave.h"
#include "audio/filter/Simd.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Volume.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using lumetra::filtertest::runBlocks;
using lumetra::testlib::makeNoise;
using lumetra::testlib::makeTone;
namespace filter = s::sound::filter;

namespace {

constexpr int32_t kRate = 44100;

// FNV-1a over the bytes of the samples, as hexadecimal text so that a failure shows both sides.
std::string hashOf(const std::vector<int16_t>& samples) {
  uint64_t h = 14695981039346656037ull;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(samples.data());
  for (size_t i = 0; i < samples.size() * 2; ++i) {
    h = (h ^ p[i]) * 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// Loud noise over a tone: every filter meets clipping, and the pitch shifter a steady partial.
std::vector<int16_t> signal(int32_t channels, size_t frames) {
  std::vector<int16_t> noise = makeNoise(5, 0.7, frames, channels);
  const std::vector<int16_t> tone = makeTone(440.0, 0.3, kRate, frames, channels);
  for (size_t i = 0; i < noise.size(); ++i) {
    noise[i] = static_cast<int16_t>(std::clamp(noise[i] + tone[i], -32768, 32767));
  }
  return noise;
}

// The pitch shifter over a signal in blocks of 4096 bytes, the conversion task's block size.
std::vector<int16_t> shifted(int32_t channels, int32_t oversampling, float pitch) {
  filter::Octave* octave = filter::Octave::take();
  octave->setPitch(pitch);
  EXPECT_TRUE(octave->setOversampling(oversampling));
  const std::vector<int16_t> out =
      runBlocks(*octave, signal(channels, 3 * kRate), channels == 2, kRate, 4096);
  octave->release();
  return out;
}

}  // namespace

TEST(FilterSamples, VolumeAndEqualisersArePinned) {
  const std::vector<int16_t> in = signal(2, 100003);
  filter::Volume* volume = filter::Volume::take();
  volume->setPercent(30.0f);
  EXPECT_EQ(hashOf(runBlocks(*volume, in, true, kRate)), "fadc20ff984698b3");
  volume->release();

  filter::Equalizer* eq = filter::Equalizer::take();
  eq->setMiddleBoost(7, 4);
  EXPECT_EQ(hashOf(runBlocks(*eq, in, true, kRate)), "1be0cfaae07c1048");
  eq->release();

  // Both vector codes of the ten-band equaliser give the same samples, stereo and mono.
  const bool defaultAvx2 = filter::simd::useAvx2();
  for (bool avx2 : {false, true}) {
    if (!filter::simd::setUseAvx2(avx2)) {
      continue;  // the processor has no 256-bit code
    }
    SCOPED_TRACE(avx2 ? "256-bit code" : "128-bit code");
    for (bool stereo : {true, false}) {
      filter::EqualizerEx* bands = filter::EqualizerEx::take();
      const float gains[10] = {9, -6, 3, 12, -12, 4, 6, -3, 8, 5};
      for (int32_t k = 0; k < filter::EqualizerEx::kBands; ++k) {
        ASSERT_TRUE(bands->setBand(k, filter::EqualizerEx::kCentres[k],
                                   filter::EqualizerEx::kBandwidths[k], gains[k]));
      }
      bands->setOutputGain(1.3f);
      EXPECT_EQ(hashOf(runBlocks(*bands, in, stereo, kRate)),
                stereo ? "207cd9b3cc87e175" : "7d48b77d890daddd");
      bands->release();
    }
  }
  filter::simd::setUseAvx2(defaultAvx2);
}

TEST(FilterSamples, StereoFiltersArePinned) {
  const std::vector<int16_t> in = signal(2, 100003);
  filter::StereoEnhancer* widen = filter::StereoEnhancer::take();
  widen->setLevel(10);
  EXPECT_EQ(hashOf(runBlocks(*widen, in, true, kRate)), "b30cc9caf75f0b8d");
  widen->release();

  filter::VocalInstrument* vocal = filter::VocalInstrument::take();
  vocal->setVocalBoost(8, 3);
  EXPECT_EQ(hashOf(runBlocks(*vocal, in, true, kRate)), "a619fb67207074ff");
  vocal->release();
}

TEST(FilterSamples, PitchShifterIsPinned) {
  // Stereo runs the channels side by side, mono one alone; up and down, both oversampling ends,
  // every vector code the processor has.
  const bool defaultAvx2 = filter::simd::useAvx2();
  const bool defaultAvx512 = filter::simd::useAvx512();
  for (int32_t bits : {128, 256, 512}) {
    if (!filter::simd::setUseAvx2(bits >= 256) || !filter::simd::setUseAvx512(bits == 512)) {
      continue;  // the processor has no code this wide
    }
    SCOPED_TRACE(std::to_string(bits) + "-bit code");
    EXPECT_EQ(hashOf(shifted(2, 4, 25.0f)), "fda78fd7f6561b84");
    EXPECT_EQ(hashOf(shifted(2, 32, 25.0f)), "997a66b2d352e721");
    EXPECT_EQ(hashOf(shifted(1, 8, -40.0f)), "f5036d356810b277");
  }
  filter::simd::setUseAvx2(defaultAvx2);
  filter::simd::setUseAvx512(defaultAvx512);
}
