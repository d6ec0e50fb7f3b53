// The three-band equaliser: presets, coefficients and the band split.
#include "audio/filter/Equalizer.h"

#include "audio/filter/Pcm.h"
#include "audio/filter/Simd.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace s::sound::filter {

namespace {

/// The value of pi in the coefficient formula, as the presets are defined with it; a more precise
/// one would move every crossover by a few parts in 10^12.
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

/// Frames filtered at a time: the work arrays of one chunk stay in the first-level cache.
constexpr int32_t kChunk = 256;

/// What a chunk needs of the filter: its coefficients and gains, and the state it carries on.
struct Bands {
  double lowCoefficient, highCoefficient, antiDenormal;
  double lowGain, middleGain, highGain;
  double (*lowPoles)[4];
  double (*highPoles)[4];
  /// The last three input values of each channel, newest first.
  double (*history)[3];
};

/// Vectors of V doubles and of V int32.
template <int32_t V>
struct Vectors {
  typedef double Double __attribute__((vector_size(8 * V)));
  typedef int32_t Int __attribute__((vector_size(4 * V)));
};

/// Filters a chunk of C channels in vectors of V doubles, in three passes: the samples become
/// values (the sign picking the divisor lane by lane), the cascades run, and the bands are mixed
/// back. Every lane does the scalar operations of the formulas in their order.
template <int32_t C, int32_t V>
S_SIMD_INLINE void filterChunk(const Bands& b, uint8_t* samples, int32_t frames) {
  // Per channel: the values, preceded by the three of the frames before the chunk (oldest
  // first), so that the value of three frames before frame i is input[i]; the cascades' outputs.
  double input[C][kChunk + 3];
  double low[C][kChunk];
  double highCascade[C][kChunk];
  using Double = typename Vectors<V>::Double;
  using Int = typename Vectors<V>::Int;
  const Double negativeScale = Double{} + 32768.0;
  const Double positiveScale = Double{} + 32767.0;
  for (int32_t c = 0; c < C; ++c) {
    input[c][0] = b.history[c][2];
    input[c][1] = b.history[c][1];
    input[c][2] = b.history[c][0];
    double* x = input[c] + 3;
    int32_t i = 0;
    for (; i + V <= frames; i += V) {
      Double s;
#pragma GCC unroll 4
      for (int32_t j = 0; j < V; ++j) {
        s[j] = pcm::load16(samples + 2 * (C * (i + j) + c));
      }
      const Double q = s / (s < 0.0 ? negativeScale : positiveScale);
      std::memcpy(x + i, &q, sizeof q);
    }
    for (; i < frames; ++i) {
      x[i] = toUnit(pcm::load16(samples + 2 * (C * i + c)));
    }
  }

  // The cascades: every pole depends on its own previous value, so this loop runs at the speed of
  // one recursion step. The poles of the low and the high cascade of every channel advance
  // together, as lanes low, high (, low, high) of vectors of up to V doubles: lane L belongs to
  // channel L / 2, to the high cascade when L is odd.
  constexpr int32_t kLanes = std::min(V, 2 * C);
  constexpr int32_t kVectors = 2 * C / kLanes;
  using Lanes = typename Vectors<kLanes>::Double;
  Lanes coefficient[kVectors];
  Lanes antiDenormal[kVectors];
  Lanes pole[4][kVectors];
  for (int32_t n = 0; n < kVectors; ++n) {
    for (int32_t j = 0; j < kLanes; ++j) {
      const int32_t c = (n * kLanes + j) / 2;
      const bool high = j % 2 == 1;
      coefficient[n][j] = high ? b.highCoefficient : b.lowCoefficient;
      antiDenormal[n][j] = b.antiDenormal;
      for (int32_t k = 0; k < 4; ++k) {
        pole[k][n][j] = high ? b.highPoles[c][k] : b.lowPoles[c][k];
      }
    }
  }
  for (int32_t i = 0; i < frames; ++i) {
#pragma GCC unroll 2
    for (int32_t n = 0; n < kVectors; ++n) {
      Lanes x;
#pragma GCC unroll 4
      for (int32_t j = 0; j < kLanes; ++j) {
        x[j] = input[(n * kLanes + j) / 2][i + 3];
      }
      pole[0][n] += coefficient[n] * (x - pole[0][n]) + antiDenormal[n];
      pole[1][n] += coefficient[n] * (pole[0][n] - pole[1][n]);
      pole[2][n] += coefficient[n] * (pole[1][n] - pole[2][n]);
      pole[3][n] += coefficient[n] * (pole[2][n] - pole[3][n]);
#pragma GCC unroll 4
      for (int32_t j = 0; j < kLanes; j += 2) {
        const int32_t c = (n * kLanes + j) / 2;
        low[c][i] = pole[3][n][j];
        highCascade[c][i] = pole[3][n][j + 1];
      }
    }
  }
  for (int32_t n = 0; n < kVectors; ++n) {
    for (int32_t j = 0; j < kLanes; j += 2) {
      const int32_t c = (n * kLanes + j) / 2;
      for (int32_t k = 0; k < 4; ++k) {
        b.lowPoles[c][k] = pole[k][n][j];
        b.highPoles[c][k] = pole[k][n][j + 1];
      }
    }
  }

  const Double lowGain = Double{} + b.lowGain;
  const Double middleGain = Double{} + b.middleGain;
  const Double highGain = Double{} + b.highGain;
  for (int32_t c = 0; c < C; ++c) {
    int32_t i = 0;
    for (; i + V <= frames; i += V) {
      Double d, l, h;
      std::memcpy(&d, input[c] + i, sizeof d);
      std::memcpy(&l, low[c] + i, sizeof l);
      std::memcpy(&h, highCascade[c] + i, sizeof h);
      const Double high = d - h;
      const Double middle = d - (high + l);
      const Double y = lowGain * l + middleGain * middle + highGain * high;
      Double v = y * (y >= 0.0 ? positiveScale : negativeScale);
      v = v < 32767.0 ? v : positiveScale;
      v = v > -32768.0 ? v : -negativeScale;
      const Int out = __builtin_convertvector(v, Int);
#pragma GCC unroll 4
      for (int32_t j = 0; j < V; ++j) {
        pcm::store16(samples + 2 * (C * (i + j) + c), static_cast<int16_t>(out[j]));
      }
    }
    for (; i < frames; ++i) {
      const double d = input[c][i];
      const double high = d - highCascade[c][i];
      const double middle = d - (high + low[c][i]);
      const double y = b.lowGain * low[c][i] + b.middleGain * middle + b.highGain * high;
      pcm::store16(samples + 2 * (C * i + c), fromUnit(y));
    }
    b.history[c][0] = input[c][frames + 2];
    b.history[c][1] = input[c][frames + 1];
    b.history[c][2] = input[c][frames];
  }
}

using FilterChunk = void (*)(const Bands&, uint8_t*, int32_t, int32_t);

// The chunk filter compiled twice: for the 256-bit instructions and for the 128-bit ones.
__attribute__((target("avx2"))) void filterChunkAvx2(const Bands& b, uint8_t* samples,
                                                     int32_t frames, int32_t channels) {
  if (channels == 2) {
    filterChunk<2, 4>(b, samples, frames);
  } else {
    filterChunk<1, 4>(b, samples, frames);
  }
}

void filterChunkBase(const Bands& b, uint8_t* samples, int32_t frames, int32_t channels) {
  if (channels == 2) {
    filterChunk<2, 2>(b, samples, frames);
  } else {
    filterChunk<1, 2>(b, samples, frames);
  }
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
  // Held at 0.205 of the rate at most: the higher the share, the harder the one-pole recursion
  // rings at the top of the band, by 100 dB and more for a 9000 Hz crossover at 22.05 kHz
  // (kMaxCrossoverShare gives the figures). Every preset crossover at 44.1 and 48 kHz lies
  // below the limit and is kept as it is.
  const double share = std::min(static_cast<double>(frequency) / sampleRate, kMaxCrossoverShare);
  return 2.0 * std::sin(share * kPi);
}

void Equalizer::setCrossovers(int32_t lowFrequency, int32_t highFrequency) {
  m_lowFrequency = lowFrequency;
  m_highFrequency = highFrequency;
  m_lowCoefficient = coefficient(lowFrequency, 44100);
  m_highCoefficient = coefficient(highFrequency, 44100);
}

void Equalizer::applyPreset(double low, double middle, double high, const int32_t (*crossovers)[2],
                            int32_t type) {
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
  const Bands bands = {m_lowCoefficient, m_highCoefficient, m_antiDenormal, m_lowGain, m_middleGain,
                       m_highGain,       m_lowPoles,        m_highPoles,    m_history};
  const int32_t channels = stereo ? 2 : 1;
  const int32_t frames = byteCount / (2 * channels);
  const FilterChunk filter = simd::useAvx2() ? filterChunkAvx2 : filterChunkBase;
  uint8_t* p = static_cast<uint8_t*>(samples);
  for (int32_t at = 0; at < frames; at += kChunk) {
    filter(bands, p + 2 * channels * at, std::min(kChunk, frames - at), channels);
  }
}

}  // namespace s::sound::filter
