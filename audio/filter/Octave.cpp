// The pitch shifter: analysis of each frame into bin frequencies and magnitudes, a move of every
// bin by the pitch factor, and resynthesis by overlap-add.
#include "audio/filter/Octave.h"

#include "audio/filter/Pcm.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace s::sound::filter {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
// Reciprocals: the per-bin steps multiply instead of dividing.
constexpr double kInvPi = 1.0 / kPi;
constexpr double kInvTwoPi = 1.0 / kTwoPi;
constexpr int32_t kTableSize = 131072;
/// kTableSize / (2 pi): table entries per radian.
constexpr double kTableScale = 20860.756700940907;
/// Samples per channel converted to floats at a time, and the length of every work array.
constexpr int32_t kGroup = 8192;
constexpr int32_t kN = Octave::kFrameSize;

/// Four floats handled by one vector instruction. Each lane does exactly the scalar operations, so
/// the vector butterflies give the results of the scalar ones.
using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void store4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }

/// One butterfly of the transform on four pairs of values: t = b x w; b = a - t; a = a + t.
inline void butterfly(Float4& ar, Float4& ai, Float4& br, Float4& bi, Float4 wr, Float4 wi) {
  const Float4 tr = br * wr - bi * wi;
  const Float4 ti = br * wi + bi * wr;
  br = ar - tr;
  bi = ai - ti;
  ar = ar + tr;
  ai = ai + ti;
}

/// Two doubles, the analysis and synthesis steps of two bins at once; and their integer and
/// float companions. Lanes compute exactly what scalar code would.
using Double2 = double __attribute__((vector_size(16)));
using Long2 = int64_t __attribute__((vector_size(16)));
using Int2 = int32_t __attribute__((vector_size(8)));
using Float2 = float __attribute__((vector_size(8)));

inline Double2 splat(double v) { return Double2{v, v}; }

inline Double2 loadFloats(const float* p) {
  Float2 v;
  std::memcpy(&v, p, sizeof v);
  return __builtin_convertvector(v, Double2);
}

inline void storeFloats(float* p, Double2 v) {
  const Float2 f = __builtin_convertvector(v, Float2);
  std::memcpy(p, &f, sizeof f);
}

/// Truncation toward zero, as the scalar conversion to an integer does (the values stay far
/// inside 32 bits).
inline Double2 truncate(Double2 v) {
  return __builtin_convertvector(__builtin_convertvector(v, Int2), Double2);
}

inline Long2 signBit(Double2 v) {
  Long2 bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits < 0;
}

inline Double2 absolute(Double2 v) { return signBit(v) ? -v : v; }

/// atan2 of two pairs, accurate to about 1e-14 rad, and relatively so near 0 (so it rounds to the
/// float result of a correct atan2), with the signed-zero and quadrant rules of the C function.
/// The angle of (x, y) is reduced by symmetry to [0, pi/4], where atan(low / high) = c +
/// atan((low - high tan c) / (high + low tan c)) for the nearest of the centres c = 0, pi/16,
/// pi/8, 3pi/16, pi/4 leaves an argument within tan(pi/32) < 0.0985, summed as its alternating
/// series to the 11th power (the first omitted term is below 0.0985^13 / 13 < 1e-14).
inline Double2 atan2Pair(Double2 y, Double2 x) {
  // tan(pi/32), tan(3pi/32), tan(5pi/32), tan(7pi/32): the bounds between the centres.
  constexpr double kBound1 = 0.098491403357164253;
  constexpr double kBound2 = 0.30334668360734239;
  constexpr double kBound3 = 0.53451113595079158;
  constexpr double kBound4 = 0.82067879082866033;
  // tan(pi/16), tan(pi/8), tan(3pi/16).
  constexpr double kTan1 = 0.19891236737965800;
  constexpr double kTan2 = 0.41421356237309505;
  constexpr double kTan3 = 0.66817863791929892;
  const Double2 ax = absolute(x);
  const Double2 ay = absolute(y);
  const Long2 swap = ay > ax;
  const Double2 low = swap ? ax : ay;
  const Double2 high = swap ? ay : ax;
  const Long2 above1 = low > kBound1 * high;
  const Long2 above2 = low > kBound2 * high;
  const Long2 above3 = low > kBound3 * high;
  const Long2 above4 = low > kBound4 * high;
  const Double2 tanCentre = above4   ? splat(1.0)
                            : above3 ? splat(kTan3)
                            : above2 ? splat(kTan2)
                            : above1 ? splat(kTan1)
                                     : splat(0.0);
  const Double2 centre = above4   ? splat(kPi / 4)
                         : above3 ? splat(3 * kPi / 16)
                         : above2 ? splat(kPi / 8)
                         : above1 ? splat(kPi / 16)
                                  : splat(0.0);
  const Double2 denominator = high + low * tanCentre;
  const Long2 origin = high == 0.0;
  const Double2 u = (low - high * tanCentre) / (origin ? splat(1.0) : denominator);
  const Double2 u2 = u * u;
  Double2 series = splat(-1.0 / 11);
  for (const double c : {1.0 / 9, -1.0 / 7, 1.0 / 5, -1.0 / 3, 1.0}) {
    series = series * u2 + c;
  }
  Double2 angle = centre + u * series;
  angle = swap ? kPi / 2 - angle : angle;
  angle = origin ? splat(0.0) : angle;
  angle = signBit(x) ? kPi - angle : angle;
  return signBit(y) ? -angle : angle;
}

