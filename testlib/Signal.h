// Synthetic test signals and measurements on them, for tests of audio filters and files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetra::testlib {

/// Interleaved 16-bit frames of a sine of `hz` at `amplitude` (1.0 = full scale), the same in
/// every channel.
std::vector<int16_t> makeTone(double hz, double amplitude, int32_t rate, size_t frames,
                              int32_t channels);
/// Interleaved 16-bit frames of uniform white noise at `amplitude`, from a fixed seed (channels
/// get different noise).
std::vector<int16_t> makeNoise(uint32_t seed, double amplitude, size_t frames, int32_t channels);
/// One channel of interleaved frames.
std::vector<double> channelOf(const int16_t* samples, size_t frames, int32_t channels,
                              int32_t channel);
/// The frequency of a tone in Hz from its rising zero crossings (interpolated between samples),
/// averaged over the whole signal; 0 when it has fewer than two crossings.
double measureFrequency(const std::vector<double>& signal, int32_t rate);
/// The root mean square of `count` values from `first`.
double rms(const std::vector<double>& signal, size_t first, size_t count);
/// The lag in 0..maxLag at which `output` best matches `input` (output[i + lag] ~ input[i]),
/// by normalised cross-correlation over `count` samples from `first`.
size_t bestLag(const std::vector<double>& input, const std::vector<double>& output, size_t first,
               size_t count, size_t maxLag);

}  // namespace lumetra::testlib
