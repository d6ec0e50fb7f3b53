// The pitch shifter: analysis of each frame into bin frequencies and magnitudes, a move of every
// bin by the pitch factor, and resynthesis by overlap-add.
#include "audio/filter/Octave.h"

#include "audio/filter/BlockHandOff.h"
#include "audio/filter/Fft.h"
#include "audio/filter/Pcm.h"
#include "audio/filter/Simd.h"
#include "core/thread/win/Thread.h"

#include <windows.h>

#include <immintrin.h>

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
/// The length of the complex transform: a frame of kN real values runs as kN / 2 complex ones.
constexpr int32_t kHalf = kN / 2;

// The bins' helpers below are inlined into each caller (S_SIMD_INLINE) and never called across a
// function boundary, so the calling convention of 256-bit vectors, which GCC warns about where
// AVX is not enabled, never comes into play. GCC gives the warning at the end of the file, so it
// stays off to the end.
#pragma GCC diagnostic ignored "-Wpsabi"

/// The vector types of W bins, one specialisation per width: GCC takes a vector size that
/// depends on a template argument for no vector at all.
template <int32_t W>
struct BinTypes;

template <>
struct BinTypes<2> {
  using Double = double __attribute__((vector_size(16)));
  using Long = int64_t __attribute__((vector_size(16)));
  using Int = int32_t __attribute__((vector_size(8)));
  using Float = float __attribute__((vector_size(8)));
};

template <>
struct BinTypes<4> {
  using Double = double __attribute__((vector_size(32)));
  using Long = int64_t __attribute__((vector_size(32)));
  using Int = int32_t __attribute__((vector_size(16)));
  using Float = float __attribute__((vector_size(16)));
};

template <>
struct BinTypes<8> {
  using Double = double __attribute__((vector_size(64)));
  using Long = int64_t __attribute__((vector_size(64)));
  using Int = int32_t __attribute__((vector_size(32)));
  using Float = float __attribute__((vector_size(32)));
};

/// W doubles, the analysis and synthesis steps of W bins at once; and their integer and float
/// companions. Lanes compute exactly what scalar code would, so every width gives the same
/// results: two lanes in the 128-bit code, four in the 256-bit code, eight in the 512-bit code.
template <int32_t W>
struct Bins {
  using Double = typename BinTypes<W>::Double;
  using Long = typename BinTypes<W>::Long;
  using Int = typename BinTypes<W>::Int;
  using Float = typename BinTypes<W>::Float;

  S_SIMD_INLINE static Double splat(double v) { return Double{} + v; }

  /// 0, 1, ..., W - 1.
  S_SIMD_INLINE static Double lanes() {
    Double v{};
    for (int32_t i = 0; i < W; ++i) {
      v[i] = i;
    }
    return v;
  }

