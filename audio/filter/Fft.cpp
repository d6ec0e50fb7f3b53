// The complex transform of the pitch shifter's frames and the packing of a real frame around
// it, each compiled for the 128-bit, 256-bit and 512-bit vector instructions.
#include "audio/filter/Fft.h"

#include "audio/filter/Simd.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace s::sound::filter::fft {

namespace {

/// Four floats handled by one vector instruction. Each lane does exactly the scalar operations, so
/// the vector butterflies give the results of the scalar ones.
using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void store4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }

// The transform's helpers below are inlined into each caller (S_SIMD_INLINE) and never called
// across a function boundary, so the calling convention of 256-bit vectors, which GCC warns about
// where AVX is not enabled, never comes into play. GCC gives the warning at the end of the file,
// so it stays off to the end.
#pragma GCC diagnostic ignored "-Wpsabi"

/// Vectors of W floats for the later stages of the transform, each lane doing exactly the
/// scalar operations. They pass by reference: GCC warns that a 256-bit vector passed or returned
/// by value, where AVX is not enabled, changes the ABI.
template <int32_t W>
struct Lanes {
  typedef float Float __attribute__((vector_size(4 * W)));

  S_SIMD_INLINE static void load(const float* p, Float* v) { std::memcpy(v, p, sizeof *v); }
  S_SIMD_INLINE static void store(float* p, const Float& v) { std::memcpy(p, &v, sizeof v); }

  /// One butterfly of the transform on W pairs of values: t = b x w; b = a - t; a = a + t.
  S_SIMD_INLINE static void butterfly(Float& ar, Float& ai, Float& br, Float& bi, const Float& wr,
                                      const Float& wi) {
    const Float tr = br * wr - bi * wi;
    const Float ti = br * wi + bi * wr;
    br = ar - tr;
    bi = ai - ti;
    ar = ar + tr;
    ai = ai + ti;
  }

  /// One butterfly on W pairs of values, with the twiddles from `ur` and `ui`.
  S_SIMD_INLINE static void butterfly(Float& ar, Float& ai, Float& br, Float& bi, const float* ur,
                                      const float* ui) {
    Float wr, wi;
    load(ur, &wr);
    load(ui, &wi);
    butterfly(ar, ai, br, bi, wr, wi);
  }

  /// The two stages of half-spans h and 2h in one pass: it loads four values a whole double span
  /// apart, runs the two butterflies of the first stage and the two of the second on them, and
  /// stores them once. Needs W <= h.
  S_SIMD_INLINE static void stagePair(float* re, float* im, const float* twiddleRe,
                                      const float* twiddleIm, int32_t n, int32_t h) {
    const float* ur1 = twiddleRe + h - 1;
    const float* ui1 = twiddleIm + h - 1;
    const float* ur2 = twiddleRe + 2 * h - 1;
    const float* ui2 = twiddleIm + 2 * h - 1;
    for (int32_t block = 0; block < n; block += 4 * h) {
      float* r = re + block;
      float* i = im + block;
      for (int32_t j = 0; j < h; j += W) {
        Float ar, ai, br, bi, cr, ci, dr, di;
        load(r + j, &ar);
        load(i + j, &ai);
        load(r + j + h, &br);
        load(i + j + h, &bi);
        load(r + j + 2 * h, &cr);
        load(i + j + 2 * h, &ci);
        load(r + j + 3 * h, &dr);
        load(i + j + 3 * h, &di);
        butterfly(ar, ai, br, bi, ur1 + j, ui1 + j);
        butterfly(cr, ci, dr, di, ur1 + j, ui1 + j);
        butterfly(ar, ai, cr, ci, ur2 + j, ui2 + j);
        butterfly(br, bi, dr, di, ur2 + j + h, ui2 + j + h);
        store(r + j, ar);
        store(i + j, ai);
        store(r + j + h, br);
        store(i + j + h, bi);
        store(r + j + 2 * h, cr);
        store(i + j + 2 * h, ci);
        store(r + j + 3 * h, dr);
        store(i + j + 3 * h, di);
      }
    }
  }

  /// One stage of half-span h on its own. Needs W <= h.
  S_SIMD_INLINE static void stage(float* re, float* im, const float* twiddleRe,
                                  const float* twiddleIm, int32_t n, int32_t h) {
    const float* ur = twiddleRe + h - 1;
    const float* ui = twiddleIm + h - 1;
    for (int32_t block = 0; block < n; block += 2 * h) {
      float* r = re + block;
      float* i = im + block;
      for (int32_t j = 0; j < h; j += W) {
        Float ar, ai, br, bi;
        load(r + j, &ar);
        load(i + j, &ai);
        load(r + j + h, &br);
        load(i + j + h, &bi);
        butterfly(ar, ai, br, bi, ur + j, ui + j);
        store(r + j, ar);
        store(i + j, ai);
        store(r + j + h, br);
        store(i + j + h, bi);
      }
    }
  }
};

