// The volume filter.
#include "audio/filter/Volume.h"

#include "audio/filter/Pcm.h"
#include "audio/filter/Simd.h"

#include <immintrin.h>

namespace s::sound::filter {

namespace {

// The vector loops work on whole groups and return how many samples they did; the scalar loop
// does the rest. Every lane does the scalar operations in the scalar order: the conversions to
// float are exact, the product is one single-precision multiply, the minimum and maximum pick
// the bound exactly where the scalar comparisons do (a NaN product, from a NaN gain, becomes
// 32767 in both), and the conversion back truncates toward zero. The final pack saturates, but
// the values are already inside 16 bits, so it only narrows them.

__attribute__((target("avx2"))) S_SIMD_INLINE __m256i scale8(__m128i group, __m256 gains) {
  const __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(group)), gains);
  return _mm256_cvttps_epi32(
      _mm256_max_ps(_mm256_min_ps(v, _mm256_set1_ps(32767.0f)), _mm256_set1_ps(-32768.0f)));
}

__attribute__((target("avx2"))) int32_t scaleAvx2(uint8_t* p, int32_t count, float gain) {
  const __m256 gains = _mm256_set1_ps(gain);
  int32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    __m256i* at = reinterpret_cast<__m256i*>(p + 2 * i);
    const __m256i group = _mm256_loadu_si256(at);
    const __m256i first = scale8(_mm256_castsi256_si128(group), gains);
    const __m256i second = scale8(_mm256_extracti128_si256(group, 1), gains);
    // The pack interleaves the two halves by 128-bit lanes; the permute puts them back in order.
    const __m256i packed = _mm256_packs_epi32(first, second);
    _mm256_storeu_si256(at, _mm256_permute4x64_epi64(packed, 0xD8));
  }
  return i;
}

inline __m128i scale4(__m128i widened, __m128 gains) {
  const __m128 v = _mm_mul_ps(_mm_cvtepi32_ps(widened), gains);
  return _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(v, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f)));
}

int32_t scaleSse2(uint8_t* p, int32_t count, float gain) {
  const __m128 gains = _mm_set1_ps(gain);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i* at = reinterpret_cast<__m128i*>(p + 2 * i);
    const __m128i group = _mm_loadu_si128(at);
    // Each sample into the top half of a 32-bit lane, then shifted down with its sign.
    const __m128i first = scale4(_mm_srai_epi32(_mm_unpacklo_epi16(group, group), 16), gains);
    const __m128i second = scale4(_mm_srai_epi32(_mm_unpackhi_epi16(group, group), 16), gains);
    _mm_storeu_si128(at, _mm_packs_epi32(first, second));
  }
  return i;
}

}  // namespace

void Volume::reset() {
  m_enabled = true;
  m_percent = 0.0f;
}

void Volume::process(void* samples, int32_t byteCount, bool, int32_t, int32_t bitsPerSample) {
  if (bitsPerSample == 8 || samples == nullptr || byteCount < 2) {
    return;
  }
  const float gain = (m_percent + 100.0f) / 100.0f;
  uint8_t* p = static_cast<uint8_t*>(samples);
  const int32_t count = byteCount / 2;
  int32_t i = simd::useAvx2() ? scaleAvx2(p, count, gain) : scaleSse2(p, count, gain);
  for (; i < count; ++i) {
    pcm::store16(p + 2 * i, pcm::clampTo16(static_cast<float>(pcm::load16(p + 2 * i)) * gain));
  }
}

}  // namespace s::sound::filter
