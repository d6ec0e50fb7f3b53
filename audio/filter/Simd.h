// The choice between the filters' 128-bit, 256-bit and 512-bit vector code.
#pragma once

namespace s::sound::filter::simd {

/// Whether the filters run their 256-bit vector code: true where the processor has the AVX2
/// instructions, unless a test turned it off. Both kinds of code do the same operations lane by
/// lane and give the same results; the wider one is faster. Any thread may call it.
bool useAvx2();

/// Process-wide, for tests that check both kinds of code: false runs the 128-bit code, true the
/// 256-bit code, which is refused (false, nothing changed) where the processor lacks it.
bool setUseAvx2(bool use);

/// Whether the pitch shifter runs its 512-bit vector code: while the 256-bit code is in use, where
/// the processor has the AVX-512 foundation and doubleword-quadword instructions, unless a test
/// turned it off. The same operations lane by lane again, and the same results. Any thread may
/// call it.
bool useAvx512();

/// Process-wide, for tests: false keeps the code at 256 bits at most; true is refused (false,
/// nothing changed) where the processor lacks the instructions.
bool setUseAvx512(bool use);

}  // namespace s::sound::filter::simd

/// Marks the helpers of a vector routine that is compiled once per instruction set: inlined into
/// each caller, they take its instructions.
#define S_SIMD_INLINE inline __attribute__((always_inline))
