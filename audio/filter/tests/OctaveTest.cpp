// The pitch shifter on synthetic signals: frequencies after a shift, delay and gain at pitch 0,
// independence of channels, threads and block sizes, 8-bit samples, and long runs.
//
// Tolerances: frequencies are measured from zero crossings over seconds of steady output, which
// resolves far below 0.1 Hz; the vocoder itself moves a tone by bins of 21.5 Hz and places it
// between them from the phase advance, which is exact for a steady tone.
#include "audio/filter/Octave.h"
#include "testlib/Cpus.h"
#include "testlib/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

using lumetra::testlib::bestLag;
using lumetra::testlib::channelOf;
using lumetra::testlib::makeNoise;
using lumetra::testlib::makeTone;
using lumetra::testlib::measureFrequency;
using lumetra::testlib::rms;
using s::sound::filter::Octave;

namespace {

constexpr int32_t kRate = 44100;
constexpr size_t kDelay = Octave::kFrameSize;

// Runs interleaved 16-bit samples through a fresh filter in blocks of `blockBytes`.
std::vector<int16_t> shift(std::vector<int16_t> samples, float pitch, int32_t oversampling,
                           int32_t channels, size_t blockBytes = 4096) {
  Octave* octave = Octave::take();
  octave->setPitch(pitch);
  EXPECT_TRUE(octave->setOversampling(oversampling));
  uint8_t* bytes = reinterpret_cast<uint8_t*>(samples.data());
  const size_t total = samples.size() * 2;
  for (size_t at = 0; at < total; at += blockBytes) {
    const size_t n = std::min(blockBytes, total - at);
    octave->process(bytes + at, static_cast<int32_t>(n), channels == 2, kRate, 16);
  }
  octave->release();
  return samples;
}

double semitones(double hz, double st) { return hz * std::pow(2.0, st / 12.0); }

// The frequency of channel 0 of a shifted tone, measured after the delay and the first frames.
double shiftedFrequency(double hz, double st, int32_t oversampling) {
  const size_t frames = 4 * kRate;
  std::vector<int16_t> out = shift(makeTone(hz, 0.25, kRate, frames, 2),
                                   static_cast<float>(st * 100.0 / 12.0), oversampling, 2);
  std::vector<double> left = channelOf(out.data(), frames, 2, 0);
  left.erase(left.begin(), left.begin() + 3 * kDelay);
  return measureFrequency(left, kRate);
}

}  // namespace

TEST(Octave, ShiftsATonesFrequencyBySemitones) {
  EXPECT_NEAR(shiftedFrequency(440.0, 12, 4), 880.0, 0.1);
  EXPECT_NEAR(shiftedFrequency(440.0, -12, 4), 220.0, 0.1);
  EXPECT_NEAR(shiftedFrequency(440.0, 5, 4), semitones(440.0, 5), 0.1);
  EXPECT_NEAR(shiftedFrequency(440.0, 5, 32), semitones(440.0, 5), 0.1);
  EXPECT_NEAR(shiftedFrequency(1000.0, -3, 8), semitones(1000.0, -3), 0.1);
}

TEST(Octave, PitchZeroGivesTheInputBackDelayedByOneFrameAtUnityGain) {
  // Noise exercises every bin. Up to the frame's first and Nyquist bins, which the vocoder
  // doubles, the output is the input 2048 samples later at every oversampling.
  const size_t frames = 3 * kRate;
  const std::vector<int16_t> input = makeNoise(11, 0.3, frames, 1);
  const std::vector<double> in = channelOf(input.data(), frames, 1, 0);
  for (int32_t oversampling : {4, 8, 32}) {
    SCOPED_TRACE(oversampling);
    const std::vector<int16_t> output = shift(input, 0.0f, oversampling, 1);
    const std::vector<double> out = channelOf(output.data(), frames, 1, 0);
    // Before the first sample comes out there is only the faint spread of the first frames.
    EXPECT_LT(rms(out, 0, kDelay), 0.002 * rms(in, 0, kDelay));
    EXPECT_EQ(bestLag(in, out, kRate / 2, 8192, 2 * kDelay), kDelay);

    const size_t first = kRate / 2;
    const size_t count = frames - first - kDelay;
    double error = 0.0;
    for (size_t i = first; i < first + count; ++i) {
      const double d = out[i + kDelay] - in[i];
      error += d * d;
    }
    const double gain = rms(out, first + kDelay, count) / rms(in, first, count);
    const double residual = std::sqrt(error / count) / rms(in, first, count);
    EXPECT_NEAR(gain, 1.0, 0.02);
    EXPECT_LT(residual, 0.05);
  }
}

