// The stereo enhancer and the widening routine it shares with the vocal and instrument filter.
#include "audio/filter/StereoEnhancer.h"

#include "audio/filter/Pcm.h"

#include <algorithm>

namespace s::sound::filter {

namespace {

/// The side signal added to the left channel and taken from the right one, limited so that both
/// results stay within -32768..32767. The bounds always enclose 0, so a side that needs no limit
/// is kept as it is.
inline int32_t limitedSide(float factor, int32_t left, int32_t right) {
  const int32_t mean = (left + right) >> 1;  // arithmetic shift: rounds toward minus infinity
  // |left - mean| < 65536; the product is held within twice that before it becomes an integer,
  // which changes nothing the limits below keep, but spares the conversion an absurd level.
  float product = factor * static_cast<float>(left - mean);
  product = std::clamp(product, -131072.0f, 131072.0f);
  const int32_t side = static_cast<int32_t>(product);
  const int32_t low = std::max(-32768 - left, right - 32767);
  const int32_t high = std::min(32767 - left, right + 32768);
  return std::clamp(side, low, high);
}

}  // namespace

void StereoEnhancer::reset() {
  m_enabled = true;
  m_level = 10;
  m_attenuate = false;
}

void StereoEnhancer::process(void* samples, int32_t byteCount, bool stereo, int32_t,
                             int32_t bitsPerSample) {
  if (!stereo) {
    return;
  }
  widenStereo(m_level, samples, byteCount, bitsPerSample);
  if (m_attenuate) {
    scaleBy09(samples, byteCount, bitsPerSample);
  }
}

void StereoEnhancer::widenStereo(int32_t level, void* samples, int32_t byteCount,
                                 int32_t bitsPerSample) {
  if (level <= 0 || samples == nullptr || byteCount <= 0) {
    return;
  }
  const float factor = static_cast<float>(level) * 0.15f;
  uint8_t* p = static_cast<uint8_t*>(samples);
  if (bitsPerSample == 16) {
    const int32_t frames = byteCount / 4;
    for (int32_t i = 0; i < frames; ++i) {
      const int32_t left = pcm::load16(p + 4 * i);
      const int32_t right = pcm::load16(p + 4 * i + 2);
      const int32_t side = limitedSide(factor, left, right);
      pcm::store16(p + 4 * i, static_cast<int16_t>(left + side));
      pcm::store16(p + 4 * i + 2, static_cast<int16_t>(right - side));
    }
  } else if (bitsPerSample == 8) {
    // 8-bit samples are unsigned around 128; they are widened on the 16-bit scale and brought
    // back by a division that rounds toward zero.
    const int32_t frames = byteCount / 2;
    for (int32_t i = 0; i < frames; ++i) {
      const int32_t left = pcm::from8(p[2 * i]) * 256;
      const int32_t right = pcm::from8(p[2 * i + 1]) * 256;
      const int32_t side = limitedSide(factor, left, right);
      p[2 * i] = pcm::to8((left + side) / 256);
      p[2 * i + 1] = pcm::to8((right - side) / 256);
    }
  }
}

void StereoEnhancer::scaleBy09(void* samples, int32_t byteCount, int32_t bitsPerSample) {
  if (bitsPerSample != 16 || samples == nullptr || byteCount <= 0) {
    return;
  }
  uint8_t* p = static_cast<uint8_t*>(samples);
  const int32_t count = byteCount / 2;
  for (int32_t i = 0; i < count; ++i) {
    // |sample x 0.9| stays inside the range: no clamp is needed.
    const float scaled = static_cast<float>(pcm::load16(p + 2 * i)) * 0.9f;
    pcm::store16(p + 2 * i, static_cast<int16_t>(scaled));
  }
}

}  // namespace s::sound::filter