/// The angles moved into (-pi, pi] by whole turns. Keeping the running phases there keeps their
/// float precision: unwrapped, a bin near 11 kHz gains about 2 pi / oversampling x 500 radians
/// per frame and loses its fraction within seconds, turning high frequencies into phase noise.
inline Double2 wrapPhases(Double2 p) {
  const Double2 turns = (p - kPi) * kInvTwoPi;
  Double2 whole = truncate(turns);
  whole = whole < turns ? whole + 1.0 : whole;
  return p - kTwoPi * whole;
}

}  // namespace

/// The work area of one channel. `transform` keeps the real parts in its first kN entries and the
/// imaginary parts in the next kN, so the butterflies run on four values at a time.
struct Octave::Channel {
  int32_t rover;
  float inQueue[kGroup];
  float outQueue[kGroup];
  float transform[kGroup];
  float lastPhase[kGroup];
  float phaseSum[kGroup];
  float accumulator[kGroup];
  float analysisFrequency[kGroup];
  float analysisMagnitude[kGroup];
  float synthesisFrequency[kGroup];
  float synthesisMagnitude[kGroup];
};

Octave::Octave() = default;
Octave::~Octave() = default;

void Octave::reset() {
  m_enabled = true;
  m_pitch = 0.0f;
  m_workBuffer.reset();
  m_window.reset();
  m_cosineSineTable.reset();
  m_leftReady = 0;
  m_leftState.reset();
  m_rightReady = 0;
  m_rightState.reset();
  m_frameSize = kFrameSize;
  m_oversampling = 4;
  m_bitReverse.reset();
  m_twiddles.reset();
  m_windowSquareSum = 0.0;
}

bool Octave::setOversampling(int32_t oversampling) {
  if (oversampling < 1 || oversampling > m_frameSize) {
    return false;
  }
  m_oversampling = oversampling;
  return true;
}

void Octave::process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                     int32_t bitsPerSample) {
  if (samples == nullptr || byteCount <= 0 || sampleRate <= 0 ||
      (bitsPerSample != 8 && bitsPerSample != 16)) {
    return;
  }
  if (!prepare()) {
    return;
  }
  shiftPitch(static_cast<uint8_t*>(samples), byteCount, stereo, sampleRate, bitsPerSample);
}

int32_t Octave::tableIndex(double angle) {
  // Out of range for a 64-bit index (never for the phases of a finite signal): any entry will do.
  if (!(std::fabs(angle) < 1e15)) {
    return 0;
  }
  int64_t index = static_cast<int64_t>(angle * kTableScale + 0.5);
  if (index < -kTableSize || index >= kTableSize) {
    index %= kTableSize;
  }
  if (index < 0) {
    index += kTableSize;
  }
  return static_cast<int32_t>(index);
}