TEST(Octave, ChannelsAndBlockSizesDoNotChangeTheResult) {
  // A tone on the left and noise on the right: each channel keeps its own state, so the stereo
  // result equals the two channels shifted alone, and blocks of any size (beyond the groups of
  // 8192 samples per channel, or cutting frames anywhere) give the same samples.
  const size_t frames = 40000;
  const std::vector<int16_t> tone = makeTone(300.0, 0.4, kRate, frames, 1);
  const std::vector<int16_t> noise = makeNoise(5, 0.4, frames, 1);
  std::vector<int16_t> stereo(2 * frames);
  for (size_t i = 0; i < frames; ++i) {
    stereo[2 * i] = tone[i];
    stereo[2 * i + 1] = noise[i];
  }
  const std::vector<int16_t> reference = shift(stereo, 33.0f, 8, 2);
  EXPECT_EQ(shift(stereo, 33.0f, 8, 2, stereo.size() * 2), reference);
  EXPECT_EQ(shift(stereo, 33.0f, 8, 2, 100), reference);
  EXPECT_EQ(shift(stereo, 33.0f, 8, 2, 3 * 8192 * 4 + 12), reference);

  const std::vector<int16_t> left = shift(tone, 33.0f, 8, 1);
  const std::vector<int16_t> right = shift(noise, 33.0f, 8, 1);
  for (size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(reference[2 * i], left[i]) << "left " << i;
    ASSERT_EQ(reference[2 * i + 1], right[i]) << "right " << i;
  }
}

TEST(Octave, OnOneCpuBothChannelsRunOnTheCallingThreadAlike) {
  // Where the process may run on one CPU only, a second thread would only take turns with the
  // first: no worker is started, and the samples are those of two CPUs.
  const std::vector<int16_t> input = makeNoise(6, 0.5, 30000, 2);
  std::vector<int16_t> alone;
  int threadsBefore = 0;
  int threadsAfter = 0;
  std::thread pinned([&] {
    ASSERT_TRUE(lumetra::testlib::pinThisThreadToOneCpu());
    threadsBefore = lumetra::testlib::threadCount();
    alone = shift(input, 30.0f, 8, 2);
    threadsAfter = lumetra::testlib::threadCount();
  });
  pinned.join();
  EXPECT_EQ(threadsAfter, threadsBefore) << "a worker thread was started on one CPU";
  EXPECT_EQ(alone, shift(input, 30.0f, 8, 2));
}

TEST(Octave, ResetInMidStreamStartsAfreshWithAnotherWorker) {
  // The worker of the right channel goes back to its pool on reset; the next stereo block takes
  // one again (maybe another thread) and must give what a fresh filter gives. Two filters on
  // two threads at once hold two workers and share only the pools.
  const std::vector<int16_t> input = makeNoise(8, 0.5, 30000, 2);
  const std::vector<int16_t> reference = shift(input, -20.0f, 4, 2);
  Octave* octave = Octave::take();
  std::vector<int16_t> first = input;
  octave->setPitch(45.0f);
  octave->process(first.data(), 4096, true, kRate, 16);
  octave->reset();
  octave->setPitch(-20.0f);
  std::vector<int16_t> again = input;
  uint8_t* bytes = reinterpret_cast<uint8_t*>(again.data());
  for (size_t at = 0; at < again.size() * 2; at += 4096) {
    octave->process(bytes + at, static_cast<int32_t>(std::min<size_t>(4096, again.size() * 2 - at)),
                    true, kRate, 16);
  }
  octave->release();
  EXPECT_EQ(again, reference);

  std::vector<int16_t> other;
  std::thread beside([&] { other = shift(input, -20.0f, 4, 2); });
  const std::vector<int16_t> here = shift(input, -20.0f, 4, 2);
  beside.join();
  EXPECT_EQ(here, reference);
  EXPECT_EQ(other, reference);
}

