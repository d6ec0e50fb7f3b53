// The three-band equaliser: presets, coefficients and the band split.
#include "audio/filter/Equalizer.h"

#include "audio/filter/Pcm.h"

#include <algorithm>
#include <cmath>

namespace s::sound::filter {

namespace {

/// The value of pi the coefficients were always computed with; a more precise one would move
/// every crossover by a few parts in 10^12, which is harmless but needless.
constexpr double kPi = 3.14159265359;

/// Crossovers are limited to this share of the sample rate before the coefficient is computed.
/// The recursion p += c (x - p) is stable only for 0 < c < 2, and 2 sin(pi f / rate) leaves that
/// range once f passes the rate. Well before that, a coefficient above 1 puts the pole on the
/// negative axis, where it rings at the top of the band: at 16 and 22.05 kHz the presets with
/// 7000 Hz and 9000 Hz crossovers lift it by 100 dB and more, and a limit just below half the
/// rate would make that hundreds of dB. This share keeps every preset crossover at 44.1 kHz and
/// 48 kHz as it is (9000 Hz is 0.2041 of 44.1 kHz), and at any lower rate no preset's response
/// peaks above 20.2 dB (Vocal Boost 10 peaks at 19.8 dB at 44.1 kHz).
constexpr double kMaxCrossoverShare = 0.205;

/// The low and the high cascade of one channel side by side: lane 0 low, lane 1 high. Each lane
/// does exactly the scalar operations, so the results are those of the formulas one by one.
using Double2 = double __attribute__((vector_size(16)));
using Int2 = int32_t __attribute__((vector_size(8)));

/// The crossovers of types 1 to 5 (low Hz, high Hz) of the bass, middle and high presets.
constexpr int32_t kBassCrossovers[5][2] = {
    {500, 5000}, {880, 5000}, {1500, 5000}, {3000, 5000}, {5000, 5000}};
constexpr int32_t kMiddleCrossovers[5][2] = {
    {1500, 3000}, {1000, 4000}, {880, 5000}, {750, 7000}, {500, 9000}};
constexpr int32_t kHighCrossovers[5][2] = {
    {880, 9000}, {880, 7000}, {880, 5000}, {880, 4000}, {880, 3000}};

/// The input value of a 16-bit sample: full scale is 1 on both sides.
inline double toUnit(int16_t s) { return s < 0 ? s / 32768.0 : s / 32767.0; }

/// The sample of an output value, truncated toward zero and clamped to the 16-bit range.
inline int16_t fromUnit(double y) {
  double v = y >= 0.0 ? y * 32767.0 : y * 32768.0;
  v = v < 32767.0 ? v : 32767.0;
  v = v > -32768.0 ? v : -32768.0;  // NaN, were it ever to come, stays 32767 from the line above
  return static_cast<int16_t>(v);
}

}  // namespace

void Equalizer::reset() {
  m_enabled = true;
  m_antiDenormal = 1.0 / 4294967295.0;
  m_lowCoefficient = 0.0;
  m_highCoefficient = 0.0;
  std::fill(&m_lowPoles[0][0], &m_lowPoles[0][0] + 8, 0.0);
  std::fill(&m_highPoles[0][0], &m_highPoles[0][0] + 8, 0.0);
  std::fill(&m_history[0][0], &m_history[0][0] + 6, 0.0);
  m_lowGain = 1.0;
  m_middleGain = 1.0;
  m_highGain = 1.0;
  m_lowFrequency = 880;
  m_highFrequency = 5000;
}

double Equalizer::coefficient(int32_t frequency, int32_t sampleRate) {
  if (frequency <= 0 || sampleRate <= 0) {
    return 0.0;
  }
  const double share = std::min(static_cast<double>(frequency) / sampleRate, kMaxCrossoverShare);
  return 2.0 * std::sin(share * kPi);
}

void Equalizer::setCrossovers(int32_t lowFrequency, int32_t highFrequency) {
  m_lowFrequency = lowFrequency;
  m_highFrequency = highFrequency;
  m_lowCoefficient = coefficient(lowFrequency, 44100);
  m_highCoefficient = coefficient(highFrequency, 44100);
}

void Equalizer::applyPreset(double low, double middle, double high,
                            const int32_t (*crossovers)[2], int32_t type) {
  setGains(low, middle, high);
  if (type >= 1 && type <= 5) {
    setCrossovers(crossovers[type - 1][0], crossovers[type - 1][1]);
  }
}

void Equalizer::setBassBoost(int32_t level, int32_t type) {
  applyPreset(1.0 + 0.1 * level, 1.0, 1.0, kBassCrossovers, type);
}

void Equalizer::setBassSuppress(int32_t level, int32_t type) {
  applyPreset(1.0 - 0.1 * level, 1.0, 1.0, kBassCrossovers, type);
}

void Equalizer::setBassOnly(int32_t level, int32_t type) {
  applyPreset(1.0 + 0.1 * level, 0.0, 0.0, kBassCrossovers, type);
}

void Equalizer::setMiddleBoost(int32_t level, int32_t type) {
  applyPreset(1.0, 1.0 + 0.1 * level, 1.0, kMiddleCrossovers, type);
}

void Equalizer::setMiddleSuppress(int32_t level, int32_t type) {
  applyPreset(1.0, 1.0 - 0.1 * level, 1.0, kMiddleCrossovers, type);
}

void Equalizer::setMiddleOnly(int32_t level, int32_t type) {
  applyPreset(0.0, 1.0 + 0.1 * level, 0.0, kMiddleCrossovers, type);
}

void Equalizer::setHighBoost(int32_t level, int32_t type) {
  applyPreset(1.0, 1.0, 1.0 + 0.1 * level, kHighCrossovers, type);
}

void Equalizer::setHighSuppress(int32_t level, int32_t type) {
  applyPreset(1.0, 1.0, 1.0 - 0.1 * level, kHighCrossovers, type);
}

void Equalizer::setHighOnly(int32_t level, int32_t type) {
  applyPreset(0.0, 0.0, 1.0 + 0.1 * level, kHighCrossovers, type);
}

void Equalizer::process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                        int32_t bitsPerSample) {
  if (bitsPerSample != 16 || samples == nullptr || byteCount <= 0 || sampleRate <= 0) {
    return;
  }
  m_lowCoefficient = coefficient(m_lowFrequency, sampleRate);
  m_highCoefficient = coefficient(m_highFrequency, sampleRate);
  const int32_t channels = stereo ? 2 : 1;
  const int32_t frames = byteCount / (2 * channels);
  uint8_t* p = static_cast<uint8_t*>(samples);
  for (int32_t at = 0; at < frames; at += kChunk) {
    filterChunk(p + 2 * channels * at, std::min(kChunk, frames - at), channels);
  }
}