bool Octave::prepare() {
  if (m_leftReady == 0) {
    if (!m_leftState) {
      m_leftState.reset(new (std::nothrow) Channel);
    }
    if (!m_window) {
      m_window.reset(new (std::nothrow) double[kN]);
    }
    if (!m_cosineSineTable) {
      m_cosineSineTable.reset(new (std::nothrow) float[2 * kTableSize]);
    }
    if (!m_bitReverse) {
      m_bitReverse.reset(new (std::nothrow) uint16_t[kN]);
    }
    if (!m_twiddles) {
      m_twiddles.reset(new (std::nothrow) float[4 * kN]);
    }
    if (!m_leftState || !m_window || !m_cosineSineTable || !m_bitReverse || !m_twiddles) {
      return false;
    }
    std::memset(m_leftState.get(), 0, sizeof(Channel));
    m_windowSquareSum = 0.0;
    for (int32_t k = 0; k < kN; ++k) {
      m_window[k] = 0.5 - 0.5 * std::cos(kTwoPi * k / kN);
      m_windowSquareSum += m_window[k] * m_window[k];
    }
    for (int32_t i = 0; i < kTableSize; ++i) {
      m_cosineSineTable[2 * i] = static_cast<float>(std::cos(kTwoPi * i / kTableSize));
      m_cosineSineTable[2 * i + 1] = static_cast<float>(std::sin(kTwoPi * i / kTableSize));
    }
    // Value k of a transform goes to slot bitReverse[k] (and value bitReverse[k] to slot k).
    for (int32_t k = 0; k < kN; ++k) {
      int32_t j = 0;
      for (int32_t bit = 1; bit < kN; bit <<= 1) {
        j = (j << 1) | ((k & bit) != 0 ? 1 : 0);
      }
      m_bitReverse[k] = static_cast<uint16_t>(j);
    }
    // The twiddles of the stage with half-span h (in complex values) start at entry h - 1: the
    // stage's angle pi / h looked up in the tables, then the product recurrence from 1 + 0i, in
    // float, one step per butterfly group.
    for (int32_t signIndex = 0; signIndex < 2; ++signIndex) {
      const float sign = signIndex == 0 ? -1.0f : 1.0f;
      float* re = m_twiddles.get() + 2 * kN * signIndex;
      float* im = re + kN;
      for (int32_t h = 1; h < kN; h <<= 1) {
        const float angle = static_cast<float>(kPi / h);
        const float* w = cosineSine(angle);
        const float wr = w[0];
        const float wi = sign * w[1];
        float ur = 1.0f;
        float ui = 0.0f;
        for (int32_t j = 0; j < h; ++j) {
          re[h - 1 + j] = ur;
          im[h - 1 + j] = ui;
          const float next = ur * wr - ui * wi;
          ui = ur * wi + ui * wr;
          ur = next;
        }
      }
    }
    m_leftReady = 1;
  }
  if (m_rightReady == 0) {
    // The right area is prepared for mono streams too.
    if (!m_rightState) {
      m_rightState.reset(new (std::nothrow) Channel);
      if (!m_rightState) {
        return false;
      }
    }
    std::memset(m_rightState.get(), 0, sizeof(Channel));
    m_rightReady = 1;
  }
  if (!m_workBuffer) {
    m_workBuffer.reset(new (std::nothrow) float[kGroup]);
    if (!m_workBuffer) {
      return false;
    }
  }
  return true;
}

void Octave::shiftPitch(uint8_t* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                        int32_t bitsPerSample) {
  const float factor = static_cast<float>(std::pow(2.0, m_pitch / 100.0));
  const int32_t width = bitsPerSample == 16 ? 2 : 1;
  const int32_t channels = stereo ? 2 : 1;
  const int32_t stride = width * channels;
  const int32_t perChannel = byteCount / stride;
  float* work = m_workBuffer.get();
  for (int32_t c = 0; c < channels; ++c) {
    Channel& state = c == 0 ? *m_leftState : *m_rightState;
    for (int32_t start = 0; start < perChannel; start += kGroup) {
      const int32_t count = std::min(kGroup, perChannel - start);
      uint8_t* first = samples + static_cast<size_t>(start) * stride + c * width;
      if (width == 2) {
        for (int32_t i = 0; i < count; ++i) {
          work[i] = static_cast<float>(pcm::load16(first + i * stride)) / 32768.0f;
        }
      } else {
        for (int32_t i = 0; i < count; ++i) {
          work[i] = static_cast<float>(pcm::from8(first[i * stride])) / 128.0f;
        }
      }
      vocode(state, factor, count, sampleRate, work);
      if (width == 2) {
        for (int32_t i = 0; i < count; ++i) {
          pcm::store16(first + i * stride, pcm::clampTo16(work[i] * 32768.0f));
        }
      } else {
        for (int32_t i = 0; i < count; ++i) {
          const float v = std::clamp(work[i] * 128.0f, -128.0f, 127.0f);
          first[i * stride] = pcm::to8(static_cast<int32_t>(v));
        }
      }
    }
  }
}

