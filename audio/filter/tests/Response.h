// Helpers of the filter tests: running a filter over a whole signal in blocks, the amplitude of
// one frequency in a signal, and the three-band equaliser's response by its formula.
#pragma once

#include "audio/IFilter.h"
#include "audio/filter/Equalizer.h"

#include <algorithm>
#include <cmath>
#include <complex>
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

/// The three-band equaliser's response in dB at `hz`. Each crossover is a one-pole low-pass
/// H(z) = c / (1 - (1 - c) z^-1), c = 2 sin(pi f / rate), four in a cascade, with the crossover
/// limited to 0.205 of the rate; with Hl and Hh the cascades of the two crossovers the output is
/// gl Hl + gm (Hh - Hl) + gh (z^-3 - Hh).
inline double equalizerResponseDb(const s::sound::filter::Equalizer& eq, double hz, int32_t rate) {
  const std::complex<double> zi = std::polar(1.0, -2.0 * M_PI * hz / rate);
  auto cascade = [&](int32_t crossover) {
    const double c = 2.0 * std::sin(M_PI * std::min(static_cast<double>(crossover) / rate, 0.205));
    return std::pow(c / (1.0 - (1.0 - c) * zi), 4);
  };
  const std::complex<double> low = cascade(eq.getLowFrequency());
  const std::complex<double> high = cascade(eq.getHighFrequency());
  return decibels(std::abs(eq.getLowGain() * low + eq.getMiddleGain() * (high - low) +
                           eq.getHighGain() * (zi * zi * zi - high)));
}

}  // namespace lumetra::filtertest