void Equalizer::filterChunk(uint8_t* samples, int32_t frames, int32_t channels) {
  // Per channel: the input values, preceded by the three of the previous frames (oldest first),
  // so that the value of three frames before frame i is input[i]; and the cascades' outputs.
  alignas(16) double input[2][kChunkInput];
  alignas(16) double low[2][kChunk];
  alignas(16) double highCascade[2][kChunk];
  for (int32_t c = 0; c < channels; ++c) {
    input[c][0] = m_history[c][2];
    input[c][1] = m_history[c][1];
    input[c][2] = m_history[c][0];
    double* x = input[c] + 3;
    int32_t i = 0;
    // Two at a time without branches: the sign picks the divisor lane by lane.
    for (; i + 2 <= frames; i += 2) {
      const Double2 s = {static_cast<double>(pcm::load16(samples + 2 * (channels * i + c))),
                         static_cast<double>(pcm::load16(samples + 2 * (channels * (i + 1) + c)))};
      const Double2 q = s / (s < 0.0 ? Double2{32768.0, 32768.0} : Double2{32767.0, 32767.0});
      x[i] = q[0];
      x[i + 1] = q[1];
    }
    for (; i < frames; ++i) {
      x[i] = toUnit(pcm::load16(samples + 2 * (channels * i + c)));
    }
  }

  if (channels == 2) {
    runCascades<2>(input, low, highCascade, frames);
  } else {
    runCascades<1>(input, low, highCascade, frames);
  }

  const Double2 lowGain = {m_lowGain, m_lowGain};
  const Double2 middleGain = {m_middleGain, m_middleGain};
  const Double2 highGain = {m_highGain, m_highGain};
  for (int32_t c = 0; c < channels; ++c) {
    int32_t i = 0;
    for (; i + 2 <= frames; i += 2) {
      const Double2 d = {input[c][i], input[c][i + 1]};
      const Double2 l = {low[c][i], low[c][i + 1]};
      const Double2 h = {highCascade[c][i], highCascade[c][i + 1]};
      const Double2 high = d - h;
      const Double2 middle = d - (high + l);
      const Double2 y = lowGain * l + middleGain * middle + highGain * high;
      Double2 v = y * (y >= 0.0 ? Double2{32767.0, 32767.0} : Double2{32768.0, 32768.0});
      v = v < 32767.0 ? v : Double2{32767.0, 32767.0};
      v = v > -32768.0 ? v : Double2{-32768.0, -32768.0};
      const Int2 out = __builtin_convertvector(v, Int2);
      pcm::store16(samples + 2 * (channels * i + c), static_cast<int16_t>(out[0]));
      pcm::store16(samples + 2 * (channels * (i + 1) + c), static_cast<int16_t>(out[1]));
    }
    for (; i < frames; ++i) {
      const double d = input[c][i];
      const double high = d - highCascade[c][i];
      const double middle = d - (high + low[c][i]);
      const double y = m_lowGain * low[c][i] + m_middleGain * middle + m_highGain * high;
      pcm::store16(samples + 2 * (channels * i + c), fromUnit(y));
    }
    m_history[c][0] = input[c][frames + 2];
    m_history[c][1] = input[c][frames + 1];
    m_history[c][2] = input[c][frames];
  }
}