  S_SIMD_INLINE static Double loadFloats(const float* p) {
    Float v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, Double);
  }

  S_SIMD_INLINE static void storeFloats(float* p, const Double& v) {
    const Float f = __builtin_convertvector(v, Float);
    std::memcpy(p, &f, sizeof f);
  }

  /// Truncation toward zero, as the scalar conversion to an integer does (the values stay far
  /// inside 32 bits).
  S_SIMD_INLINE static Double truncate(const Double& v) {
    return __builtin_convertvector(__builtin_convertvector(v, Int), Double);
  }

  S_SIMD_INLINE static Long signBit(const Double& v) {
    Long bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits < 0;
  }

  S_SIMD_INLINE static Double absolute(const Double& v) { return signBit(v) ? -v : v; }

  /// atan2 of W pairs, accurate to about 1e-14 rad, and relatively so near 0 (so it rounds to the
  /// float result of a correct atan2), with the signed-zero and quadrant rules of the C function.
  /// The angle of (x, y) is reduced by symmetry to [0, pi/4], where atan(low / high) = c +
  /// atan((low - high tan c) / (high + low tan c)) for the nearest of the centres c = 0, pi/16,
  /// pi/8, 3pi/16, pi/4 leaves an argument within tan(pi/32) < 0.0985, summed as its alternating
  /// series to the 11th power (the first omitted term is below 0.0985^13 / 13 < 1e-14).
  S_SIMD_INLINE static Double atan2(const Double& y, const Double& x) {
    // tan(pi/32), tan(3pi/32), tan(5pi/32), tan(7pi/32): the bounds between the centres.
    constexpr double kBound1 = 0.098491403357164253;
    constexpr double kBound2 = 0.30334668360734239;
    constexpr double kBound3 = 0.53451113595079158;
    constexpr double kBound4 = 0.82067879082866033;
    // tan(pi/16), tan(pi/8), tan(3pi/16).
    constexpr double kTan1 = 0.19891236737965800;
    constexpr double kTan2 = 0.41421356237309505;
    constexpr double kTan3 = 0.66817863791929892;
    const Double ax = absolute(x);
    const Double ay = absolute(y);
    const Long swap = ay > ax;
    const Double low = swap ? ax : ay;
    const Double high = swap ? ay : ax;
    const Long above1 = low > kBound1 * high;
    const Long above2 = low > kBound2 * high;
    const Long above3 = low > kBound3 * high;
    const Long above4 = low > kBound4 * high;
    const Double tanCentre = above4   ? splat(1.0)
                             : above3 ? splat(kTan3)
                             : above2 ? splat(kTan2)
                             : above1 ? splat(kTan1)
                                      : splat(0.0);
    const Double centre = above4   ? splat(kPi / 4)
                          : above3 ? splat(3 * kPi / 16)
                          : above2 ? splat(kPi / 8)
                          : above1 ? splat(kPi / 16)
                                   : splat(0.0);
    const Double denominator = high + low * tanCentre;
    const Long origin = high == 0.0;
    const Double u = (low - high * tanCentre) / (origin ? splat(1.0) : denominator);
    const Double u2 = u * u;
    Double series = splat(-1.0 / 11);
    series = series * u2 + 1.0 / 9;
    series = series * u2 - 1.0 / 7;
    series = series * u2 + 1.0 / 5;
    series = series * u2 - 1.0 / 3;
    series = series * u2 + 1.0;
    Double angle = centre + u * series;
    angle = swap ? kPi / 2 - angle : angle;
    angle = origin ? splat(0.0) : angle;
    angle = signBit(x) ? kPi - angle : angle;
    return signBit(y) ? -angle : angle;
  }

  /// The angles moved into (-pi, pi] by whole turns. Keeping the running phases there keeps their
  /// float precision: unwrapped, a bin near 11 kHz gains about 2 pi / oversampling x 500 radians
  /// per frame and loses its fraction within seconds, turning high frequencies into phase noise.
  S_SIMD_INLINE static Double wrapPhases(const Double& p) {
    const Double turns = (p - kPi) * kInvTwoPi;
    Double whole = truncate(turns);
    whole = whole < turns ? whole + 1.0 : whole;
    return p - kTwoPi * whole;
  }
};

/// The magnitude of every bin 0 to `half` and of the lanes past it up to the next multiple of 8,
/// which nothing reads: eight at a time where the processor has the 256-bit instructions. The
/// square root is correctly rounded in either, so both give the same floats.
__attribute__((target("avx"))) void magnitudes8(const float* re, const float* im, float* magnitude,
                                                int32_t half) {
  for (int32_t k = 0; k <= half; k += 8) {
    const __m256 r = _mm256_loadu_ps(re + k);
    const __m256 i = _mm256_loadu_ps(im + k);
    const __m256 sum = _mm256_add_ps(_mm256_mul_ps(r, r), _mm256_mul_ps(i, i));
    _mm256_storeu_ps(magnitude + k, _mm256_mul_ps(_mm256_set1_ps(2.0f), _mm256_sqrt_ps(sum)));
  }
}

