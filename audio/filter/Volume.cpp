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
  using Float8 = float __attribute__((vector_size(32)));
  using Int8 = int32_t __attribute__((vector_size(32)));
  const Float8 gains = {gain, gain, gain, gain, gain, gain, gain, gain};
  const Float8 high = Float8{} + 32767.0f;
  const Float8 low = Float8{} - 32768.0f;
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    Short8 group;
    std::memcpy(&group, p + 2 * i, sizeof group);
    Float8 v = __builtin_convertvector(group, Float8) * gains;
    v = v < high ? v : high;
    v = v > low ? v : low;
    group = __builtin_convertvector(__builtin_convertvector(v, Int8), Short8);
    std::memcpy(p + 2 * i, &group, sizeof group);
  }
  for (; i < count; ++i) {
    pcm::store16(p + 2 * i, pcm::clampTo16(static_cast<float>(pcm::load16(p + 2 * i)) * gain));
  }
}

}  // namespace s::sound::filter