/// The first two stages of the transform. Butterflies of one stage are independent of each
/// other, so they run block by block here instead of twiddle by twiddle; every butterfly computes
/// exactly what it would in either order. The first two stages pair values inside each group of
/// four, which the vectors reach by regrouping eight values into the two sides of their
/// butterflies and back; both stages run in one pass, the second on the first's results before
/// they are stored. Inlined into each caller, it takes that caller's instructions.
S_SIMD_INLINE void firstStages(float* re, float* im, const float* twiddleRe, const float* twiddleIm,
                               int32_t n) {
  const Float4 wr1 = {twiddleRe[0], twiddleRe[0], twiddleRe[0], twiddleRe[0]};
  const Float4 wi1 = {twiddleIm[0], twiddleIm[0], twiddleIm[0], twiddleIm[0]};
  const Float4 wr2 = {twiddleRe[1], twiddleRe[2], twiddleRe[1], twiddleRe[2]};
  const Float4 wi2 = {twiddleIm[1], twiddleIm[2], twiddleIm[1], twiddleIm[2]};
  for (int32_t at = 0; at < n; at += 8) {
    const Float4 r0 = load4(re + at);
    const Float4 r1 = load4(re + at + 4);
    const Float4 i0 = load4(im + at);
    const Float4 i1 = load4(im + at + 4);
    // Half-span 1: a is the first value of each butterfly, b its partner one value on (values 0,
    // 2, 4, 6 and 1, 3, 5, 7).
    Float4 ar = __builtin_shufflevector(r0, r1, 0, 2, 4, 6);
    Float4 br = __builtin_shufflevector(r0, r1, 1, 3, 5, 7);
    Float4 ai = __builtin_shufflevector(i0, i1, 0, 2, 4, 6);
    Float4 bi = __builtin_shufflevector(i0, i1, 1, 3, 5, 7);
    Lanes<4>::butterfly(ar, ai, br, bi, wr1, wi1);
    // Half-span 2 on those results: values 0, 1, 4, 5 (a0, b0, a2, b2) against 2, 3, 6, 7 (a1,
    // b1, a3, b3).
    Float4 cr = __builtin_shufflevector(ar, br, 0, 4, 2, 6);
    Float4 dr = __builtin_shufflevector(ar, br, 1, 5, 3, 7);
    Float4 ci = __builtin_shufflevector(ai, bi, 0, 4, 2, 6);
    Float4 di = __builtin_shufflevector(ai, bi, 1, 5, 3, 7);
    Lanes<4>::butterfly(cr, ci, dr, di, wr2, wi2);
    store4(re + at, __builtin_shufflevector(cr, dr, 0, 1, 4, 5));
    store4(re + at + 4, __builtin_shufflevector(cr, dr, 2, 3, 6, 7));
    store4(im + at, __builtin_shufflevector(ci, di, 0, 1, 4, 5));
    store4(im + at + 4, __builtin_shufflevector(ci, di, 2, 3, 6, 7));
  }
}

/// The stages from half-span 4 on, two at a time where two are left, then one. The 256-bit code
/// runs the pass of half-spans 4 and 8 four values wide, as it must, and the rest eight wide;
/// every butterfly computes what it computes in the 128-bit code.
template <int32_t W>
S_SIMD_INLINE void laterStages(float* re, float* im, const float* twiddleRe, const float* twiddleIm,
                               int32_t n) {
  int32_t h = 4;
  if constexpr (W > 4) {
    Lanes<4>::stagePair(re, im, twiddleRe, twiddleIm, n, h);
    h <<= 2;
  }
  for (; 2 * h < n; h <<= 2) {
    Lanes<W>::stagePair(re, im, twiddleRe, twiddleIm, n, h);
  }
  for (; h < n; h <<= 1) {
    Lanes<W>::stage(re, im, twiddleRe, twiddleIm, n, h);
  }
}

__attribute__((target("avx2"))) void stages8(float* re, float* im, const float* twiddleRe,
                                             const float* twiddleIm, int32_t n) {
  firstStages(re, im, twiddleRe, twiddleIm, n);
  laterStages<8>(re, im, twiddleRe, twiddleIm, n);
}

void stages4(float* re, float* im, const float* twiddleRe, const float* twiddleIm, int32_t n) {
  firstStages(re, im, twiddleRe, twiddleIm, n);
  laterStages<4>(re, im, twiddleRe, twiddleIm, n);
}

/// Lane j of V floats from lane V - 1 - j.
template <int32_t V, size_t... I>
S_SIMD_INLINE typename Lanes<V>::Float reversed(const typename Lanes<V>::Float& v,
                                                std::index_sequence<I...>) {
  return __builtin_shufflevector(v, v, (V - 1 - static_cast<int32_t>(I))...);
}