void magnitudes4(const float* re, const float* im, float* magnitude, int32_t half) {
  for (int32_t k = 0; k <= half; k += 4) {
    const __m128 r = _mm_loadu_ps(re + k);
    const __m128 i = _mm_loadu_ps(im + k);
    const __m128 sum = _mm_add_ps(_mm_mul_ps(r, r), _mm_mul_ps(i, i));
    _mm_storeu_ps(magnitude + k, _mm_mul_ps(_mm_set1_ps(2.0f), _mm_sqrt_ps(sum)));
  }
}

/// The analysis of one frame's bins 0 to `half` (and the lanes past it, up to the next multiple
/// of W, which nothing reads): the true frequency of every bin from its phase advance since the
/// last frame.
template <int32_t W>
S_SIMD_INLINE void analyse(const float* re, const float* im, float* lastPhase, float* frequency,
                           int32_t half, double expected, double radiansToBins, double binWidth) {
  using B = Bins<W>;
  using Double = typename B::Double;
  using Int = typename B::Int;
  Double bin = B::lanes();
  for (int32_t k = 0; k <= half; k += W, bin += static_cast<double>(W)) {
    const Double phase = B::atan2(B::loadFloats(im + k), B::loadFloats(re + k));
    // The phase is a float like the rest of the frame's state.
    const Double phaseFloat =
        __builtin_convertvector(__builtin_convertvector(phase, typename B::Float), Double);
    Double d = phaseFloat - B::loadFloats(lastPhase + k);
    B::storeFloats(lastPhase + k, phaseFloat);
    d -= bin * expected;
    // Bring d into (-pi, pi] with an even number of half turns, rounded away from zero.
    const Int q = __builtin_convertvector(d * kInvPi, Int);
    const Int even = q >= 0 ? q + (q & 1) : q - (q & 1);
    d -= kPi * __builtin_convertvector(even, Double);
    B::storeFloats(frequency + k, (bin + d * radiansToBins) * binWidth);
  }
}

/// The running phase of every bin 0 to `half` (and the lanes past it) advanced by its
/// frequency, and its entry in the cosine-sine table.
template <int32_t W>
S_SIMD_INLINE void advancePhases(const float* frequency, float* phaseSum, int32_t* index,
                                 const float* table, int32_t half, double perBinWidth,
                                 double binsToRadians, double expected) {
  using B = Bins<W>;
  using Double = typename B::Double;
  using Int = typename B::Int;
  Double bin = B::lanes();
  for (int32_t k = 0; k <= half; k += W, bin += static_cast<double>(W)) {
    const Double d =
        (B::loadFloats(frequency + k) * perBinWidth - bin) * binsToRadians + bin * expected;
    B::storeFloats(phaseSum + k, B::wrapPhases(B::loadFloats(phaseSum + k) + d));
    // The table index of each stored phase; in (-pi, pi] it needs no reduction but the sign.
    Int at = __builtin_convertvector(B::loadFloats(phaseSum + k) * kTableScale + 0.5, Int);
    at = at < 0 ? at + kTableSize : at;
    std::memcpy(index + k, &at, sizeof at);
    // The entries are scattered over a table larger than the second-level cache: asked for now,
    // their misses overlap this loop's arithmetic instead of stalling the look-ups that follow.
    for (int32_t j = 0; j < W; ++j) {
      __builtin_prefetch(table + 2 * at[j]);
    }
  }
}

/// The frame's input times the window, each product rounded to a float as the scalar product
/// would be, packed as n / 2 complex values (value 2m the real part of value m, value 2m + 1 its
/// imaginary part) and placed straight into bit-reversed order (value m to slot reverse[m]).
template <int32_t W>
S_SIMD_INLINE void windowInto(const float* input, const double* window, const uint16_t* reverse,
                              float* re, float* im, int32_t n) {
  using B = Bins<W>;
  using Double = typename B::Double;
  using Float = typename B::Float;
  for (int32_t k = 0; k < n; k += W) {
    Double w;
    std::memcpy(&w, window + k, sizeof w);
    const Float product = __builtin_convertvector(B::loadFloats(input + k) * w, Float);
    for (int32_t j = 0; j < W; j += 2) {
      const int32_t slot = reverse[(k + j) / 2];
      re[slot] = product[j];
      im[slot] = product[j + 1];
    }
  }
}

