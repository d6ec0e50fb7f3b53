// The complex transform of the pitch shifter's frames and the packing of a real frame around it.
#pragma once

#include <cstdint>

namespace s::sound::filter::fft {

/// The complex transform of `n` values (a power of two, 32 or more) in place, their real parts in
/// `re` and their imaginary parts in `im`, whose input already stands in bit-reversed order. The
/// twiddles of the stage with half-span h (in complex values) stand at entries h - 1 to 2h - 2
/// of `twiddleRe` and `twiddleIm`: e^(-i pi j / h) for the forward transform, e^(i pi j / h) for
/// the inverse (unscaled). A frame's real values run through it packed in pairs, which halves
/// the work. Runs the 256-bit code where `simd::useAvx2` says so, else the 128-bit code; both
/// give the same values. Any thread may call it, on arrays of its own.
void transform(float* re, float* im, const float* twiddleRe, const float* twiddleIm, int32_t n);

/// The packing of a real frame of 2 x half values around the transform of half complex values,
/// compiled once per instruction set; every set gives the same values. `turnCos` and `turnSin`
/// hold the cosine and sine of pi k / half for every k below half, and `reverse` the slot of
/// every value in bit-reversed order. Needs half to be a multiple of 16, 32 or more.
struct RealFrame {
  /// The spectrum's bins 0 to half, from the forward transform of the frame's values packed in
  /// pairs (value 2m the real part of value m, 2m + 1 its imaginary part).
  void (*unpack)(const float* re, const float* im, const float* turnCos, const float* turnSin,
                 float* spectrumRe, float* spectrumIm, int32_t half);
  /// From bins 0 to half of a one-sided spectrum, the half complex values, placed in
  /// bit-reversed order, whose inverse transform holds the real part of the whole spectrum's
  /// inverse packed in pairs.
  void (*pack)(const float* spectrumRe, const float* spectrumIm, const float* turnCos,
               const float* turnSin, const uint16_t* reverse, float* re, float* im, int32_t half);
  /// The frame of 2 x half values from the inverse's output.
  void (*frame)(const float* re, const float* im, float* frame, int32_t half);
};

/// The packing for the 512-bit instructions when `widest`, else for the 256-bit ones when
/// `wide`, else for the 128-bit ones.
RealFrame realFrame(bool widest, bool wide);

}  // namespace s::sound::filter::fft