void Octave::vocode(Channel& channel, float factor, int32_t count, int32_t sampleRate,
                    float* buffer) {
  const int32_t step = m_frameSize / m_oversampling;
  const int32_t latency = m_frameSize - step;
  // A rover outside the queue window (first use, or the oversampling changed in mid-stream)
  // starts over at the latency.
  if (channel.rover < latency || channel.rover >= m_frameSize) {
    channel.rover = latency;
  }
  int32_t done = 0;
  while (done < count) {
    // Each sample enters the input queue at the rover and is replaced by the output queue's
    // entry at rover - latency; a frame is processed whenever the queue is full.
    const int32_t run = std::min(count - done, m_frameSize - channel.rover);
    float* in = channel.inQueue + channel.rover;
    const float* out = channel.outQueue + (channel.rover - latency);
    for (int32_t i = 0; i < run; ++i) {
      in[i] = buffer[done + i];
      buffer[done + i] = out[i];
    }
    channel.rover += run;
    done += run;
    if (channel.rover == m_frameSize) {
      channel.rover = latency;
      processFrame(channel, factor, sampleRate);
    }
  }
}

void Octave::processFrame(Channel& channel, float factor, int32_t sampleRate) {
  const int32_t n = m_frameSize;
  const int32_t half = n / 2;
  const int32_t o = m_oversampling;
  const int32_t step = n / o;
  const double binWidth = static_cast<double>(sampleRate) / n;
  const double expected = kTwoPi * step / n;
  const double perBinWidth = 1.0 / binWidth;
  const double radiansToBins = o * kInvTwoPi;
  const double binsToRadians = kTwoPi / o;
  float* re = channel.transform;
  float* im = channel.transform + n;
  const uint16_t* reverse = m_bitReverse.get();

  // Windowed input, placed straight into bit-reversed order.
  for (int32_t k = 0; k < n; ++k) {
    re[reverse[k]] = static_cast<float>(channel.inQueue[k] * m_window[k]);
    im[k] = 0.0f;
  }
  transform(re, im, -1);

  // Analysis: the true frequency of every bin from its phase advance since the last frame. Bins
  // go in pairs; the pair past the Nyquist bin also computes bin half + 1, which nothing reads.
  const Double2 pairStep = splat(2.0);
  Double2 bin = {0.0, 1.0};
  for (int32_t k = 0; k <= half; k += 2, bin += pairStep) {
    channel.analysisMagnitude[k] = 2.0f * std::sqrt(re[k] * re[k] + im[k] * im[k]);
    channel.analysisMagnitude[k + 1] =
        2.0f * std::sqrt(re[k + 1] * re[k + 1] + im[k + 1] * im[k + 1]);
    const Double2 phase = atan2Pair(loadFloats(im + k), loadFloats(re + k));
    // The phase is a float like the rest of the frame's state.
    const Double2 phaseFloat =
        __builtin_convertvector(__builtin_convertvector(phase, Float2), Double2);
    Double2 d = phaseFloat - loadFloats(channel.lastPhase + k);
    storeFloats(channel.lastPhase + k, phaseFloat);
    d -= bin * expected;
    // Bring d into (-pi, pi] with an even number of half turns, rounded away from zero.
    const Int2 q = __builtin_convertvector(d * kInvPi, Int2);
    const Int2 even = q >= 0 ? q + (q & 1) : q - (q & 1);
    d -= kPi * __builtin_convertvector(even, Double2);
    storeFloats(channel.analysisFrequency + k, (bin + d * radiansToBins) * binWidth);
  }

  // The shift: bin k moves to bin k x factor; bins past the Nyquist bin are dropped.
  std::memset(channel.synthesisMagnitude, 0, sizeof(float) * n);
  std::memset(channel.synthesisFrequency, 0, sizeof(float) * n);
  const float limit = static_cast<float>(half + 1);
  for (int32_t k = 0; k <= half; ++k) {
    const float target = static_cast<float>(k) * factor;
    if (target < limit) {
      const int32_t j = static_cast<int32_t>(target);
      channel.synthesisMagnitude[j] += channel.analysisMagnitude[k];
      channel.synthesisFrequency[j] = channel.analysisFrequency[k] * factor;
    }
  }

  // Synthesis: advance every bin's running phase by its frequency; the bins above the Nyquist bin
  // stay 0, so the real part of the inverse carries the signal.
  int32_t* index = reinterpret_cast<int32_t*>(channel.analysisMagnitude);  // free from here on
  bin = Double2{0.0, 1.0};
  for (int32_t k = 0; k <= half; k += 2, bin += pairStep) {
    const Double2 d =
        (loadFloats(channel.synthesisFrequency + k) * perBinWidth - bin) * binsToRadians +
        bin * expected;
    storeFloats(channel.phaseSum + k, wrapPhases(loadFloats(channel.phaseSum + k) + d));
    // The table index of each stored phase; in (-pi, pi] it needs no reduction but the sign.
    Int2 at = __builtin_convertvector(loadFloats(channel.phaseSum + k) * kTableScale + 0.5, Int2);
    at = at < 0 ? at + kTableSize : at;
    std::memcpy(index + k, &at, sizeof at);
  }
  const float* table = m_cosineSineTable.get();
  for (int32_t k = 0; k <= half; ++k) {
    const float magnitude = channel.synthesisMagnitude[k];
    re[reverse[k]] = magnitude * table[2 * index[k]];
    im[reverse[k]] = magnitude * table[2 * index[k] + 1];
  }
  for (int32_t k = half + 1; k < n; ++k) {
    re[reverse[k]] = 0.0f;
    im[reverse[k]] = 0.0f;
  }
  transform(re, im, 1);

  // Overlap-add. The inverse of the doubled one-sided spectrum is n times the windowed frame;
  // windowed again and summed over the o frames that cover a sample, the sample comes out scaled
  // by o x (the window's sum of squares), which the scale divides out: unity gain. (The classic
  // scale 2 / ((n / 2) o) leaves 1.5 with this window: 3.5 dB too loud, so loud material clips.)
  const double scale = 1.0 / (o * m_windowSquareSum);
  for (int32_t k = 0; k < n; ++k) {
    channel.accumulator[k] =
        static_cast<float>(channel.accumulator[k] + m_window[k] * re[k] * scale);
  }
  std::memcpy(channel.outQueue, channel.accumulator, sizeof(float) * step);
  // The accumulator's entries from n on are never written and stay 0, so the move brings zeros in.
  std::memmove(channel.accumulator, channel.accumulator + step, sizeof(float) * n);
  std::memmove(channel.inQueue, channel.inQueue + step, sizeof(float) * (n - step));
}