/// The V floats from `p` in reverse order: lane j holds p[V - 1 - j].
template <int32_t V>
S_SIMD_INLINE typename Lanes<V>::Float loadReversed(const float* p) {
  typename Lanes<V>::Float v;
  Lanes<V>::load(p, &v);
  return reversed<V>(v, std::make_index_sequence<V>());
}

/// Lanes 0 to V / 2 - 1 of `a` and `b` (with `upper`, lanes V / 2 to V - 1) interleaved: a0, b0,
/// a1, b1, ...
template <int32_t V, bool upper, size_t... I>
S_SIMD_INLINE typename Lanes<V>::Float interleaved(const typename Lanes<V>::Float& a,
                                                   const typename Lanes<V>::Float& b,
                                                   std::index_sequence<I...>) {
  return __builtin_shufflevector(
      a, b, ((upper ? V / 2 : 0) + static_cast<int32_t>(I) / 2 + (I % 2 == 0 ? 0 : V))...);
}

/// The spectrum of a real frame of 2 x half values, bins 0 to half, from the transform of its
/// values packed in pairs (`re`, `im`: value 2m the real part of m, 2m + 1 its imaginary part).
/// The transform of the even values is (Z[k] + conj Z[half - k]) / 2, that of the odd ones
/// (Z[k] - conj Z[half - k]) / 2i, and bin k is the even one plus the odd one turned by
/// e^(-i pi k / half), whose cosine and sine `turnCos` and `turnSin` hold. V bins at a time;
/// each lane does what scalar code would. Needs half to be more than V.
template <int32_t V>
S_SIMD_INLINE void unpackSpectrum(const float* re, const float* im, const float* turnCos,
                                  const float* turnSin, float* spectrumRe, float* spectrumIm,
                                  int32_t half) {
  using L = Lanes<V>;
  using Float = typename L::Float;
  spectrumRe[0] = re[0] + im[0];
  spectrumIm[0] = 0.0f;
  spectrumRe[half] = re[0] - im[0];
  spectrumIm[half] = 0.0f;
  // The last group ends at bin half - 1, doing bins of the group before it again.
  for (int32_t next = 1; next < half; next += V) {
    const int32_t k = std::min(next, half - V);
    Float zr, zi, c, s;
    L::load(re + k, &zr);
    L::load(im + k, &zi);
    const Float cr = loadReversed<V>(re + half - k - (V - 1));
    const Float ci = -loadReversed<V>(im + half - k - (V - 1));
    const Float evenRe = 0.5f * (zr + cr);
    const Float evenIm = 0.5f * (zi + ci);
    const Float diffRe = 0.5f * (zr - cr);
    const Float diffIm = 0.5f * (zi - ci);
    // The odd transform is -i x diff; times e^(-i pi k / half) = cos - i sin.
    L::load(turnCos + k, &c);
    L::load(turnSin + k, &s);
    L::store(spectrumRe + k, evenRe + (c * diffIm - s * diffRe));
    L::store(spectrumIm + k, evenIm - (c * diffRe + s * diffIm));
  }
}

/// The reverse of `unpackSpectrum` for the real part of an inverse transform: from bins 0 to
/// half of a one-sided spectrum, the half complex values whose inverse transform holds the real
/// part of the whole spectrum's inverse, value 2m in the real part of m and 2m + 1 in its
/// imaginary part, placed straight into bit-reversed order. That real part is the inverse of the
/// spectrum made Hermitian (Y[k] / 2 and its conjugate mirror, bins 0 and half real), whose even
/// and odd values come from its bins k and half - k as in the forward road. V bins at a time, as
/// `unpackSpectrum` goes.
template <int32_t V>
S_SIMD_INLINE void packSpectrum(const float* spectrumRe, const float* spectrumIm,
                                const float* turnCos, const float* turnSin, const uint16_t* reverse,
                                float* re, float* im, int32_t half) {
  using L = Lanes<V>;
  using Float = typename L::Float;
  const float first = spectrumRe[0];
  const float last = spectrumRe[half];
  re[reverse[0]] = first + last;
  im[reverse[0]] = first - last;
  for (int32_t next = 1; next < half; next += V) {
    const int32_t k = std::min(next, half - V);
    Float ar, ai, c, s;
    L::load(spectrumRe + k, &ar);
    L::load(spectrumIm + k, &ai);
    ar = 0.5f * ar;
    ai = 0.5f * ai;
    const Float cr = 0.5f * loadReversed<V>(spectrumRe + half - k - (V - 1));
    const Float ci = -0.5f * loadReversed<V>(spectrumIm + half - k - (V - 1));
    const Float sumRe = ar + cr;
    const Float sumIm = ai + ci;
    const Float diffRe = ar - cr;
    const Float diffIm = ai - ci;
    // The odd values' transform is diff turned by e^(i pi k / half) = cos + i sin; it enters as
    // the imaginary part.
    L::load(turnCos + k, &c);
    L::load(turnSin + k, &s);
    const Float outRe = sumRe - (diffRe * s + diffIm * c);
    const Float outIm = sumIm + (diffRe * c - diffIm * s);
    for (int32_t j = 0; j < V; ++j) {
      const int32_t slot = reverse[k + j];
      re[slot] = outRe[j];
      im[slot] = outIm[j];
    }
  }
}

