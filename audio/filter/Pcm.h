// Sample conversions shared by the filters that work on PCM samples one by one.
#pragma once

#include <cstdint>
#include <cstring>

namespace s::sound::filter::pcm {

/// 16-bit samples are read and written through memcpy: a block need not be 2-byte aligned.
inline int16_t load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void store16(uint8_t* p, int16_t v) { std::memcpy(p, &v, sizeof v); }

/// 8-bit PCM is unsigned with silence at 128: the signed sample is the byte minus 128.
inline int32_t from8(uint8_t b) { return static_cast<int32_t>(b) - 128; }

/// The byte of a signed 8-bit sample, clamped to -128..127 first.
inline uint8_t to8(int32_t v) {
  v = v < -128 ? -128 : (v > 127 ? 127 : v);
  return static_cast<uint8_t>(v + 128);
}

/// A float truncated toward zero and clamped to the 16-bit range. The clamp comes first, so
/// values far outside the range (and NaN, which becomes 32767) never reach an undefined
/// conversion.
inline int16_t clampTo16(float v) {
  v = v < 32767.0f ? v : 32767.0f;
  v = v > -32768.0f ? v : -32768.0f;
  return static_cast<int16_t>(v);
}

/// Every one of `count` 16-bit samples from `p` becomes sample x `factor` in single precision,
/// truncated toward zero and clamped to the 16-bit range. Eight samples at a time go through
/// vector registers, each lane doing the scalar operations, so the results are the same.
inline void scale16(uint8_t* p, int32_t count, float factor) {
  using Short8 = int16_t __attribute__((vector_size(16)));
  using Int8 = int32_t __attribute__((vector_size(32)));
  using Float8 = float __attribute__((vector_size(32)));
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    Short8 group;
    std::memcpy(&group, p + 2 * i, sizeof group);
    Float8 v = __builtin_convertvector(group, Float8) * factor;
    v = v < 32767.0f ? v : Float8{} + 32767.0f;
    v = v > -32768.0f ? v : Float8{} - 32768.0f;
    group = __builtin_convertvector(__builtin_convertvector(v, Int8), Short8);
    std::memcpy(p + 2 * i, &group, sizeof group);
  }
  for (; i < count; ++i) {
    store16(p + 2 * i, clampTo16(static_cast<float>(load16(p + 2 * i)) * factor));
  }
}

}  // namespace s::sound::filter::pcm