/// Adds the windowed, scaled output frame into the accumulator, in double precision as the
/// scalar sum accumulator + window x output x scale, rounded to a float.
template <int32_t W>
S_SIMD_INLINE void overlapAdd(float* accumulator, const double* window, const float* output,
                              double scale, int32_t n) {
  using B = Bins<W>;
  using Double = typename B::Double;
  for (int32_t k = 0; k < n; k += W) {
    Double w;
    std::memcpy(&w, window + k, sizeof w);
    B::storeFloats(accumulator + k,
                   B::loadFloats(accumulator + k) + w * B::loadFloats(output + k) * scale);
  }
}

__attribute__((target("avx512f,avx512dq"))) void windowInto8(const float* input,
                                                             const double* window,
                                                             const uint16_t* reverse, float* re,
                                                             float* im, int32_t n) {
  windowInto<8>(input, window, reverse, re, im, n);
}

__attribute__((target("avx512f,avx512dq"))) void overlapAdd8(float* accumulator,
                                                             const double* window,
                                                             const float* output, double scale,
                                                             int32_t n) {
  overlapAdd<8>(accumulator, window, output, scale, n);
}

__attribute__((target("avx2"))) void windowInto4(const float* input, const double* window,
                                                 const uint16_t* reverse, float* re, float* im,
                                                 int32_t n) {
  windowInto<4>(input, window, reverse, re, im, n);
}

__attribute__((target("avx2"))) void overlapAdd4(float* accumulator, const double* window,
                                                 const float* output, double scale, int32_t n) {
  overlapAdd<4>(accumulator, window, output, scale, n);
}

void windowInto2(const float* input, const double* window, const uint16_t* reverse, float* re,
                 float* im, int32_t n) {
  windowInto<2>(input, window, reverse, re, im, n);
}

void overlapAdd2(float* accumulator, const double* window, const float* output, double scale,
                 int32_t n) {
  overlapAdd<2>(accumulator, window, output, scale, n);
}

__attribute__((target("avx2"))) void analyse4(const float* re, const float* im, float* lastPhase,
                                              float* magnitude, float* frequency, int32_t half,
                                              double expected, double radiansToBins,
                                              double binWidth) {
  magnitudes8(re, im, magnitude, half);
  analyse<4>(re, im, lastPhase, frequency, half, expected, radiansToBins, binWidth);
}

__attribute__((target("avx512f,avx512dq"))) void analyse8(const float* re, const float* im,
                                                          float* lastPhase, float* magnitude,
                                                          float* frequency, int32_t half,
                                                          double expected, double radiansToBins,
                                                          double binWidth) {
  magnitudes8(re, im, magnitude, half);
  analyse<8>(re, im, lastPhase, frequency, half, expected, radiansToBins, binWidth);
}

void analyse2(const float* re, const float* im, float* lastPhase, float* magnitude,
              float* frequency, int32_t half, double expected, double radiansToBins,
              double binWidth) {
  magnitudes4(re, im, magnitude, half);
  analyse<2>(re, im, lastPhase, frequency, half, expected, radiansToBins, binWidth);
}

__attribute__((target("avx2"))) void advancePhases4(const float* frequency, float* phaseSum,
                                                    int32_t* index, const float* table,
                                                    int32_t half, double perBinWidth,
                                                    double binsToRadians, double expected) {
  advancePhases<4>(frequency, phaseSum, index, table, half, perBinWidth, binsToRadians, expected);
}

__attribute__((target("avx512f,avx512dq"))) void advancePhases8(
    const float* frequency, float* phaseSum, int32_t* index, const float* table, int32_t half,
    double perBinWidth, double binsToRadians, double expected) {
  advancePhases<8>(frequency, phaseSum, index, table, half, perBinWidth, binsToRadians, expected);
}

void advancePhases2(const float* frequency, float* phaseSum, int32_t* index, const float* table,
                    int32_t half, double perBinWidth, double binsToRadians, double expected) {
  advancePhases<2>(frequency, phaseSum, index, table, half, perBinWidth, binsToRadians, expected);
}