/// The frame of 2 x half values from the inverse's output: value 2m is the real part of value m,
/// 2m + 1 its imaginary part. Needs half to be a multiple of V.
template <int32_t V>
S_SIMD_INLINE void unpackFrame(const float* re, const float* im, float* frame, int32_t half) {
  using L = Lanes<V>;
  using Float = typename L::Float;
  for (int32_t m = 0; m < half; m += V) {
    Float a, b;
    L::load(re + m, &a);
    L::load(im + m, &b);
    L::store(frame + 2 * m, interleaved<V, false>(a, b, std::make_index_sequence<V>()));
    L::store(frame + 2 * m + V, interleaved<V, true>(a, b, std::make_index_sequence<V>()));
  }
}

__attribute__((target("avx512f,avx512dq"))) void unpackSpectrum16(const float* re, const float* im,
                                                                  const float* turnCos,
                                                                  const float* turnSin,
                                                                  float* spectrumRe,
                                                                  float* spectrumIm, int32_t half) {
  unpackSpectrum<16>(re, im, turnCos, turnSin, spectrumRe, spectrumIm, half);
}

__attribute__((target("avx512f,avx512dq"))) void packSpectrum16(
    const float* spectrumRe, const float* spectrumIm, const float* turnCos, const float* turnSin,
    const uint16_t* reverse, float* re, float* im, int32_t half) {
  packSpectrum<16>(spectrumRe, spectrumIm, turnCos, turnSin, reverse, re, im, half);
}

__attribute__((target("avx512f,avx512dq"))) void unpackFrame16(const float* re, const float* im,
                                                               float* frame, int32_t half) {
  unpackFrame<16>(re, im, frame, half);
}

__attribute__((target("avx2"))) void unpackSpectrum8(const float* re, const float* im,
                                                     const float* turnCos, const float* turnSin,
                                                     float* spectrumRe, float* spectrumIm,
                                                     int32_t half) {
  unpackSpectrum<8>(re, im, turnCos, turnSin, spectrumRe, spectrumIm, half);
}

__attribute__((target("avx2"))) void packSpectrum8(const float* spectrumRe, const float* spectrumIm,
                                                   const float* turnCos, const float* turnSin,
                                                   const uint16_t* reverse, float* re, float* im,
                                                   int32_t half) {
  packSpectrum<8>(spectrumRe, spectrumIm, turnCos, turnSin, reverse, re, im, half);
}

__attribute__((target("avx2"))) void unpackFrame8(const float* re, const float* im, float* frame,
                                                  int32_t half) {
  unpackFrame<8>(re, im, frame, half);
}

void unpackSpectrum4(const float* re, const float* im, const float* turnCos, const float* turnSin,
                     float* spectrumRe, float* spectrumIm, int32_t half) {
  unpackSpectrum<4>(re, im, turnCos, turnSin, spectrumRe, spectrumIm, half);
}

void packSpectrum4(const float* spectrumRe, const float* spectrumIm, const float* turnCos,
                   const float* turnSin, const uint16_t* reverse, float* re, float* im,
                   int32_t half) {
  packSpectrum<4>(spectrumRe, spectrumIm, turnCos, turnSin, reverse, re, im, half);
}

void unpackFrame4(const float* re, const float* im, float* frame, int32_t half) {
  unpackFrame<4>(re, im, frame, half);
}

}  // namespace

void transform(float* re, float* im, const float* twiddleRe, const float* twiddleIm, int32_t n) {
  // The 512-bit code keeps the 256-bit stages: on processors that run 512-bit vectors as two
  // halves they are no faster sixteen wide.
  if (simd::useAvx2()) {
    stages8(re, im, twiddleRe, twiddleIm, n);
  } else {
    stages4(re, im, twiddleRe, twiddleIm, n);
  }
}

RealFrame realFrame(bool widest, bool wide) {
  return widest ? RealFrame{unpackSpectrum16, packSpectrum16, unpackFrame16}
         : wide ? RealFrame{unpackSpectrum8, packSpectrum8, unpackFrame8}
                : RealFrame{unpackSpectrum4, packSpectrum4, unpackFrame4};
}

}  // namespace s::sound::filter::fft