void Octave::transform(float* re, float* im, int32_t sign) const {
  const int32_t n = m_frameSize;
  const float* twiddleRe = m_twiddles.get() + (sign < 0 ? 0 : 2 * n);
  const float* twiddleIm = twiddleRe + n;
  // Butterflies of one stage are independent of each other, so they run block by block here
  // instead of twiddle by twiddle; every butterfly computes exactly what it would in either order.
  // The first two stages pair values inside each group of four, which the vectors reach by
  // regrouping eight values into the two sides of their butterflies and back.
  for (int32_t h = 1; h <= 2; h <<= 1) {
    const Float4 wr = h == 1 ? Float4{twiddleRe[0], twiddleRe[0], twiddleRe[0], twiddleRe[0]}
                             : Float4{twiddleRe[1], twiddleRe[2], twiddleRe[1], twiddleRe[2]};
    const Float4 wi = h == 1 ? Float4{twiddleIm[0], twiddleIm[0], twiddleIm[0], twiddleIm[0]}
                             : Float4{twiddleIm[1], twiddleIm[2], twiddleIm[1], twiddleIm[2]};
    for (int32_t at = 0; at < n; at += 8) {
      const Float4 r0 = load4(re + at);
      const Float4 r1 = load4(re + at + 4);
      const Float4 i0 = load4(im + at);
      const Float4 i1 = load4(im + at + 4);
      // a: the first value of each butterfly, b: its partner h values on.
      Float4 ar, ai, br, bi;
      if (h == 1) {
        ar = __builtin_shufflevector(r0, r1, 0, 2, 4, 6);
        br = __builtin_shufflevector(r0, r1, 1, 3, 5, 7);
        ai = __builtin_shufflevector(i0, i1, 0, 2, 4, 6);
        bi = __builtin_shufflevector(i0, i1, 1, 3, 5, 7);
      } else {
        ar = __builtin_shufflevector(r0, r1, 0, 1, 4, 5);
        br = __builtin_shufflevector(r0, r1, 2, 3, 6, 7);
        ai = __builtin_shufflevector(i0, i1, 0, 1, 4, 5);
        bi = __builtin_shufflevector(i0, i1, 2, 3, 6, 7);
      }
      butterfly(ar, ai, br, bi, wr, wi);
      if (h == 1) {
        store4(re + at, __builtin_shufflevector(ar, br, 0, 4, 1, 5));
        store4(re + at + 4, __builtin_shufflevector(ar, br, 2, 6, 3, 7));
        store4(im + at, __builtin_shufflevector(ai, bi, 0, 4, 1, 5));
        store4(im + at + 4, __builtin_shufflevector(ai, bi, 2, 6, 3, 7));
      } else {
        store4(re + at, __builtin_shufflevector(ar, br, 0, 1, 4, 5));
        store4(re + at + 4, __builtin_shufflevector(ar, br, 2, 3, 6, 7));
        store4(im + at, __builtin_shufflevector(ai, bi, 0, 1, 4, 5));
        store4(im + at + 4, __builtin_shufflevector(ai, bi, 2, 3, 6, 7));
      }
    }
  }
  // The later stages, two at a time where two are left: a pass loads four values a whole
  // double span apart, runs the two butterflies of the first stage and the two of the second on
  // them, and stores them once.
  int32_t h = 4;
  for (; 2 * h < n; h <<= 2) {
    const float* ur1 = twiddleRe + h - 1;
    const float* ui1 = twiddleIm + h - 1;
    const float* ur2 = twiddleRe + 2 * h - 1;
    const float* ui2 = twiddleIm + 2 * h - 1;
    for (int32_t block = 0; block < n; block += 4 * h) {
      float* r = re + block;
      float* i = im + block;
      for (int32_t j = 0; j < h; j += 4) {
        Float4 ar = load4(r + j), ai = load4(i + j);
        Float4 br = load4(r + j + h), bi = load4(i + j + h);
        Float4 cr = load4(r + j + 2 * h), ci = load4(i + j + 2 * h);
        Float4 dr = load4(r + j + 3 * h), di = load4(i + j + 3 * h);
        butterfly(ar, ai, br, bi, load4(ur1 + j), load4(ui1 + j));
        butterfly(cr, ci, dr, di, load4(ur1 + j), load4(ui1 + j));
        butterfly(ar, ai, cr, ci, load4(ur2 + j), load4(ui2 + j));
        butterfly(br, bi, dr, di, load4(ur2 + j + h), load4(ui2 + j + h));
        store4(r + j, ar);
        store4(i + j, ai);
        store4(r + j + h, br);
        store4(i + j + h, bi);
        store4(r + j + 2 * h, cr);
        store4(i + j + 2 * h, ci);
        store4(r + j + 3 * h, dr);
        store4(i + j + 3 * h, di);
      }
    }
  }
  for (; h < n; h <<= 1) {
    const float* ur = twiddleRe + h - 1;
    const float* ui = twiddleIm + h - 1;
    for (int32_t block = 0; block < n; block += 2 * h) {
      float* r = re + block;
      float* i = im + block;
      for (int32_t j = 0; j < h; j += 4) {
        Float4 ar = load4(r + j), ai = load4(i + j);
        Float4 br = load4(r + j + h), bi = load4(i + j + h);
        butterfly(ar, ai, br, bi, load4(ur + j), load4(ui + j));
        store4(r + j, ar);
        store4(i + j, ai);
        store4(r + j + h, br);
        store4(i + j + h, bi);
      }
    }
  }
}

}  // namespace s::sound::filter
