// The volume filter.
#include "audio/filter/Volume.h"

#include "audio/filter/Pcm.h"

#include <cstring>

namespace s::sound::filter {

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
  // Groups of eight samples in vector registers, then the rest one by one; every lane does the
  // scalar operations, so both give the same results.
  using Short8 = int16_t __attribute__((vector_size(16)));
  using Short4 = int16_t __attribute__((vector_size(8)));
  using Float4 = float __attribute__((vector_size(16)));
  using Int4 = int32_t __attribute__((vector_size(16)));
  const Float4 gains = Float4{} + gain;
  const Float4 high = Float4{} + 32767.0f;
  const Float4 low = Float4{} - 32768.0f;
  auto scale = [&](Short4 group) {
    Float4 v = __builtin_convertvector(group, Float4) * gains;
    v = v < high ? v : high;
    v = v > low ? v : low;
    return __builtin_convertvector(__builtin_convertvector(v, Int4), Short4);
  };
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    Short8 group;
    std::memcpy(&group, p + 2 * i, sizeof group);
    const Short4 first = scale(__builtin_shufflevector(group, group, 0, 1, 2, 3));
    const Short4 second = scale(__builtin_shufflevector(group, group, 4, 5, 6, 7));
    group = __builtin_shufflevector(first, second, 0, 1, 2, 3, 4, 5, 6, 7);
    std::memcpy(p + 2 * i, &group, sizeof group);
  }
  for (; i < count; ++i) {
    pcm::store16(p + 2 * i, pcm::clampTo16(static_cast<float>(pcm::load16(p + 2 * i)) * gain));
  }
}

}  // namespace s::sound::filter
