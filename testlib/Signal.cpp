// Synthetic test signals and measurements on them.
#include "testlib/Signal.h"

#include <cmath>
#include <random>

namespace lumetra::testlib {

namespace {

int16_t toSample(double v) {
  const double scaled = std::lround(v * 32767.0);
  return static_cast<int16_t>(scaled > 32767.0 ? 32767.0 : (scaled < -32768.0 ? -32768.0 : scaled));
}

}  // namespace

std::vector<int16_t> makeTone(double hz, double amplitude, int32_t rate, size_t frames,
                              int32_t channels) {
  std::vector<int16_t> out(frames * channels);
  const double step = 2.0 * M_PI * hz / rate;
  for (size_t i = 0; i < frames; ++i) {
    const int16_t v = toSample(amplitude * std::sin(step * static_cast<double>(i)));
    for (int32_t c = 0; c < channels; ++c) {
      out[i * channels + c] = v;
    }
  }
  return out;
}

std::vector<int16_t> makeNoise(uint32_t seed, double amplitude, size_t frames, int32_t channels) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<int16_t> out(frames * channels);
  for (int16_t& v : out) {
    v = toSample(amplitude * uniform(random));
  }
  return out;
}

std::vector<double> channelOf(const int16_t* samples, size_t frames, int32_t channels,
                              int32_t channel) {
  std::vector<double> out(frames);
  for (size_t i = 0; i < frames; ++i) {
    out[i] = samples[i * channels + channel];
  }
  return out;
}

double measureFrequency(const std::vector<double>& signal, int32_t rate) {
  double first = -1.0;
  double last = -1.0;
  size_t crossings = 0;
  for (size_t i = 1; i < signal.size(); ++i) {
    if (signal[i - 1] < 0.0 && signal[i] >= 0.0) {
      const double at = static_cast<double>(i - 1) + -signal[i - 1] / (signal[i] - signal[i - 1]);
      if (crossings == 0) {
        first = at;
      }
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) {
    return 0.0;
  }
  return static_cast<double>(crossings - 1) * rate / (last - first);
}

double rms(const std::vector<double>& signal, size_t first, size_t count) {
  double sum = 0.0;
  for (size_t i = first; i < first + count && i < signal.size(); ++i) {
    sum += signal[i] * signal[i];
  }
  return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

size_t bestLag(const std::vector<double>& input, const std::vector<double>& output, size_t first,
               size_t count, size_t maxLag) {
  size_t best = 0;
  double bestScore = -2.0;
  for (size_t lag = 0; lag <= maxLag; ++lag) {
    double dot = 0.0;
    double a = 0.0;
    double b = 0.0;
    for (size_t i = first; i < first + count && i + lag < output.size(); ++i) {
      dot += input[i] * output[i + lag];
      a += input[i] * input[i];
      b += output[i + lag] * output[i + lag];
    }
    const double score = (a > 0.0 && b > 0.0) ? dot / std::sqrt(a * b) : -1.0;
    if (score > bestScore) {
      bestScore = score;
      best = lag;
    }
  }
  return best;
}

}  // namespace lumetra::testlib
