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

}  // namespace s::sound::filter::pcm