/// The CPUs this process may run on; 1 when that cannot be told.
int32_t availableCpus() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
    return 1;
  }
  return std::max(1, __builtin_popcountll(static_cast<unsigned long long>(process)));
}

}  // namespace

/// The work area of one channel. `transform` keeps the real parts of the transform's kHalf values
/// from entry 0 and their imaginary parts from entry kN, so the butterflies run on four values at
/// a time; then the real parts of the frame's spectrum from entry 2 kN, which also takes the
/// inverse's output frame, and their imaginary parts from entry 3 kN.
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
  /// The cosine-sine table entry of every bin's running phase, bins 0 to kN / 2 (and the rest
  /// of the last vector group past it).
  int32_t phaseIndex[kN / 2 + 8];
};

/// The right channel of the stereo blocks, which the hand-off runs on the worker or leaves to
/// the owner's thread: the block's parameters, written before the post that hands them over.
class Octave::RightChannel final : public BlockHandOff {
 public:
  explicit RightChannel(Octave& owner) : m_owner(owner) {}

  /// Hands a block to the worker; the caller runs the left channel meanwhile, then claims the
  /// right one or waits for it.
  void post(uint8_t* first, int32_t count, int32_t width, int32_t stride, float factor,
            int32_t sampleRate) {
    m_first = first;
    m_count = count;
    m_width = width;
    m_stride = stride;
    m_factor = factor;
    m_sampleRate = sampleRate;
    BlockHandOff::post();
  }

 private:
  void runBlock() override {
    m_owner.shiftChannel(*m_owner.m_rightState, m_first, m_count, m_width, m_stride, m_factor,
                         m_sampleRate, m_owner.m_rightWorkBuffer.get());
  }

  Octave& m_owner;
  uint8_t* m_first = nullptr;
  int32_t m_count = 0;
  int32_t m_width = 0;
  int32_t m_stride = 0;
  float m_factor = 1.0f;
  int32_t m_sampleRate = 0;
};

Octave::Octave() = default;

Octave::~Octave() { stopWorker(); }

void Octave::stopWorker() {
  if (m_worker == nullptr) {
    return;
  }
  if (m_workerRunning) {
    m_rightTask->quit();
    m_worker->waitUntilIdle();
    m_workerRunning = false;
  }
  m_worker->release();
  m_worker = nullptr;
}

