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

/// What a block of frames needs of the filter: its coefficients and gains, and the state it
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

/// Each of four values `d` times `negative` where its sign bit is set, else times `positive`, in
/// `product`. (Read as integers, the values' sign bits pick without comparing doubles.) The
/// vector helpers hand their results back through references: a 256-bit vector returned from a
/// function compiled without AVX would have another calling convention.
template <class Quad>
S_SIMD_INLINE void timesScaleOfSign(const Quad& d, const Quad& positive, const Quad& negative,
                                    Quad& product) {
  typedef int64_t Long4 __attribute__((vector_size(32)));
  product = d * (Quad)((Long4)d < 0 ? (Long4)negative : (Long4)positive);
}

/// toSamples of four values, stored as four 16-bit samples at `to`.
template <class Quad>
S_SIMD_INLINE void storeSamples(const Quad& y, uint8_t* to) {
  using Short4 = int16_t __attribute__((vector_size(8)));
  const Short4 out = __builtin_convertvector(toSamples<Quad, typename Vectors<4>::Int>(y), Short4);
  std::memcpy(to, &out, sizeof out);
}

/// Filters a block of C channels in place, in vectors of up to V doubles, a chunk at a time in
/// three passes: the samples' values; the cascades; the mix of the bands.
///
/// The lanes hold the low cascade of each channel, then the high cascade of each. Each lane keeps
/// its poles scaled, q_k = p_k / c^k: the pole form's p_k = (1 - c) p_k + c p_(k-1) becomes
/// q_k = (1 - c) q_k + q_(k-1), one multiplication and one addition, and the c^3 of the last pole
/// joins the band's mixing weight. (A crossover of 0, c = 0, keeps its lanes' poles unscaled
/// and their input 0: the cascade holds still, as the pole form's does, and its first pole's
/// anti-denormal offset is added once per block.) Two frames go together: with u and v the
/// inputs of a pole at frames n and n + 1, and k = 1 - c,
///   q(n) = k q(n - 1) + u,   q(n + 1) = k^2 q(n - 1) + (k u + v),
/// so each pole's own recursion is one multiplication and one addition per two frames, and the
/// rest waits on nothing but the pole before. The samples differ from those of the pole form
/// only through rounding, by one step at most and rarely at all. Every lane does the same
/// operations whatever the vector width, so every width gives the same samples.
template <int32_t C, int32_t V>
S_SIMD_INLINE void filterFrames(const Bands& b, uint8_t* samples, int32_t frames) {
  constexpr int32_t kLanes = 2 * C;
  constexpr int32_t kWidth = std::min(V, kLanes);
  constexpr int32_t kVectors = kLanes / kWidth;
  using Lanes = typename Vectors<kWidth>::Double;
  using Frame = typename Vectors<C>::Double;
  using Quad = typename Vectors<4>::Double;
  using QuadInt = typename Vectors<4>::Int;
  using Short4 = int16_t __attribute__((vector_size(8)));
  // Frame by frame, each channel's input, preceded by the three frames before the chunk (oldest
  // first): entry i holds the input of three frames before frame i. And each band's last pole,
  // channel by channel.
  alignas(32) double input[kChunk + 3][C];
  alignas(32) double cascade[2][kChunk * C];
  for (int32_t k = 0; k < 3; ++k) {
    for (int32_t c = 0; c < C; ++c) {
      input[k][c] = b.history[c][2 - k];
    }
  }

  const double coefficients[2] = {b.lowCoefficient, b.highCoefficient};
  // The scale of each band's poles: its coefficient, or 1 where that is 0.
  double scale[2];
  Lanes coefficient[kVectors], anti[kVectors], keep[kVectors], keep2[kVectors];
  Lanes pole[4][kVectors];
  for (int32_t band = 0; band < 2; ++band) {
    const double co = coefficients[band];
    scale[band] = co != 0.0 ? co : 1.0;
    for (int32_t c = 0; c < C; ++c) {
      const int32_t n = (band * C + c) / kWidth;
      const int32_t j = (band * C + c) % kWidth;
      const double* p = band == 1 ? b.highPoles[c] : b.lowPoles[c];
      coefficient[n][j] = co;
      anti[n][j] = co != 0.0 ? b.antiDenormal : 0.0;
      keep[n][j] = 1.0 - co;
      keep2[n][j] = keep[n][j] * keep[n][j];
      double power = 1.0;
      for (int32_t k = 0; k < 4; ++k) {
        pole[k][n][j] = p[k] / power;
        power *= scale[band];
      }
      if (co == 0.0) {
        pole[0][n][j] = 0.0;
      }
    }
  }
  const double lowScale = scale[0] * scale[0] * scale[0];
  const double highScale = scale[1] * scale[1] * scale[1];
  const Quad lowWeight = Quad{} + (b.lowGain - b.middleGain) * lowScale;
  const Quad highWeight = Quad{} + (b.middleGain - b.highGain) * highScale;
  const Quad inputWeight = Quad{} + b.highGain;
  const Quad positiveScale = Quad{} + kInputScale[0];
  const Quad negativeScale = Quad{} + kInputScale[1];

  // Each channel's value of frame `f` of the chunk, in the lanes of vector n.
  auto lanesOf = [&](int32_t f, int32_t n, Lanes & in) __attribute__((always_inline)) {
    Frame x;
    std::memcpy(&x, input[f + 3], sizeof x);
    for (int32_t j = 0; j < kWidth; ++j) {
      in[j] = x[(n * kWidth + j) % C];
    }
  };
  // The last poles of vector n as frame `f` of the cascades.
  auto store = [&](int32_t f, int32_t n, const Lanes& last) __attribute__((always_inline)) {
    if constexpr (kVectors == 1) {
      std::memcpy(&cascade[0][f * C], &last, C * sizeof(double));
      std::memcpy(&cascade[1][f * C], reinterpret_cast<const double*>(&last) + C,
                  C * sizeof(double));
    } else {
      std::memcpy(&cascade[n][f * C], &last, sizeof last);
    }
  };

  for (int32_t at = 0; at < frames; at += kChunk) {
    uint8_t* const chunk = samples + 2 * C * at;
    const int32_t length = std::min(kChunk, frames - at);
    const int32_t count = C * length;

    // The samples' values, four at a time.
    double* const values = &input[3][0];
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
      Short4 s;
      std::memcpy(&s, chunk + 2 * i, sizeof s);
      const Quad d = __builtin_convertvector(__builtin_convertvector(s, QuadInt), Quad);
      Quad x;
      timesScaleOfSign(d, positiveScale, negativeScale, x);
      std::memcpy(values + i, &x, sizeof x);
    }
    for (; i < count; ++i) {
      const int16_t s = pcm::load16(chunk + 2 * i);
      values[i] = s * kInputScale[s < 0];
    }

    // The cascades, two frames at a time.
    int32_t f = 0;
    for (; f + 2 <= length; f += 2) {
#pragma GCC unroll 2
      for (int32_t n = 0; n < kVectors; ++n) {
        Lanes u, v;
        lanesOf(f, n, u);
        lanesOf(f + 1, n, v);
        u = coefficient[n] * u + anti[n];
        v = coefficient[n] * v + anti[n];
#pragma GCC unroll 4
        for (int32_t k = 0; k < 4; ++k) {
          const Lanes first = keep[n] * pole[k][n] + u;
          const Lanes ahead = keep[n] * u + v;
          pole[k][n] = keep2[n] * pole[k][n] + ahead;
          u = first;
          v = pole[k][n];
        }
        store(f, n, u);
        store(f + 1, n, v);
      }
    }
    if (f < length) {
      for (int32_t n = 0; n < kVectors; ++n) {
        Lanes u;
        lanesOf(f, n, u);
        pole[0][n] = keep[n] * pole[0][n] + (coefficient[n] * u + anti[n]);
        for (int32_t k = 1; k < 4; ++k) {
          pole[k][n] = keep[n] * pole[k][n] + pole[k - 1][n];
        }
        store(f, n, pole[3][n]);
      }
    }

    // The mix: (gl - gm) low + (gm - gh) highCascade + gh input, four samples at a time.
    const double* const delayed = &input[0][0];
    i = 0;
    for (; i + 4 <= count; i += 4) {
      Quad low, high, earlier;
      std::memcpy(&low, &cascade[0][i], sizeof low);
      std::memcpy(&high, &cascade[1][i], sizeof high);
      std::memcpy(&earlier, delayed + i, sizeof earlier);
      storeSamples(lowWeight * low + highWeight * high + inputWeight * earlier, chunk + 2 * i);
    }
    for (; i < count; ++i) {
      typedef double Double1 __attribute__((vector_size(8)));
      typedef int32_t Int1 __attribute__((vector_size(4)));
      const Double1 y = {lowWeight[0] * cascade[0][i] + highWeight[0] * cascade[1][i] +
                         inputWeight[0] * delayed[i]};
      pcm::store16(chunk + 2 * i, static_cast<int16_t>(toSamples<Double1, Int1>(y)[0]));
    }
    // The chunk's last three frames come before the next chunk.
    std::memmove(input[0], input[length], sizeof input[0] * 3);
  }

  for (int32_t c = 0; c < C; ++c) {
    b.history[c][0] = input[2][c];
    b.history[c][1] = input[1][c];
    b.history[c][2] = input[0][c];
  }
  for (int32_t band = 0; band < 2; ++band) {
    for (int32_t c = 0; c < C; ++c) {
      const int32_t n = (band * C + c) / kWidth;
      const int32_t j = (band * C + c) % kWidth;
      double* p = band == 1 ? b.highPoles[c] : b.lowPoles[c];
      double power = 1.0;
      for (int32_t k = 0; k < 4; ++k) {
        if (k > 0 || coefficients[band] != 0.0) {
          p[k] = pole[k][n][j] * power;
        }
        power *= scale[band];
      }
      if (coefficients[band] == 0.0) {
        p[0] += frames * b.antiDenormal;
      }
    }
  }
}

using FilterFrames = void (*)(const Bands&, uint8_t*, int32_t, int32_t);

// The filter compiled twice: for the 256-bit instructions and for the 128-bit ones.
__attribute__((target("avx2"))) void filterFramesAvx2(const Bands& b, uint8_t* samples,
                                                      int32_t frames, int32_t channels) {
  if (channels == 2) {
    filterFrames<2, 4>(b, samples, frames);
  } else {
    filterFrames<1, 4>(b, samples, frames);
  }
}

void filterFramesBase(const Bands& b, uint8_t* samples, int32_t frames, int32_t channels) {
  if (channels == 2) {
    filterFrames<2, 2>(b, samples, frames);
  } else {
    filterFrames<1, 2>(b, samples, frames);
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
  if (frames > 0) {
    filter(bands, static_cast<uint8_t*>(samples), frames, channels);
  }
}

}  // namespace s::sound::filter
