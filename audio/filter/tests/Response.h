// Helpers of the filter tests: running a filter over a whole signal in blocks, and the amplitude
// of one frequency in a signal.
#pragma once

#include "audio/IFilter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetra::filtertest {

/// Runs interleaved 16-bit samples through `filter` in blocks of `blockBytes` (the last block
/// takes what is left) and returns them.
inline std::vector<int16_t> runBlocks(s::sound::IFilter& filter, std::vector<int16_t> samples,
                                      bool stereo, int32_t rate, size_t blockBytes = 4608) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(samples.data());
  const size_t total = samples.size() * 2;
  for (size_t at = 0; at < total; at += blockBytes) {
    const size_t n = std::min(blockBytes, total - at);
    filter.process(bytes + at, static_cast<int32_t>(n), stereo, rate, 16);
  }
  return samples;
}

/// The amplitude of the sine of `hz` in `count` values from `first`, by projection on a sine and
/// a cosine of that frequency. Over many periods the other components average out, so this
/// measures one tone of a filter's output to a small fraction of a percent.
inline double amplitudeAt(const std::vector<double>& signal, double hz, int32_t rate, size_t first,
                          size_t count) {
  double s = 0.0;
  double c = 0.0;
  const double step = 2.0 * M_PI * hz / rate;
  for (size_t i = first; i < first + count; ++i) {
    s += signal[i] * std::sin(step * static_cast<double>(i));
    c += signal[i] * std::cos(step * static_cast<double>(i));
  }
  return 2.0 * std::sqrt(s * s + c * c) / static_cast<double>(count);
}

inline double decibels(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace lumetra::filtertest