void Octave::reset() {
  m_enabled = true;
  m_pitch = 0.0f;
  stopWorker();
  m_rightTask.reset();
  m_workBuffer.reset();
  m_rightWorkBuffer.reset();
  m_window.reset();
  m_cosineSineTable.reset();
  m_singleCpu = -1;
  m_leftReady = 0;
  m_leftState.reset();
  m_rightReady = 0;
  m_rightState.reset();
  m_frameSize = kFrameSize;
  m_oversampling = 4;
  m_bitReverse.reset();
  m_twiddles.reset();
  m_turns.reset();
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
      m_bitReverse.reset(new (std::nothrow) uint16_t[kHalf]);
    }
    if (!m_twiddles) {
      m_twiddles.reset(new (std::nothrow) float[4 * kHalf]);
    }
    if (!m_turns) {
      m_turns.reset(new (std::nothrow) float[2 * kHalf]);
    }
    if (!m_leftState || !m_window || !m_cosineSineTable || !m_bitReverse || !m_twiddles ||
        !m_turns) {
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
    for (int32_t k = 0; k < kHalf; ++k) {
      int32_t j = 0;
      for (int32_t bit = 1; bit < kHalf; bit <<= 1) {
        j = (j << 1) | ((k & bit) != 0 ? 1 : 0);
      }
      m_bitReverse[k] = static_cast<uint16_t>(j);
    }
    // The twiddles of the stage with half-span h (in complex values) start at entry h - 1: the
    // stage's angle pi / h looked up in the tables, then the product recurrence from 1 + 0i, in
    // float, one step per butterfly group.
    for (int32_t signIndex = 0; signIndex < 2; ++signIndex) {
      const float sign = signIndex == 0 ? -1.0f : 1.0f;
      float* re = m_twiddles.get() + 2 * kHalf * signIndex;
      float* im = re + kHalf;
      for (int32_t h = 1; h < kHalf; h <<= 1) {
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
    // The turn between the packed halves of a real frame: e^(-i pi k / half) forward, its
    // conjugate back.
    for (int32_t k = 0; k < kHalf; ++k) {
      m_turns[k] = static_cast<float>(std::cos(kPi * k / kHalf));
      m_turns[kHalf + k] = static_cast<float>(std::sin(kPi * k / kHalf));
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
  }
  if (!m_rightWorkBuffer) {
    m_rightWorkBuffer.reset(new (std::nothrow) float[kGroup]);
  }
  if (!m_workBuffer || !m_rightWorkBuffer) {
    return false;
  }
  return true;
}

Octave::RightChannel* Octave::rightChannel() {
  if (m_workerRunning) {
    return m_rightTask.get();
  }
  // A second thread only pays where the process may run on two CPUs at once; on one, the two
  // channels would take turns on it with a hand-off between them. Asked once per stream.
  if (m_singleCpu < 0) {
    m_singleCpu = availableCpus() > 1 ? 0 : 1;
  }
  if (m_singleCpu == 1) {
    return nullptr;
  }
  if (!m_rightTask) {
    m_rightTask.reset(new (std::nothrow) RightChannel(*this));
    if (!m_rightTask) {
      return nullptr;
    }
  }
  if (m_worker == nullptr) {
    m_worker = thread::win::Thread::take();
    if (m_worker == nullptr) {
      return nullptr;
    }
  }
  // A failed start (no thread could be made) is tried again on the next stereo block.
  m_workerRunning = m_worker->start(m_rightTask.get());
  return m_workerRunning ? m_rightTask.get() : nullptr;
}

void Octave::shiftPitch(uint8_t* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                        int32_t bitsPerSample) {
  const float factor = static_cast<float>(std::pow(2.0, m_pitch / 100.0));
  const int32_t width = bitsPerSample == 16 ? 2 : 1;
  const int32_t channels = stereo ? 2 : 1;
  const int32_t stride = width * channels;
  const int32_t perChannel = byteCount / stride;
  if (stereo) {
    if (RightChannel* right = rightChannel()) {
      right->post(samples + width, perChannel, width, stride, factor, sampleRate);
      shiftChannel(*m_leftState, samples, perChannel, width, stride, factor, sampleRate,
                   m_workBuffer.get());
      if (right->claim()) {
        shiftChannel(*m_rightState, samples + width, perChannel, width, stride, factor, sampleRate,
                     m_rightWorkBuffer.get());
      } else {
        right->waitDone();
      }
      return;
    }
  }
  for (int32_t c = 0; c < channels; ++c) {
    shiftChannel(c == 0 ? *m_leftState : *m_rightState, samples + c * width, perChannel, width,
                 stride, factor, sampleRate, c == 0 ? m_workBuffer.get() : m_rightWorkBuffer.get());
  }
}

void Octave::shiftChannel(Channel& state, uint8_t* samples, int32_t perChannel, int32_t width,
                          int32_t stride, float factor, int32_t sampleRate, float* work) {
  for (int32_t start = 0; start < perChannel; start += kGroup) {
    const int32_t count = std::min(kGroup, perChannel - start);
    uint8_t* first = samples + static_cast<size_t>(start) * stride;
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
  // The transform's values, then the frame's spectrum, bins 0 to half (and the rest of the last
  // vector group past it, which the analysis reads and nothing uses).
  float* re = channel.transform;
  float* im = channel.transform + kN;
  float* spectrumRe = channel.transform + 2 * kN;
  float* spectrumIm = channel.transform + 3 * kN;
  const uint16_t* reverse = m_bitReverse.get();
  const float* turnCos = m_turns.get();
  const float* turnSin = m_turns.get() + kHalf;

  // Windowed input, placed straight into bit-reversed order.
  const bool widest = simd::useAvx512();
  const bool wide = simd::useAvx2();
  (widest ? windowInto8
   : wide ? windowInto4
          : windowInto2)(channel.inQueue, m_window.get(), reverse, re, im, n);
  transform(re, im, -1);
  const fft::RealFrame real = fft::realFrame(widest, wide);
  real.unpack(re, im, turnCos, turnSin, spectrumRe, spectrumIm, half);

  // Analysis: the true frequency and magnitude of every bin. Bins go in groups of the vector
  // width; the group past the Nyquist bin also computes bins past it, which nothing reads.
  const auto analyse = widest ? analyse8 : wide ? analyse4 : analyse2;
  analyse(spectrumRe, spectrumIm, channel.lastPhase, channel.analysisMagnitude,
          channel.analysisFrequency, half, expected, radiansToBins, binWidth);

  // The shift: bin k moves to bin k x factor; bins past the Nyquist bin are dropped.
  // Bins 0 to half and the rest of the last vector group past it, which the phases' loop reads.
  std::memset(channel.synthesisMagnitude, 0, sizeof(float) * (half + 8));
  std::memset(channel.synthesisFrequency, 0, sizeof(float) * (half + 8));
  const float limit = static_cast<float>(half + 1);
  for (int32_t k = 0; k <= half; ++k) {
    const float target = static_cast<float>(k) * factor;
    if (target < limit) {
      const int32_t j = static_cast<int32_t>(target);
      channel.synthesisMagnitude[j] += channel.analysisMagnitude[k];
      channel.synthesisFrequency[j] = channel.analysisFrequency[k] * factor;
    }
  }

  // Synthesis: advance every bin's running phase by its frequency. The bins above the Nyquist bin
  // stay 0 and only the real part of the inverse carries the signal, which the inverse of half
  // the length gives from the packed spectrum.
  int32_t* index = channel.phaseIndex;
  const float* table = m_cosineSineTable.get();
  const auto advancePhases = widest ? advancePhases8 : wide ? advancePhases4 : advancePhases2;
  advancePhases(channel.synthesisFrequency, channel.phaseSum, index, table, half, perBinWidth,
                binsToRadians, expected);
  for (int32_t k = 0; k <= half; ++k) {
    const float magnitude = channel.synthesisMagnitude[k];
    spectrumRe[k] = magnitude * table[2 * index[k]];
    spectrumIm[k] = magnitude * table[2 * index[k] + 1];
  }
  real.pack(spectrumRe, spectrumIm, turnCos, turnSin, reverse, re, im, half);
  transform(re, im, 1);
  float* output = spectrumRe;
  real.frame(re, im, output, half);

  // Overlap-add. The inverse of the doubled one-sided spectrum is n times the windowed frame;
  // windowed again and summed over the o frames that cover a sample, the sample comes out scaled
  // by o x (the window's sum of squares), which the scale divides out: unity gain. (The classic
  // scale 2 / ((n / 2) o) leaves 1.5 with this window: 3.5 dB too loud, so loud material clips.)
  const double scale = 1.0 / (o * m_windowSquareSum);
  (widest ? overlapAdd8
   : wide ? overlapAdd4
          : overlapAdd2)(channel.accumulator, m_window.get(), output, scale, n);
  std::memcpy(channel.outQueue, channel.accumulator, sizeof(float) * step);
  // The accumulator's entries from n on are never written and stay 0, so the move brings zeros in.
  std::memmove(channel.accumulator, channel.accumulator + step, sizeof(float) * n);
  std::memmove(channel.inQueue, channel.inQueue + step, sizeof(float) * (n - step));
}

void Octave::transform(float* re, float* im, int32_t sign) const {
  const float* twiddleRe = m_twiddles.get() + (sign < 0 ? 0 : 2 * kHalf);
  const float* twiddleIm = twiddleRe + kHalf;
  fft::transform(re, im, twiddleRe, twiddleIm, kHalf);
}

}  // namespace s::sound::filter