template <int32_t Channels>
void Equalizer::runCascades(const double (*input)[kChunkInput], double (*low)[kChunk],
                            double (*highCascade)[kChunk], int32_t frames) {
  // Every pole depends on its own previous value, so this loop runs at the speed of one
  // recursion step; both channels and both cascades share it to keep the core busy.
  const Double2 coefficient = {m_lowCoefficient, m_highCoefficient};
  const Double2 antiDenormal = {m_antiDenormal, m_antiDenormal};
  Double2 pole[Channels][4];
  for (int32_t c = 0; c < Channels; ++c) {
    for (int32_t k = 0; k < 4; ++k) {
      pole[c][k] = Double2{m_lowPoles[c][k], m_highPoles[c][k]};
    }
  }
  for (int32_t i = 0; i < frames; ++i) {
    for (int32_t c = 0; c < Channels; ++c) {
      const double x = input[c][i + 3];
      Double2* p = pole[c];
      p[0] += coefficient * (Double2{x, x} - p[0]) + antiDenormal;
      p[1] += coefficient * (p[0] - p[1]);
      p[2] += coefficient * (p[1] - p[2]);
      p[3] += coefficient * (p[2] - p[3]);
      low[c][i] = p[3][0];
      highCascade[c][i] = p[3][1];
    }
  }
  for (int32_t c = 0; c < Channels; ++c) {
    for (int32_t k = 0; k < 4; ++k) {
      m_lowPoles[c][k] = pole[c][k][0];
      m_highPoles[c][k] = pole[c][k][1];
    }
  }
}

}  // namespace s::sound::filter
