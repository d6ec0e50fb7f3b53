// The choice between the filters' 128-bit and 256-bit vector code.
#pragma once

namespace s::sound::filter::simd {

/// Whether the filters run their 256-bit vector code: true where the processor has the AVX2
/// instructions, unless a test turned it off. Both kinds of code do the same operations lane by
/// lane and give the same results; the wider one is faster. Any thread may call it.
bool useAvx2();

/// Process-wide, for tests that check both kinds of code: false runs the 128-bit code, true the
/// 256-bit code, which is refused (false, nothing changed) where the processor lacks it.
bool setUseAvx2(bool use);

}  // namespace s::sound::filter::simd

/// Marks the helpers of a vector routine that is compiled once per instruction set: inlined into
/// each caller, they take its instructions.
#define S_SIMD_INLINE inline __attribute__((always_inline))
