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

/// What a run of frames needs of the filter: its coefficients and gains, and the state it
/// carries on.
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

/// The 16-bit sample of each lane's output value, full scale being 1 on both sides: truncated
/// toward zero and clamped (NaN, were it ever to come, gives 32767).
template <class Double, class Int>
S_SIMD_INLINE Int toSamples(const Double& y) {
  Double v = y * (y >= 0.0 ? Double{} + 32767.0 : Double{} + 32768.0);
  v = v < 32767.0 ? v : Double{} + 32767.0;
  v = v > -32768.0 ? v : Double{} - 32768.0;
  return __builtin_convertvector(v, Int);
}

/// The value of a 16-bit sample, full scale being 1 on both sides: the sample times the scale
/// of its sign, picked without a branch. 1 / 32768 is exact; 1 / 32767 gives the quotient or
/// its neighbour in the last bit.
constexpr double kInputScale[2] = {1.0 / 32767.0, 1.0 / 32768.0};

/// Frames filtered at a time: the work arrays of one chunk stay in the first-level cache.
constexpr int32_t kChunk = 256;

/// Filters a chunk of C channels in place, in vectors of up to V doubles, in two passes. The
/// first takes the samples' values and advances the cascades: the lanes hold the low and the
/// high cascade of channel 0, then of channel 1, and every frame advances the four poles of all
/// of them together. Written p = (1 - c) p + c x, a pole's own recursion is one multiplication
/// and one addition per frame; everything else waits on nothing but the pole before or the
/// frame's input, so frames overlap and the loop runs at the speed of that one recursion. The
/// second pass mixes the bands back, four samples at a time, as gl low + gm (highCascade - low)
/// + gh (input - highCascade), gathered by band: (gl - gm) low + (gm - gh) highCascade + gh input.
/// The values differ from those of the pole form p += c (x - p) in their last bits, which moves
/// a sample by one step at most, and rarely at all. Every lane does the same operations
/// whatever the vector width, so both vector codes give the same samples.
template <int32_t C, int32_t V>
S_SIMD_INLINE void filterChunk(const Bands& b, uint8_t* samples, int32_t frames) {
  constexpr int32_t kLanes = 2 * C;
  constexpr int32_t kWidth = std::min(V, kLanes);
  constexpr int32_t kVectors = kLanes / kWidth;
  using Lanes = typename Vectors<kWidth>::Double;
  using Frame = typename Vectors<C>::Double;
  using FrameInt = typename Vectors<C>::Int;
  using Quad = typename Vectors<4>::Double;
  using QuadInt = typename Vectors<4>::Int;
  using Short4 = int16_t __attribute__((vector_size(8)));
  // Frame by frame, each channel's input, preceded by the three frames before the chunk (oldest
  // first): entry i holds the input of three frames before frame i. And each lane's last pole.
  alignas(32) double input[kChunk + 3][C];
  alignas(32) double cascade[kChunk][kLanes];
  for (int32_t k = 0; k < 3; ++k) {
    for (int32_t c = 0; c < C; ++c) {
      input[k][c] = b.history[c][2 - k];
    }
  }

  Lanes coefficient[kVectors];
  Lanes keep[kVectors];
  Lanes pole[4][kVectors];
  for (int32_t n = 0; n < kVectors; ++n) {
    for (int32_t j = 0; j < kWidth; ++j) {
      const int32_t lane = n * kWidth + j;
      const int32_t c = lane / 2;
      const bool high = lane % 2 == 1;
      coefficient[n][j] = high ? b.highCoefficient : b.lowCoefficient;
      keep[n][j] = 1.0 - coefficient[n][j];
      for (int32_t k = 0; k < 4; ++k) {
        pole[k][n][j] = high ? b.highPoles[c][k] : b.lowPoles[c][k];
      }
    }
  }
  const Lanes antiDenormal = Lanes{} + b.antiDenormal;
  for (int32_t i = 0; i < frames; ++i) {
    Frame x;
    for (int32_t c = 0; c < C; ++c) {
      const int16_t s = pcm::load16(samples + 2 * (C * i + c));
      x[c] = s * kInputScale[s < 0];
    }
    std::memcpy(input[i + 3], &x, sizeof x);
#pragma GCC unroll 2
    for (int32_t n = 0; n < kVectors; ++n) {
      // Each channel's value in both its lanes.
      Lanes in;
      for (int32_t j = 0; j < kWidth; ++j) {
        in[j] = x[(n * kWidth + j) / 2];
      }
      pole[0][n] = keep[n] * pole[0][n] + (coefficient[n] * in + antiDenormal);
      pole[1][n] = keep[n] * pole[1][n] + coefficient[n] * pole[0][n];
      pole[2][n] = keep[n] * pole[2][n] + coefficient[n] * pole[1][n];
      pole[3][n] = keep[n] * pole[3][n] + coefficient[n] * pole[2][n];
      std::memcpy(&cascade[i][n * kWidth], &pole[3][n], sizeof pole[3][n]);
    }
  }
  for (int32_t n = 0; n < kVectors; ++n) {
    for (int32_t j = 0; j < kWidth; ++j) {
      const int32_t lane = n * kWidth + j;
      for (int32_t k = 0; k < 4; ++k) {
        (lane % 2 == 1 ? b.highPoles : b.lowPoles)[lane / 2][k] = pole[k][n][j];
      }
    }
  }

  // Four samples at a time: the cascades hold each sample's low and high lane side by side and
  // the inputs one value per sample, both in the samples' own order.
  const double lowWeight = b.lowGain - b.middleGain;
  const double highCascadeWeight = b.middleGain - b.highGain;
  const double inputWeight = b.highGain;
  constexpr int32_t kGroup = 4 / C;
  int32_t i = 0;
  for (; i + kGroup <= frames; i += kGroup) {
    Quad first, second, delayed;
    // A group spans kGroup rows of the cascade: read through the array as a whole.
    const double* rows = &cascade[0][0] + i * kLanes;
    std::memcpy(&first, rows, sizeof first);
    std::memcpy(&second, rows + 4, sizeof second);
    std::memcpy(&delayed, input[i], sizeof delayed);
    const Quad low = __builtin_shufflevector(first, second, 0, 2, 4, 6);
    const Quad highCascade = __builtin_shufflevector(first, second, 1, 3, 5, 7);
    const Quad y = lowWeight * low + highCascadeWeight * highCascade + inputWeight * delayed;
    const Short4 out = __builtin_convertvector(toSamples<Quad, QuadInt>(y), Short4);
    std::memcpy(samples + 2 * C * i, &out, sizeof out);
  }
  for (; i < frames; ++i) {
    Frame low, highCascade, delayed;
    for (int32_t c = 0; c < C; ++c) {
      low[c] = cascade[i][2 * c];
      highCascade[c] = cascade[i][2 * c + 1];
      delayed[c] = input[i][c];
    }
    const Frame y = lowWeight * low + highCascadeWeight * highCascade + inputWeight * delayed;
    const FrameInt out = toSamples<Frame, FrameInt>(y);
    for (int32_t c = 0; c < C; ++c) {
      pcm::store16(samples + 2 * (C * i + c), static_cast<int16_t>(out[c]));
    }
  }
  for (int32_t c = 0; c < C; ++c) {
    b.history[c][0] = input[frames + 2][c];
    b.history[c][1] = input[frames + 1][c];
    b.history[c][2] = input[frames][c];
  }
}

using FilterFrames = void (*)(const Bands&, uint8_t*, int32_t, int32_t);

// The filter compiled twice: for the 256-bit instructions and for the 128-bit ones.
__attribute__((target("avx2"))) void filterFramesAvx2(const Bands& b, uint8_t* samples,
                                                      int32_t frames, int32_t channels) {
  if (channels == 2) {
    filterChunk<2, 4>(b, samples, frames);
  } else {
    filterChunk<1, 4>(b, samples, frames);
  }
}

void filterFramesBase(const Bands& b, uint8_t* samples, int32_t frames, int32_t channels) {
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
  const FilterFrames filter = simd::useAvx2() ? filterFramesAvx2 : filterFramesBase;
  uint8_t* p = static_cast<uint8_t*>(samples);
  for (int32_t at = 0; at < frames; at += kChunk) {
    filter(bands, p + 2 * channels * at, std::min(kChunk, frames - at), channels);
  }
}

}  // namespace s::sound::filter