TEST(Octave, EightBitSamplesAreUnsignedAroundOneHundredTwentyEight) {
  // Silence in 8-bit PCM is 128: it must come out as 128, and a tone keeps its centre and pitch.
  const size_t frames = 2 * kRate;
  std::vector<uint8_t> silence(frames, 128);
  Octave* octave = Octave::take();
  octave->setPitch(100.0f);
  octave->process(silence.data(), static_cast<int32_t>(silence.size()), false, kRate, 8);
  for (size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(silence[i], 128) << i;
  }
  octave->release();

  const std::vector<int16_t> tone16 = makeTone(500.0, 0.5, kRate, frames, 1);
  std::vector<uint8_t> tone(frames);
  for (size_t i = 0; i < frames; ++i) {
    tone[i] = static_cast<uint8_t>((tone16[i] >> 8) + 128);
  }
  const std::vector<uint8_t> input = tone;
  octave = Octave::take();
  for (size_t at = 0; at < frames; at += 4096) {
    octave->process(tone.data() + at, static_cast<int32_t>(std::min<size_t>(4096, frames - at)),
                    false, kRate, 8);
  }
  octave->release();
  // At pitch 0 the tone comes back one frame later, within a step or two of 8-bit rounding.
  double error = 0.0;
  double mean = 0.0;
  const size_t first = 2 * kDelay;
  const size_t count = frames - first - kDelay;
  for (size_t i = first; i < first + count; ++i) {
    const double d = static_cast<double>(tone[i + kDelay]) - input[i];
    error += d * d;
    mean += tone[i + kDelay] - 128.0;
  }
  EXPECT_LT(std::sqrt(error / count), 1.5);
  // The centre stays at 128 (the vocoder doubles the frame's first bin, so the input's own
  // offset of half a step from the 8-bit conversion comes out as about one step).
  EXPECT_NEAR(mean / count, 0.0, 1.5);
}

TEST(Octave, LongStreamsKeepHighFrequenciesClean) {
  // A 10 kHz tone through a minute of audio: the running phases stay precise, so the error
  // against the delayed input at the end is no larger than at the start.
  const size_t frames = 60 * static_cast<size_t>(kRate);
  const std::vector<int16_t> input = makeTone(10000.0, 0.3, kRate, frames, 1);
  const std::vector<int16_t> output = shift(input, 0.0f, 4, 1);
  auto errorAt = [&](size_t first) {
    double error = 0.0;
    double level = 0.0;
    for (size_t i = first; i < first + kRate; ++i) {
      const double d = static_cast<double>(output[i + kDelay]) - input[i];
      error += d * d;
      level += static_cast<double>(input[i]) * input[i];
    }
    return std::sqrt(error / level);
  };
  const double start = errorAt(kRate);
  const double end = errorAt(frames - 2 * kRate);
  EXPECT_LT(start, 0.02);
  EXPECT_LT(end, 0.02);
}

TEST(Octave, OversamplingOutsideOneToTheFrameSizeIsRefused) {
  Octave* octave = Octave::take();
  EXPECT_EQ(octave->getOversampling(), 4);
  EXPECT_EQ(octave->getFrameSize(), 2048);
  EXPECT_TRUE(octave->setOversampling(16));
  EXPECT_FALSE(octave->setOversampling(0));
  EXPECT_FALSE(octave->setOversampling(-4));
  EXPECT_FALSE(octave->setOversampling(4096));
  EXPECT_EQ(octave->getOversampling(), 16);
  // Changing it in mid-stream keeps the filter running.
  std::vector<int16_t> noise = makeNoise(3, 0.5, 20000, 2);
  octave->process(noise.data(), 40000, true, kRate, 16);
  EXPECT_TRUE(octave->setOversampling(1));
  octave->process(noise.data(), 40000, true, kRate, 16);
  EXPECT_TRUE(octave->setOversampling(2048));
  octave->process(noise.data(), 40000, true, kRate, 16);
  octave->release();
}
